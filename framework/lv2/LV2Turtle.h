// The Turtle that describes the LV2 bundle, written from the plug-in object itself: its names,
// version, channel configurations, parameter table (names, ranges, defaults, units and the texts
// of the switch positions) and meters, so that the bundle's description cannot drift from the
// code; and the presets the plug-in's own table gives.
#pragma once

#include <string>
#include <vector>

class IFxBase;

// A preset hosts list for the plug-in: every parameter's plain value, by index.
struct LV2Preset
{
    std::string name;
    std::string description;
    std::vector<double> values;
};

struct LV2BundleFiles
{
    std::string module;     // the plug-in's binary, relative to the bundle
    std::string uiModule;   // the editor's binary
    std::string pluginData; // the file of the plug-in's description
    std::string presetData; // the file of the presets
    std::vector<LV2Preset> presets;
};

// The port symbol of a parameter: its name in lower case, other characters than letters and
// digits made underscores.
std::string LV2PortSymbol(const char* paramName);

// Whether the plug-in offers the one-channel variant.
bool LV2HasMonoVariant(const IFxBase& plug);

std::string LV2ManifestTurtle(const IFxBase& plug, const LV2BundleFiles& files);
std::string LV2PluginTurtle(const IFxBase& plug, const LV2BundleFiles& files);
// The presets as pset:Preset descriptions, for the file the manifest names.
std::string LV2PresetsTurtle(const IFxBase& plug, const std::vector<LV2Preset>& presets);
