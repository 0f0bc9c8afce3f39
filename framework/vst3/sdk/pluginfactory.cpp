#include "pluginfactory.h"

#include <cstring>

Steinberg::IPluginFactory* gPluginFactory = nullptr;

namespace Steinberg
{
namespace
{

// PClassInfo2 begins with the fields of PClassInfo; these copy that shared part.
template <typename To, typename From> void copyBasicClassInfo(To& to, const From& from)
{
    std::memcpy(to.cid, from.cid, sizeof(TUID));
    to.cardinality = from.cardinality;
    std::memcpy(to.category, from.category, sizeof(to.category));
    std::memcpy(to.name, from.name, sizeof(to.name));
}

} // namespace

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory()
{
    if (gPluginFactory == this)
        gPluginFactory = nullptr;
    if (runLoop)
        runLoop->release();
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction createFunc, void* context)
{
    if (!info)
        return false;
    PClassInfo2 wide;
    copyBasicClassInfo(wide, *info);
    return registerClass(&wide, createFunc, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction createFunc,
                                   void* context)
{
    if (!info || !createFunc)
        return false;
    ClassEntry entry{*info, PClassInfoW(), createFunc, context, false};
    entry.info16.fromAscii(*info);
    classes.push_back(entry);
    return true;
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunction createFunc,
                                   void* context)
{
    if (!info || !createFunc)
        return false;
    classes.push_back(ClassEntry{PClassInfo2(), *info, createFunc, context, true});
    return true;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID queried, void** obj)
{
    if (!obj)
        return kInvalidArgument;
    QUERY_INTERFACE(queried, obj, IPluginFactory::iid, IPluginFactory)
    QUERY_INTERFACE(queried, obj, IPluginFactory2::iid, IPluginFactory2)
    QUERY_INTERFACE(queried, obj, IPluginFactory3::iid, IPluginFactory3)
    QUERY_INTERFACE(queried, obj, FUnknown::iid, IPluginFactory)
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef()
{
    return static_cast<uint32>(FUnknownPrivate::atomicAdd(refCount, 1));
}

uint32 PLUGIN_API CPluginFactory::release()
{
    const int32 left = FUnknownPrivate::atomicAdd(refCount, -1);
    if (left == 0)
        delete this;
    return static_cast<uint32>(left);
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (!info)
        return kInvalidArgument;
    *info = factoryInfo;
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses()
{
    return static_cast<int32>(classes.size());
}

const CPluginFactory::ClassEntry* CPluginFactory::entryAt(int32 index) const
{
    if (index < 0 || index >= static_cast<int32>(classes.size()))
        return nullptr;
    return &classes[static_cast<size_t>(index)];
}

// A class registered from a UTF-16 record has no faithful 8-bit one: the host gets an empty record.
template <typename Info>
tresult CPluginFactory::answerAsciiInfo(int32 index, Info* info,
                                        void (*copy)(Info&, const PClassInfo2&)) const
{
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info)
        return kInvalidArgument;
    if (entry->unicodeOnly)
    {
        *info = Info();
        return kResultFalse;
    }
    copy(*info, entry->info8);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
    return answerAsciiInfo<PClassInfo>(index, info, copyBasicClassInfo);
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
    return answerAsciiInfo<PClassInfo2>(
        index, info, [](PClassInfo2& to, const PClassInfo2& from) { to = from; });
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info)
        return kInvalidArgument;
    *info = entry->info16;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString interfaceId, void** obj)
{
    if (!obj)
        return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !interfaceId)
        return kInvalidArgument;
    for (const ClassEntry& entry : classes)
    {
        if (std::memcmp(entry.info16.cid, cid, sizeof(TUID)) != 0)
            continue;
        FUnknown* instance = entry.createFunc(entry.context);
        if (!instance)
            break;
        // The interface answer holds its own reference; the create function's is not kept.
        const tresult found = instance->queryInterface(interfaceId, obj);
        instance->release();
        if (found == kResultOk)
            return kResultOk;
        break;
    }
    *obj = nullptr;
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* context)
{
    // A null context withdraws the host's; a context without a run loop leaves the kept one.
    FUnknown* offered = context ? queryHostRunLoop(context) : nullptr;
    if (context && !offered)
        return kResultTrue;
    if (runLoop)
        runLoop->release();
    runLoop = offered;
    return kResultTrue;
}

} // namespace Steinberg
