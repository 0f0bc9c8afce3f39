#pragma once

// The host's side of the built VELTAR module: the module loaded as a Linux host loads it, and one
// plug-in instance held through the VST 3 interfaces only. Written as a host sees the module,
// with the SDK's interface headers as they are.
#include "HostApplication.h"
#include "ModuleLoader.h"
#include "ParameterChanges.h"
#include "PluginInstance.h"
#include "StereoSignal.h"

#include "pluginterfaces/vst/ivstunits.h"

#include <string>
#include <vector>

namespace veltartest
{

constexpr Steinberg::Vst::ParamID kPresetID = 0x70727374; // 'prst'
constexpr Steinberg::Vst::ParamID kBypassID = 0x62706173; // 'bpas'
constexpr int kNumPlugParams = 7;

// The component's class ID as the module publishes it.
extern const Steinberg::TUID kVeltarCID;

// The module, loaded once for the whole program and kept loaded as a host keeps it.
vst3host::ModuleLoader& Module();

std::string FromHost(const Steinberg::char16* text);

// One instance created through the factory, as a host holds it: component, processor,
// controller and unit info of one object.
class HostedPlugin : public vst3host::PluginInstance
{
public:
    // Creates the instance and, when initialise is set, initialises it with the host context
    // and activates the buses that ask for it.
    explicit HostedPlugin(const char* hostName = "Cubase 12", bool initialise = true);
    ~HostedPlugin();
    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    Steinberg::tresult Setup(double sampleRate,
                             Steinberg::int32 sampleSize = Steinberg::Vst::kSample64,
                             Steinberg::int32 maxBlock = 1024);

    // Processes the input in blocks whose sizes cycle through pattern (a 0 is a call with no
    // frames); changes go with the first call only. The output holds what the host's buffers
    // hold afterwards, read back as doubles.
    Stereo Process(const Stereo& in, const std::vector<int>& pattern = {512},
                   vst3host::ParameterChanges* changes = nullptr);
    Stereo Process32(const Stereo& in, const std::vector<int>& pattern = {512},
                     vst3host::ParameterChanges* changes = nullptr);
    // A 0-frame call without buffers that carries only parameter changes.
    Steinberg::tresult Flush(vst3host::ParameterChanges& changes);
    // Applies one value through a 0-frame call.
    void Set(Steinberg::Vst::ParamID id, double normalized);

    // The controller state as the host stores it.
    std::vector<char> SaveState();
    Steinberg::tresult LoadState(const std::vector<char>& bytes);
    // The seven plain values, read from the saved state.
    std::vector<double> PlainValues();
    // The settings the chain receives, built from the plain values as the plug-in does.
    ChannelStripSettings Settings(double sampleRate);

    vst3host::HostApplication host;
    Steinberg::Vst::IUnitInfo* units = nullptr;

private:
    template <class Sample>
    Stereo Run(const Stereo& in, const std::vector<int>& pattern,
               vst3host::ParameterChanges* changes, Steinberg::int32 sampleSize);
};

// What the chain makes of the input with the plug-in's present settings, from a fresh state.
inline Stereo ChainOutput(HostedPlugin& p, const Stereo& in, double fs)
{
    ChannelStrip chain;
    return RunChain(chain, in, p.Settings(fs));
}

} // namespace veltartest
