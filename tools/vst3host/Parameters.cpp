#include "Parameters.h"

#include "Text.h"

#include <cstdlib>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{
namespace
{

// Parameters with more values than this are not switches; their values are numbers.
constexpr int32 kMaxNamedValues = 12;

bool IsNumber(const std::string& text)
{
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

// The controller's text for each value of a switch. A switch whose texts are plain numbers has no
// names; the host's bypass, whose texts a controller need not convert, is "off" and "on".
std::vector<std::string> ValueNames(IEditController& controller, const ParameterInfo& info)
{
    std::vector<std::string> names;
    if (info.stepCount <= 0 || info.stepCount > kMaxNamedValues)
    {
        return names;
    }
    for (int32 k = 0; k <= info.stepCount; ++k)
    {
        String128 text{};
        if (controller.getParamStringByValue(info.id, static_cast<double>(k) / info.stepCount,
                                             text) != kResultOk)
        {
            names.clear();
            break;
        }
        names.push_back(ToUtf8(text));
        if (IsNumber(names.back()))
        {
            names.clear();
            break;
        }
    }
    if (names.empty() && (info.flags & ParameterInfo::kIsBypass) != 0 && info.stepCount == 1)
    {
        names = {"off", "on"};
    }
    return names;
}

} // namespace

std::vector<HostParameter> ReadParameters(IEditController& controller)
{
    std::vector<HostParameter> parameters;
    for (int32 i = 0; i < controller.getParameterCount(); ++i)
    {
        ParameterInfo info{};
        if (controller.getParameterInfo(i, info) != kResultOk ||
            (info.flags & ParameterInfo::kIsReadOnly) != 0)
        {
            continue;
        }
        HostParameter parameter;
        parameter.id = info.id;
        parameter.title = ToUtf8(info.title);
        parameter.units = ToUtf8(info.units);
        parameter.minimum = controller.normalizedParamToPlain(info.id, 0.0);
        parameter.maximum = controller.normalizedParamToPlain(info.id, 1.0);
        parameter.defaultValue =
            controller.normalizedParamToPlain(info.id, info.defaultNormalizedValue);
        parameter.stepCount = info.stepCount;
        parameter.isBypass = (info.flags & ParameterInfo::kIsBypass) != 0;
        parameter.isProgramChange = (info.flags & ParameterInfo::kIsProgramChange) != 0;
        parameter.valueNames = ValueNames(controller, info);
        parameters.push_back(parameter);
    }
    return parameters;
}

} // namespace vst3host
