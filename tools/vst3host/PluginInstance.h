#pragma once

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <string>

namespace vst3host
{

// One plug-in instance as a host holds it: the component made by the module's factory, with the
// processor and the controller of the same object. Release (or destruction) terminates what was
// initialised and gives every interface back; a host that terminated the component itself clears
// initialised first.
class PluginInstance
{
public:
    PluginInstance() = default;
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // Creates the class cid, called name in messages, and finds its processor and controller; a
    // plug-in whose controller is a class of its own is refused. False with a reason in GetError.
    bool Create(Steinberg::IPluginFactory& factory, const Steinberg::TUID cid,
                const std::string& name);
    // Hands the component the host context; a refusal leaves the instance to be released.
    bool Initialize(Steinberg::FUnknown* context);
    // What hosts do after initialising or rearranging the buses: activate every audio bus whose
    // flags ask to be active by default.
    void ActivateDefaultBuses();
    void Release();

    const std::string& GetError() const { return mError; }

    Steinberg::Vst::IComponent* component = nullptr;
    Steinberg::Vst::IAudioProcessor* processor = nullptr;
    Steinberg::Vst::IEditController* controller = nullptr;
    bool initialised = false;

private:
    bool Fail(const std::string& why);

    std::string mName;
    std::string mError;
};

} // namespace vst3host
