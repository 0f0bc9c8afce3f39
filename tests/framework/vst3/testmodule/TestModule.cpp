// A minimal VST 3 module for host-side tests: one single-component effect class whose two state
// pairs write different tags, and the entry points of Linux and Windows hosts with counted entry
// and exit.
#include "Bundle.h"
#include "pluginfactory.h"
#include "singlecomponenteffect.h"

#include "pluginterfaces/base/ibstream.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

const TUID kClassId = INLINE_UID(0x7E57F00D, 0x00DE4F4E, 0x51756175, 0x54657374);

int gEntryCount = 0;
BundleRef* gBundle = nullptr;

class TestEffect : public SingleComponentEffect
{
public:
    tresult PLUGIN_API getState(IBStream* state) override { return WriteTag(state, 'C'); }
    tresult PLUGIN_API getEditorState(IBStream* state) override { return WriteTag(state, 'E'); }

private:
    static tresult WriteTag(IBStream* state, char tag)
    {
        return state ? state->write(&tag, 1, nullptr) : kInvalidArgument;
    }
};

FUnknown* CreateTestEffect(void*)
{
    return static_cast<IAudioProcessor*>(new TestEffect);
}

} // namespace

namespace
{
bool Enter()
{
    if (gEntryCount++ == 0)
        gBundle = BundleRef::CreateForAddress(reinterpret_cast<void*>(&CreateTestEffect));
    return true;
}

bool Exit()
{
    if (gEntryCount == 0)
        return false;
    if (--gEntryCount == 0 && gBundle)
    {
        gBundle->Release();
        gBundle = nullptr;
    }
    return true;
}
} // namespace

extern "C"
{

    SMTG_EXPORT_SYMBOL bool ModuleEntry(void*)
    {
        return Enter();
    }

    SMTG_EXPORT_SYMBOL bool ModuleExit()
    {
        return Exit();
    }

    SMTG_EXPORT_SYMBOL bool InitDll()
    {
        return Enter();
    }

    SMTG_EXPORT_SYMBOL bool ExitDll()
    {
        return Exit();
    }

    SMTG_EXPORT_SYMBOL IPluginFactory* GetPluginFactory()
    {
        if (gPluginFactory)
        {
            gPluginFactory->addRef();
            return gPluginFactory;
        }
        auto* factory = new CPluginFactory(
            PFactoryInfo("Test Vendor", "https://test.example", "test@test.example", 16));
        PClassInfo2 info(kClassId, PClassInfo::kManyInstances, kVstAudioEffectClass, "TestFx", 2,
                         "Fx", "", "0.0.1", kVstVersionString);
        factory->registerClass(&info, CreateTestEffect);
        gPluginFactory = factory;
        return factory;
    }

    // Lets a test see which bundle the module found itself in.
    SMTG_EXPORT_SYMBOL const char* TestModuleBundlePath()
    {
        return gBundle ? gBundle->GetPath() : "";
    }
}
