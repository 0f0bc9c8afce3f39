// The Turtle that describes the LV2 bundle, written from the plug-in object itself: its names,
// version, channel configurations and parameter table (names, ranges, defaults, units and the
// texts of the switch positions), so that the bundle's description cannot drift from the code.
#pragma once

#include <string>

class IFxBase;

struct LV2BundleFiles
{
    std::string module;     // the plug-in's binary, relative to the bundle
    std::string uiModule;   // the editor's binary
    std::string pluginData; // the file of the plug-in's description
};

// The port symbol of a parameter: its name in lower case, other characters than letters and
// digits made underscores.
std::string LV2PortSymbol(const char* paramName);

// Whether the plug-in offers the one-channel variant.
bool LV2HasMonoVariant(const IFxBase& plug);

std::string LV2ManifestTurtle(const IFxBase& plug, const LV2BundleFiles& files);
std::string LV2PluginTurtle(const IFxBase& plug, const LV2BundleFiles& files);
