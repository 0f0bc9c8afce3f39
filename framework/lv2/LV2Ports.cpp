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
