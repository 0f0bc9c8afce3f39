// The port order of the LV2 plug-in: audio inputs, audio outputs, one control input per
// parameter in the parameter table's order, the enable switch, the oversampling factor (for a
// plug-in that offers oversampling), the latency output, then, for a plug-in that shows level
// meters, their output ports. The module, its UI and the Turtle that describes them all count
// ports this way.
#pragma once

#include <cstdint>
#include <string>

// The meters' output ports, in this order: the peak and the mean (RMS) level of the input, then
// of the output, in dBFS with the meters' ballistics applied, so that a host that reads them now
// and then misses no peak. A UI that sees only ports draws the whole meter from them.
enum ELV2MeterPort
{
    kLV2InputPeak,
    kLV2InputRms,
    kLV2OutputPeak,
    kLV2OutputRms,
    kLV2NumMeterPorts
};

struct LV2MeterPortInfo
{
    const char* symbol;
    const char* name;
};
extern const LV2MeterPortInfo kLV2MeterPorts[kLV2NumMeterPorts];

struct LV2PortLayout
{
    int nIn = 0;
    int nOut = 0;
    int nParams = 0;
    bool oversampling = false;
    int nMeterPorts = 0; // 0, or kLV2NumMeterPorts for a plug-in with meters

    uint32_t FirstControl() const { return static_cast<uint32_t>(nIn + nOut); }
    uint32_t ControlPort(int paramIdx) const
    {
        return FirstControl() + static_cast<uint32_t>(paramIdx);
    }
    uint32_t EnabledPort() const { return FirstControl() + static_cast<uint32_t>(nParams); }
    // Only meaningful when oversampling is offered.
    uint32_t OversamplingPort() const { return EnabledPort() + 1; }
    uint32_t LatencyPort() const { return EnabledPort() + (oversampling ? 2 : 1); }
    uint32_t MeterPort(int meterPort) const
    {
        return LatencyPort() + 1 + static_cast<uint32_t>(meterPort);
    }
    uint32_t NumPorts() const { return MeterPort(nMeterPorts); }
    // The parameter a port carries, -1 for any other port.
    int ParamOfPort(uint32_t port) const
    {
        return port >= FirstControl() && port < EnabledPort()
                   ? static_cast<int>(port - FirstControl())
                   : -1;
    }
    // The meter port (ELV2MeterPort) a port is, -1 for any other port.
    int MeterOfPort(uint32_t port) const
    {
        return port >= MeterPort(0) && port < NumPorts() ? static_cast<int>(port - MeterPort(0))
                                                         : -1;
    }
};

// The plug-in's URIs, made from the maker's and the plug-in's names: the stereo plug-in, its
// one-channel variant and the editor.
std::string LV2PluginURI(const char* maker, const char* name);
std::string LV2MonoURI(const char* maker, const char* name);
std::string LV2UIURI(const char* maker, const char* name);

// The oversampling factor a host's port value asks for: the nearest power of two, up to maxFactor.
int LV2OversamplingFactor(float portValue, int maxFactor);

// The audio channels of the two variants.
constexpr int kLV2StereoChannels = 2;
constexpr int kLV2MonoChannels = 1;
