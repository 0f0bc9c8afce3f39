#include "framework/lv2/LV2Ports.h"

const LV2MeterPortInfo kLV2MeterPorts[kLV2NumMeterPorts] = {
    {"in_peak", "Input peak"},
    {"in_rms", "Input RMS"},
    {"out_peak", "Output peak"},
    {"out_rms", "Output RMS"},
};

std::string LV2PluginURI(const char* maker, const char* name)
{
    return std::string("urn:com.") + (maker ? maker : "") + ":" + (name ? name : "");
}

std::string LV2MonoURI(const char* maker, const char* name)
{
    return LV2PluginURI(maker, name) + "#mono";
}

std::string LV2UIURI(const char* maker, const char* name)
{
    return LV2PluginURI(maker, name) + "#ui";
}

int LV2OversamplingFactor(float portValue, int maxFactor)
{
    int factor = 1;
    // Between two factors the nearer one: 2 from 1.5 on, 4 from 3 on, 8 from 6 on.
    while (factor < maxFactor && portValue >= 1.5f * static_cast<float>(factor))
        factor *= 2;
    return factor;
}
