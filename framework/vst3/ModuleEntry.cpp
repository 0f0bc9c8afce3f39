// The module's entry points and its class factory, the same on every platform; the entry and exit
// that a platform's hosts call are in ModuleEntryLinux.cpp and ModuleEntryWindows.cpp. Which of
// these functions leave the module is the linker's business (exports.map, exports.def).
#include "PlugModule.h"

#include "framework/platform/Bundle.h"
#include "pluginfactory.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

using namespace Steinberg;

namespace
{
int gBundleRefCounter = 0;
std::vector<BundleRef*> gBundleRefs;
BundleRef* gModuleHandle = nullptr;
// Counts entries not yet matched by exits: hosts may enter more than once.
int gModuleEntryCount = 0;

// The module's own handle on its bundle, made by the first ModuleEntry and kept until the
// module is unloaded, so that gModuleHandle stays valid as long as the module is loaded.
struct OwnBundle
{
    ~OwnBundle()
    {
        if (ref)
            ref->Release();
    }
    BundleRef* ref = nullptr;
} gOwnBundle;

PFactoryInfo gFactoryInfo;
PClassInfo2 gClassInfo;
std::once_flag gFactoryInfoOnce;
std::once_flag gClassInfoOnce;

FUnknown* CreatePlugInstance(void*)
{
    IFxVST3* plug = MakePlug();
    return static_cast<Vst::IAudioProcessor*>(plug);
}

void CopyField(char8* dst, size_t size, const char* src)
{
    std::memset(dst, 0, size);
    std::snprintf(dst, size, "%s", src ? src : "");
}
} // namespace

const char* GetModuleResourcesPath()
{
    return gModuleHandle ? gModuleHandle->GetResourcesPath() : "";
}

extern "C" bool bundleEntry(BundleRef* bundle)
{
    if (bundle)
    {
        ++gBundleRefCounter;
        bundle->Retain();
        gBundleRefs.push_back(bundle);
        if (!gModuleHandle)
            gModuleHandle = bundle;
    }
    return InitModule();
}

extern "C" bool bundleExit()
{
    if (!DeinitModule())
        return false;
    if (--gBundleRefCounter == 0)
    {
        for (BundleRef* ref : gBundleRefs)
            ref->Release();
        gBundleRefs.clear();
    }
    return true;
}

bool EnterModule()
{
    if (gModuleEntryCount++ > 0)
        return true;
    BundleRef* bundle = BundleRef::CreateForAddress(reinterpret_cast<const void*>(&EnterModule));
    bool ok = bundleEntry(bundle);
    if (bundle && !gOwnBundle.ref && bundle == gModuleHandle)
        gOwnBundle.ref = bundle;
    else if (bundle)
        bundle->Release();
    return ok;
}

bool LeaveModule()
{
    if (gModuleEntryCount <= 0)
        return false;
    if (--gModuleEntryCount > 0)
        return true;
    return bundleExit();
}

extern "C" IPluginFactory* GetPluginFactory()
{
    if (gPluginFactory)
    {
        gPluginFactory->addRef();
        return gPluginFactory;
    }
    std::call_once(
        gFactoryInfoOnce,
        []
        {
            CopyField(gFactoryInfo.vendor, sizeof(gFactoryInfo.vendor), kPlugClassRecord.vendor);
            CopyField(gFactoryInfo.url, sizeof(gFactoryInfo.url), kPlugClassRecord.url);
            CopyField(gFactoryInfo.email, sizeof(gFactoryInfo.email), kPlugClassRecord.email);
            gFactoryInfo.flags = PFactoryInfo::kUnicode;
        });
    auto* factory = new CPluginFactory(gFactoryInfo);
    gPluginFactory = factory;
    std::call_once(
        gClassInfoOnce,
        []
        {
            PlugClassIDBytes(reinterpret_cast<unsigned char*>(gClassInfo.cid));
            gClassInfo.cardinality = PClassInfo::kManyInstances;
            CopyField(gClassInfo.category, sizeof(gClassInfo.category), kVstAudioEffectClass);
            CopyField(gClassInfo.name, sizeof(gClassInfo.name), kPlugClassRecord.name);
            gClassInfo.classFlags = Vst::kSimpleModeSupported;
            CopyField(gClassInfo.subCategories, sizeof(gClassInfo.subCategories),
                      kPlugClassRecord.subCategories);
            CopyField(gClassInfo.vendor, sizeof(gClassInfo.vendor), "");
            CopyField(gClassInfo.version, sizeof(gClassInfo.version), kPlugClassRecord.version);
            CopyField(gClassInfo.sdkVersion, sizeof(gClassInfo.sdkVersion), "VST 3.6.12");
        });
    factory->registerClass(&gClassInfo, CreatePlugInstance, nullptr);
    return factory;
}
