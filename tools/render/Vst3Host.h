#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace veltar_render
{

// A parameter as the plug-in's controller publishes it, with its plain range as the controller
// converts the ends of the normalised range.
struct HostParameter
{
    uint32_t id = 0;
    std::string title;
    std::string units;
    double minimum = 0.0;
    double maximum = 1.0;
    // 0 for a continuous parameter, otherwise the number of steps between minimum and maximum.
    int32_t stepCount = 0;
    double defaultValue = 0.0;
    // For a stepped parameter, the plug-in's own text for each value from minimum up ("SRPP",
    // "in"); empty when it shows numbers.
    std::vector<std::string> valueNames;
    // The host's bypass switch, and the program chooser, which a host drives through programs.
    bool isBypass = false;
    bool isProgramChange = false;
};

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
    Vst3Host();
    ~Vst3Host();
    Vst3Host(const Vst3Host&) = delete;
    Vst3Host& operator=(const Vst3Host&) = delete;

    // The name the host gives itself through IHostApplication.
    static constexpr const char* kHostName = "veltar-render";

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

    bool SaveState(PluginState& state);
    bool RestoreState(const PluginState& state);

private:
    class Impl;
    std::unique_ptr<Impl> mImpl;
};

} // namespace veltar_render
