#pragma once

#include "HostParameter.h"
#include "Options.h"

#include <string>
#include <vector>

namespace veltar_render
{

using vst3host::HostParameter;

// A --set matched to the plug-in's parameter.
struct ResolvedSetting
{
    uint32_t id = 0;
    std::string title;
    double value = 0.0;
};

// Matches each setting to a parameter by title, ignoring case (or by ID), takes its value as a
// number or as one of the parameter's value names, and checks it against the parameter's range and,
// for stepped parameters, its steps. The program chooser is refused: a program comes with
// --load-fxp. Answers false with a message that names the valid titles or the valid values.
bool ResolveSettings(const std::vector<HostParameter>& parameters,
                     const std::vector<Setting>& settings, std::vector<ResolvedSetting>& resolved,
                     std::string& error);

// One line a parameter for the help text: its range and units, or its value names with their
// numbers, and its default.
std::string DescribeParameters(const std::vector<HostParameter>& parameters);

// A value as the renderer prints it: short, no trailing zeros.
std::string FormatValue(double value);

} // namespace veltar_render
