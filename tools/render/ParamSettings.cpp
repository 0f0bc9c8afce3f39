#include "ParamSettings.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

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

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value);
}

std::string NameList(const std::vector<std::string>& names)
{
    std::string list;
    for (size_t k = 0; k < names.size(); ++k)
    {
        list += (k == 0 ? "" : k + 1 == names.size() ? " or " : ", ") + names[k];
    }
    return list;
}

// A setting's value: a number in the parameter's units or one of its value names, any case.
bool ValueOf(const HostParameter& parameter, const Setting& setting, double& value,
             std::string& error)
{
    for (size_t k = 0; k < parameter.valueNames.size(); ++k)
    {
        if (SameTitle(parameter.valueNames[k], setting.text))
        {
            value = parameter.minimum + (parameter.maximum - parameter.minimum) *
                                            static_cast<double>(k) / parameter.stepCount;
            return true;
        }
    }
    if (ParseNumber(setting.text, value))
    {
        return true;
    }
    error = "--set " + parameter.title + " wants " +
            (parameter.valueNames.empty() ? std::string("a number")
                                          : NameList(parameter.valueNames) + " or a number") +
            ", not '" + setting.text + "'";
    return false;
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
        const auto match =
            std::find_if(parameters.begin(), parameters.end(),
                         [&](const HostParameter& parameter)
                         {
                             return setting.paramId >= 0
                                        ? parameter.id == static_cast<uint32_t>(setting.paramId)
                                        : SameTitle(parameter.title, setting.name);
                         });
        if (match == parameters.end() && setting.paramId >= 0)
        {
            error = "the plug-in has no parameter " + std::to_string(setting.paramId) + " for " +
                    setting.name;
            return false;
        }
        if (match == parameters.end())
        {
            error = "unknown parameter '" + setting.name +
                    "'; the parameters are: " + TitleList(parameters);
            return false;
        }
        if (match->isProgramChange)
        {
            error = match->title + " cannot be set from the command line; start from a preset "
                                   "with --preset NAME or load a program with --load-fxp FILE";
            return false;
        }
        double value = 0.0;
        if (!ValueOf(*match, setting, value, error) || !CheckValue(*match, value, error))
        {
            return false;
        }
        resolved.push_back({match->id, match->title, value});
    }
    return true;
}

std::string DescribeParameters(const std::vector<HostParameter>& parameters)
{
    std::string text;
    for (const HostParameter& parameter : parameters)
    {
        if (parameter.isProgramChange)
        {
            continue;
        }
        std::string line = "  " + parameter.title;
        line.resize(std::max<size_t>(line.size() + 1, 15), ' ');
        const std::string units = parameter.units.empty() ? "" : " " + parameter.units;
        if (!parameter.valueNames.empty())
        {
            for (size_t k = 0; k < parameter.valueNames.size(); ++k)
            {
                line += (k == 0 ? "" : ", ") + parameter.valueNames[k] + " (" +
                        FormatValue(parameter.minimum + (parameter.maximum - parameter.minimum) *
                                                            static_cast<double>(k) /
                                                            parameter.stepCount) +
                        ")";
            }
        }
        else
        {
            line +=
                FormatValue(parameter.minimum) + " to " + FormatValue(parameter.maximum) + units;
        }
        line += "; default " + FormatValue(parameter.defaultValue) +
                (parameter.valueNames.empty() ? units : "");
        text += line + "\n";
    }
    return text;
}

std::string FormatValue(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value == 0.0 ? 0.0 : value);
    return text;
}

} // namespace veltar_render
