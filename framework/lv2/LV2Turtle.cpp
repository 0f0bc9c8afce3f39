#include "framework/lv2/LV2Turtle.h"

#include "framework/core/IFxBase.h"
#include "framework/lv2/LV2Ports.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace
{
const char* const kPrefixes = "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
                              "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
                              "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
                              "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
                              "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                              "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
                              "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
                              "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                              "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
                              "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                              "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
                              "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                              "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n\n";

// A decimal literal that reads back as the same float.
std::string Number(double value)
{
    char text[40];
    std::snprintf(text, sizeof(text), "%.9g", value);
    if (!std::strpbrk(text, ".eEn"))
        std::strcat(text, ".0");
    return text;
}

std::string Quoted(const char* text)
{
    std::string out = "\"";
    for (const char* p = text; *p; ++p)
    {
        if (*p == '"' || *p == '\\')
            out += '\\';
        out += *p;
    }
    return out + "\"";
}

std::string Unit(const char* label)
{
    static const struct
    {
        const char* label;
        const char* unit;
    } kUnits[] = {{"dB", "units:db"}, {"Hz", "units:hz"}, {"kHz", "units:khz"},
                  {"ms", "units:ms"}, {"s", "units:s"},   {"%", "units:pc"}};
    if (!label[0])
        return "";
    for (const auto& u : kUnits)
        if (std::strcmp(label, u.label) == 0)
            return std::string(" ;\n        units:unit ") + u.unit;
    return " ;\n        units:unit [ a units:Unit ; units:symbol " + Quoted(label) +
           " ; units:render " + Quoted((std::string("%f ") + label).c_str()) + " ]";
}

std::string URIs(const IFxBase& plug, std::string (*make)(const char*, const char*))
{
    return "<" + make(plug.GetMfrName(), plug.GetEffectName()) + ">";
}

std::string AudioPorts(int nChannels, int* index)
{
    static const char* const kSides[] = {"l", "r"};
    std::string out;
    for (const char* dir : {"in", "out"})
        for (int c = 0; c < nChannels; ++c)
        {
            const bool input = dir[0] == 'i';
            std::string symbol = dir;
            std::string name = input ? "Input" : "Output";
            if (nChannels > 1)
            {
                symbol += std::string("_") + kSides[c];
                name += c ? " R" : " L";
            }
            out += "    [\n        a lv2:AudioPort , lv2:" +
                   std::string(input ? "InputPort" : "OutputPort") + " ;\n        lv2:index " +
                   std::to_string((*index)++) + " ;\n        lv2:symbol " + Quoted(symbol.c_str()) +
                   " ;\n        lv2:name " + Quoted(name.c_str()) + "\n    ] ,\n";
        }
    return out;
}

std::string ControlPort(const IParam& param, int index)
{
    std::string out = "    [\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " +
                      std::to_string(index) + " ;\n        lv2:symbol " +
                      Quoted(LV2PortSymbol(param.GetNameForHost()).c_str()) +
                      " ;\n        lv2:name " + Quoted(param.GetNameForHost()) +
                      " ;\n        lv2:default " + Number(param.GetDefault()) +
                      " ;\n        lv2:minimum " + Number(param.GetMin()) +
                      " ;\n        lv2:maximum " + Number(param.GetMax());
    if (param.Type() != IParam::kTypeDouble)
    {
        const bool toggle = param.GetMin() == 0.0 && param.GetMax() == 1.0;
        out += " ;\n        lv2:portProperty lv2:integer , ";
        out += toggle ? "lv2:toggled" : "lv2:enumeration";
    }
    for (int i = 0; i < param.GetNDisplayTexts(); ++i)
    {
        int value = 0;
        const char* text = param.GetDisplayTextAtIdx(i, &value);
        out += std::string(i ? " ,\n" : " ;\n        lv2:scalePoint ") + "[ rdfs:label " +
               Quoted(text) + " ; rdf:value " + Number(value) + " ]";
    }
    return out + Unit(param.GetLabelForHost()) + "\n    ] ,\n";
}

// The realtime factor, which changes the latency: not a value to automate.
std::string OversamplingPort(int maxFactor, int index)
{
    std::string out = "    [\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " +
                      std::to_string(index) +
                      " ;\n        lv2:symbol \"oversampling\" ;\n"
                      "        lv2:name \"Oversampling\" ;\n        lv2:default 1 ;\n"
                      "        lv2:minimum 1 ;\n        lv2:maximum " +
                      std::to_string(maxFactor) +
                      " ;\n        lv2:portProperty lv2:integer , lv2:enumeration , "
                      "pprops:notAutomatic ;\n        lv2:scalePoint [ rdfs:label \"Off\" ; "
                      "rdf:value 1 ]";
    for (int factor = 2; OversamplingChoice::IsFactor(factor, maxFactor); factor *= 2)
        out += " ,\n            [ rdfs:label \"" + std::to_string(factor) +
               "\u00d7\" ; rdf:value " + std::to_string(factor) + " ]";
    return out + "\n    ] ,\n";
}

std::string PluginBlock(const IFxBase& plug, const std::string& uri, const char* title,
                        int nChannels)
{
    int major = 0, minor = 0, micro = 0;
    GetVersionParts(plug.GetEffectVersion(false), &major, &minor, &micro);
    std::string out = uri +
                      "\n    a lv2:Plugin , lv2:AmplifierPlugin , doap:Project ;\n    doap:name " +
                      Quoted(title) + " ;\n    doap:maintainer [ foaf:name " +
                      Quoted(plug.GetMfrName()) + " ] ;\n    lv2:minorVersion " +
                      std::to_string(minor) + " ;\n    lv2:microVersion " + std::to_string(micro) +
                      " ;\n    lv2:optionalFeature urid:map , opts:options , "
                      "bufsz:boundedBlockLength ;\n    opts:supportedOption bufsz:maxBlockLength "
                      ";\n    lv2:extensionData state:interface ;\n    ui:ui " +
                      URIs(plug, LV2UIURI) + " ;\n    lv2:port\n";
    int index = 0;
    out += AudioPorts(nChannels, &index);
    for (int i = 0; i < plug.NParams(); ++i)
        out += ControlPort(*plug.GetParam(i), index++);
    out += "    [\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " +
           std::to_string(index++) +
           " ;\n        lv2:symbol \"enabled\" ;\n        lv2:name \"Enabled\" ;\n"
           "        lv2:designation lv2:enabled ;\n        lv2:default 1 ;\n"
           "        lv2:minimum 0 ;\n        lv2:maximum 1 ;\n"
           "        lv2:portProperty lv2:integer , lv2:toggled\n    ] ,\n";
    if (plug.GetMaxOversampling() > 0)
        out += OversamplingPort(plug.GetMaxOversampling(), index++);
    out += "    [\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index " +
           std::to_string(index++) +
           " ;\n        lv2:symbol \"latency\" ;\n        lv2:name \"Latency\" ;\n"
           "        lv2:designation lv2:latency ;\n"
           "        lv2:portProperty lv2:reportsLatency , lv2:integer ;\n"
           "        units:unit units:frame\n    ]";
    for (int k = 0; plug.GetLevelMeters() && k < kLV2NumMeterPorts; ++k)
        out += " ,\n    [\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index " +
               std::to_string(index++) + " ;\n        lv2:symbol " +
               Quoted(kLV2MeterPorts[k].symbol) + " ;\n        lv2:name " +
               Quoted(kLV2MeterPorts[k].name) + " ;\n        lv2:minimum " + Number(kLevelFloorDb) +
               " ;\n        lv2:maximum " + Number(kLevelCeilingDb) +
               " ;\n        units:unit units:db\n    ]";
    return out + " .\n\n";
}

// The UI hears of the meters' output ports, which hosts report only when asked.
std::string MeterNotifications(const IFxBase& plug)
{
    std::string out;
    for (auto make : {LV2PluginURI, LV2MonoURI})
    {
        if (!plug.GetLevelMeters() || (make == LV2MonoURI && !LV2HasMonoVariant(plug)))
            continue;
        for (const LV2MeterPortInfo& port : kLV2MeterPorts)
            out += std::string(out.empty() ? " ;\n    ui:portNotification " : " ,\n        ") +
                   "[ ui:plugin " + URIs(plug, make) + " ; lv2:symbol " + Quoted(port.symbol) +
                   " ; ui:protocol ui:floatProtocol ]";
    }
    return out;
}

std::string PresetURI(const IFxBase& plug, const char* name)
{
    std::string slug;
    for (const char* p = name; *p; ++p)
        slug += std::isalnum(static_cast<unsigned char>(*p))
                    ? static_cast<char>(std::tolower(static_cast<unsigned char>(*p)))
                    : '-';
    return "<" + LV2PluginURI(plug.GetMfrName(), plug.GetEffectName()) + "#preset-" + slug + ">";
}

// The plug-in variants a preset applies to.
std::string PresetTargets(const IFxBase& plug)
{
    return URIs(plug, LV2PluginURI) +
           (LV2HasMonoVariant(plug) ? " , " + URIs(plug, LV2MonoURI) : "");
}
} // namespace

std::string LV2PortSymbol(const char* paramName)
{
    std::string symbol;
    for (const char* p = paramName; *p; ++p)
        symbol += std::isalnum(static_cast<unsigned char>(*p))
                      ? static_cast<char>(std::tolower(static_cast<unsigned char>(*p)))
                      : '_';
    if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol[0])))
        symbol.insert(0, "_");
    return symbol;
}

bool LV2HasMonoVariant(const IFxBase& plug)
{
    return plug.LegalIO(kLV2MonoChannels, kLV2MonoChannels);
}

std::string LV2ManifestTurtle(const IFxBase& plug, const LV2BundleFiles& files)
{
    std::string out = kPrefixes;
    // One statement per plug-in, as hosts scan manifests.
    const std::string tail = "\n    lv2:binary <" + files.module + "> ;\n    rdfs:seeAlso <" +
                             files.pluginData + "> .\n\n";
    out += URIs(plug, LV2PluginURI) + "\n    a lv2:Plugin ;" + tail;
    if (LV2HasMonoVariant(plug))
        out += URIs(plug, LV2MonoURI) + "\n    a lv2:Plugin ;" + tail;
    out += URIs(plug, LV2UIURI) + "\n    a ui:X11UI ;\n    ui:binary <" + files.uiModule +
           "> ;\n    rdfs:seeAlso <" + files.pluginData + "> .\n";
    for (const LV2Preset& preset : files.presets)
        out += "\n" + PresetURI(plug, preset.name.c_str()) +
               "\n    a pset:Preset ;\n    lv2:appliesTo " + PresetTargets(plug) +
               " ;\n    rdfs:seeAlso <" + files.presetData + "> .\n";
    return out;
}

std::string LV2PluginTurtle(const IFxBase& plug, const LV2BundleFiles& files)
{
    std::string out = kPrefixes;
    out += PluginBlock(plug, URIs(plug, LV2PluginURI), plug.GetEffectName(), kLV2StereoChannels);
    if (LV2HasMonoVariant(plug))
        out += PluginBlock(plug, URIs(plug, LV2MonoURI),
                           (std::string(plug.GetEffectName()) + " Mono").c_str(), kLV2MonoChannels);
    out += URIs(plug, LV2UIURI) + "\n    a ui:X11UI ;\n    ui:binary <" + files.uiModule +
           "> ;\n    lv2:requiredFeature ui:idleInterface , ui:parent ;\n"
           "    lv2:optionalFeature ui:touch , ui:resize , ui:noUserResize ;\n"
           "    lv2:extensionData ui:idleInterface" +
           MeterNotifications(plug) + " .\n";
    return out;
}

std::string LV2PresetsTurtle(const IFxBase& plug, const std::vector<LV2Preset>& presets)
{
    std::string out = kPrefixes;
    for (const LV2Preset& preset : presets)
    {
        out += PresetURI(plug, preset.name.c_str()) + "\n    a pset:Preset ;\n    lv2:appliesTo " +
               PresetTargets(plug) + " ;\n    rdfs:label " + Quoted(preset.name.c_str()) +
               " ;\n    rdfs:comment " + Quoted(preset.description.c_str()) + " ;\n    lv2:port ";
        for (int i = 0; i < plug.NParams() && i < int(preset.values.size()); ++i)
            out += std::string(i ? " ,\n        " : "") + "[ lv2:symbol " +
                   Quoted(LV2PortSymbol(plug.GetParam(i)->GetNameForHost()).c_str()) +
                   " ; pset:value " + Number(preset.values[size_t(i)]) + " ]";
        out += " .\n\n";
    }
    return out;
}
