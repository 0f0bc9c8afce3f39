// The plug-in's factory presets: named starting points, each a value for every parameter. Hosts'
// preset browsers, the editor's menu and the renderer all offer this one table.
#pragma once

#include "plugin/VELTARParams.h"

struct FactoryPreset
{
    const char* name;
    const char* description;   // one line
    double values[kNumParams]; // plain values, by parameter index
};

extern const FactoryPreset kFactoryPresets[];
extern const int kNumFactoryPresets;

// The preset of that name, ignoring case; '-' and '_' stand for a space, so that a name can be
// typed on a command line unquoted. Null for none.
const FactoryPreset* FindFactoryPreset(const char* name);
