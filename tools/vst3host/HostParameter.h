#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vst3host
{

// A parameter as the plug-in's controller publishes it, with its plain range as the controller
// converts the ends of the normalised range.
struct HostParameter
{
    uint32_t id = 0;
    std::string title;
    std::string units;
    double minimum = 0.0;
    double maximum = 1.0;
    // 0 for a continuous parameter, otherwise the number of steps between minimum and maximum.
    int32_t stepCount = 0;
    double defaultValue = 0.0;
    // For a stepped parameter, the plug-in's own text for each value from minimum up ("SRPP",
    // "in"); empty when it shows numbers.
    std::vector<std::string> valueNames;
    // The host's bypass switch, and the program chooser, which a host drives through programs.
    bool isBypass = false;
    bool isProgramChange = false;
};

} // namespace vst3host
