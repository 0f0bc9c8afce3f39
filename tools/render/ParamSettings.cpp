#include "ParamSettings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace veltar_render
{
namespace
{

// Values within this share of a parameter's span count as on its ends or steps, so that a
// range computed through the plug-in's normalisation accepts the numbers a user types.
constexpr double kTolerance = 1e-9;
// Stepped parameters with at most this many values list them all in messages.
constexpr int32_t kMaxListedSteps = 12;

bool SameTitle(const std::string& a, const std::string& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y)
                      {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}

std::string TitleList(const std::vector<HostParameter>& parameters)
{
    std::string list;
    for (const HostParameter& parameter : parameters)
    {
        list += (list.empty() ? "" : ", ") + parameter.title;
    }
    return list;
}

std::string StepList(double low, double step, int32_t stepCount)
{
    std::string list;
    for (int32_t k = 0; k <= stepCount; ++k)
    {
        list += (k == 0 ? "" : ", ") + FormatValue(low + step * k);
    }
    return list;
}

bool CheckValue(const HostParameter& parameter, double value, std::string& error)
{
    const double low = std::min(parameter.minimum, parameter.maximum);
    const double high = std::max(parameter.minimum, parameter.maximum);
    const double slack = (high - low) * kTolerance;
    const std::string said = parameter.title + "=" + FormatValue(value);
    if (value < low - slack || value > high + slack)
    {
        error = said + " is out of range: " + parameter.title + " takes " + FormatValue(low) +
                " to " + FormatValue(high);
        return false;
    }
    if (parameter.stepCount <= 0 || high <= low)
    {
        return true;
    }
    const double step = (high - low) / parameter.stepCount;
    const double steps = (value - low) / step;
    if (std::fabs(steps - std::round(steps)) * step > slack)
    {
        error = said + " is not one of its values: " + parameter.title + " takes " +
                (parameter.stepCount <= kMaxListedSteps
                     ? StepList(low, step, parameter.stepCount)
                     : FormatValue(low) + " to " + FormatValue(high) + " in steps of " +
                           FormatValue(step));
        return false;
    }
    return true;
}

} // namespace

bool ResolveSettings(const std::vector<HostParameter>& parameters,
                     const std::vector<Setting>& settings, std::vector<ResolvedSetting>& resolved,
                     std::string& error)
{
    resolved.clear();
    for (const Setting& setting : settings)
    {
        const auto match = std::find_if(parameters.begin(), parameters.end(),
                                        [&](const HostParameter& parameter)
                                        { return SameTitle(parameter.title, setting.name); });
        if (match == parameters.end())
        {
            error = "unknown parameter '" + setting.name +
                    "'; the parameters are: " + TitleList(parameters);
            return false;
        }
        if (!CheckValue(*match, setting.value, error))
        {
            return false;
        }
        resolved.push_back({match->id, match->title, setting.value});
    }
    return true;
}

std::string FormatValue(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value == 0.0 ? 0.0 : value);
    return text;
}

} // namespace veltar_render
