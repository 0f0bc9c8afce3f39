#pragma once

#include "HostParameter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vst3host
{

// What a host keeps of a plug-in in a project: the component's state and the controller's.
struct PluginState
{
    std::vector<uint8_t> component;
    std::vector<uint8_t> controller;
};

// Hosts one VST 3 audio effect from a module, as a DAW does: load the module, create the
// component through the class factory, initialise it with a host context, then configure,
// activate and feed it blocks. Every SDK type stays inside the implementation, so callers
// deal in plain C++. Operations that can fail answer false and leave the reason in GetError().
class Vst3Host
{
public:
    // hostName is the name the host gives itself through IHostApplication.
    explicit Vst3Host(const std::string& hostName = "vst3host");
    ~Vst3Host();
    Vst3Host(const Vst3Host&) = delete;
    Vst3Host& operator=(const Vst3Host&) = delete;

    // path is a bundle folder (X.vst3) or the module file inside it. Creates and initialises the
    // first audio-effect class the module's factory offers.
    bool Load(const std::string& path);

    const std::string& GetError() const;
    // The factory's name for the class that was created.
    const std::string& GetPluginName() const;
    // The settable parameters, in the controller's order.
    const std::vector<HostParameter>& GetParameters() const;
    // The plug-in's four-character unique ID, which plug-ins of this framework put in the last
    // four bytes of their class ID (most significant byte first).
    int32_t GetUniqueId() const;
    // The class's version ("1.1.0") in decimal form (10100); 0 when the factory tells none.
    int32_t GetDecimalVersion() const;
    // The class's version as the factory tells it; empty when it tells none.
    const std::string& GetVersion() const;

    // Sets a parameter to a plain value: on the controller at once, and to the processor through
    // the input parameter changes of the next processed block.
    void SetParameter(uint32_t id, double plainValue);
    // The controller's current plain value of a parameter.
    double GetParameter(uint32_t id) const;
    // The same in normalised positions, clamped to [0, 1].
    void SetParameterNormalized(uint32_t id, double normalized);
    double GetParameterNormalized(uint32_t id) const;

    // Configures the main buses for the channel count (1 or 2, the same in and out), sets up
    // offline processing in 32-bit or 64-bit samples and activates the component.
    bool Start(double sampleRate, int channels, int maxBlockFrames, bool doublePrecision);
    // One block, frames <= maxBlockFrames, in the sample size chosen by Start.
    bool Process(const float* const* inputs, float* const* outputs, int frames);
    bool Process(const double* const* inputs, double* const* outputs, int frames);
    // Deactivates the component; Start may follow again.
    void Stop();
    // The delay the plug-in reports, in frames, as a host reads it after Start.
    int32_t GetLatencySamples() const;

    bool SaveState(PluginState& state);
    bool RestoreState(const PluginState& state);

private:
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

} // namespace vst3host
