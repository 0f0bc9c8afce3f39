#include "PluginInstance.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{
namespace
{

template <class Interface> Interface* Query(FUnknown& object)
{
    void* found = nullptr;
    if (object.queryInterface(Interface::iid, &found) != kResultOk)
        return nullptr;
    return static_cast<Interface*>(found);
}

} // namespace

PluginInstance::~PluginInstance()
{
    Release();
}

bool PluginInstance::Fail(const std::string& why)
{
    mError = why;
    Release();
    return false;
}

bool PluginInstance::Create(IPluginFactory& factory, const TUID cid, const std::string& name)
{
    Release();
    mName = name;
    void* created = nullptr;
    if (factory.createInstance(cid, IComponent::iid, &created) != kResultOk || !created)
        return Fail("the plug-in's factory could not create \"" + name + "\"");
    component = static_cast<IComponent*>(created);
    processor = Query<IAudioProcessor>(*component);
    if (!processor)
        return Fail("\"" + name + "\" is not an audio processor");
    controller = Query<IEditController>(*component);
    if (!controller)
        return Fail("\"" + name +
                    "\" keeps its edit controller in a separate class, which this host does not "
                    "support");
    return true;
}

bool PluginInstance::Initialize(FUnknown* context)
{
    initialised = component && component->initialize(context) == kResultOk;
    if (!initialised)
        mError = "\"" + mName + "\" failed to initialise";
    return initialised;
}

void PluginInstance::ActivateDefaultBuses()
{
    for (BusDirection dir : {kInput, kOutput})
        for (int32 i = 0; i < component->getBusCount(kAudio, dir); ++i)
        {
            BusInfo info = {};
            if (component->getBusInfo(kAudio, dir, i, info) == kResultOk &&
                (info.flags & BusInfo::kDefaultActive))
                component->activateBus(kAudio, dir, i, true);
        }
}

void PluginInstance::Release()
{
    if (initialised)
        component->terminate();
    initialised = false;
    for (FUnknown* held : {static_cast<FUnknown*>(controller), static_cast<FUnknown*>(processor),
                           static_cast<FUnknown*>(component)})
        if (held)
            held->release();
    controller = nullptr;
    processor = nullptr;
    component = nullptr;
}

} // namespace vst3host
