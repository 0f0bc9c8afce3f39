#pragma once

#include "Options.h"
#include "Vst3Host.h"

#include <string>
#include <vector>

namespace veltar_render
{

// A --set matched to the plug-in's parameter.
struct ResolvedSetting
{
    uint32_t id = 0;
    std::string title;
    double value = 0.0;
};

// Matches each setting to a parameter by title, ignoring case, and checks its value against the
// parameter's range and, for stepped parameters, its steps. Answers false with a message that
// names the valid titles or the valid values.
bool ResolveSettings(const std::vector<HostParameter>& parameters,
                     const std::vector<Setting>& settings, std::vector<ResolvedSetting>& resolved,
                     std::string& error);

// A value as the renderer prints it: short, no trailing zeros.
std::string FormatValue(double value);

} // namespace veltar_render
