// The port order of the LV2 plug-in: audio inputs, audio outputs, one control input per
// parameter in the parameter table's order, the enable switch, the oversampling factor (for a
// plug-in that offers oversampling) and the latency output. The module, its UI and the Turtle that
// describes them all count ports this way.
#pragma once

#include <cstdint>
#include <string>

struct LV2PortLayout
{
    int nIn = 0;
    int nOut = 0;
    int nParams = 0;
    bool oversampling = false;

    uint32_t FirstControl() const { return static_cast<uint32_t>(nIn + nOut); }
    uint32_t ControlPort(int paramIdx) const
    {
        return FirstControl() + static_cast<uint32_t>(paramIdx);
    }
    uint32_t EnabledPort() const { return FirstControl() + static_cast<uint32_t>(nParams); }
    // Only meaningful when oversampling is offered.
    uint32_t OversamplingPort() const { return EnabledPort() + 1; }
    uint32_t LatencyPort() const { return EnabledPort() + (oversampling ? 2 : 1); }
    uint32_t NumPorts() const { return LatencyPort() + 1; }
    // The parameter a port carries, -1 for the audio ports and the enable switch.
    int ParamOfPort(uint32_t port) const
    {
        return port >= FirstControl() && port < EnabledPort()
                   ? static_cast<int>(port - FirstControl())
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
