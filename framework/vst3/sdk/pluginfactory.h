#pragma once

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"

#include <vector>

namespace Steinberg
{

// The module's class factory: a list of class records, each with the function that creates
// instances of that class. Reference counted; the module hands it to the host through
// GetPluginFactory.
class CPluginFactory : public IPluginFactory3
{
public:
    using CreateFunction = FUnknown* (*)(void* context);

    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();
    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;

    // Each answers false (and registers nothing) for a null record or create function.
    bool registerClass(const PClassInfo* info, CreateFunction createFunc, void* context = nullptr);
    bool registerClass(const PClassInfo2* info, CreateFunction createFunc, void* context = nullptr);
    bool registerClass(const PClassInfoW* info, CreateFunction createFunc, void* context = nullptr);

    // The host's run loop, when the host offered one through setHostContext (not referenced by
    // the caller); only Linux hosts have one (hostrunloop_linux.cpp).
    FUnknown* getHostRunLoop() const { return runLoop; }

    // FUnknown
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) SMTG_OVERRIDE;
    uint32 PLUGIN_API addRef() SMTG_OVERRIDE;
    uint32 PLUGIN_API release() SMTG_OVERRIDE;

    // IPluginFactory
    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
    int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
    tresult PLUGIN_API createInstance(FIDString cid, FIDString interfaceId,
                                      void** obj) SMTG_OVERRIDE;

    // IPluginFactory2
    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;

    // IPluginFactory3
    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
    tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE;

private:
    struct ClassEntry
    {
        PClassInfo2 info8;
        PClassInfoW info16;
        CreateFunction createFunc;
        void* context;
        // Registered from a UTF-16 record, whose texts have no faithful 8-bit form.
        bool unicodeOnly;
    };
    const ClassEntry* entryAt(int32 index) const;
    template <typename Info>
    tresult answerAsciiInfo(int32 index, Info* info, void (*copy)(Info&, const PClassInfo2&)) const;

    PFactoryInfo factoryInfo;
    std::vector<ClassEntry> classes;
    FUnknown* runLoop = nullptr;
    int32 refCount = 1;
};

} // namespace Steinberg

// The run loop that a host context offers, with a reference for the caller; null when it offers
// none or the platform has no such thing.
Steinberg::FUnknown* queryHostRunLoop(Steinberg::FUnknown* context);

// The factory the module has handed out, null while none is alive.
extern Steinberg::IPluginFactory* gPluginFactory;
