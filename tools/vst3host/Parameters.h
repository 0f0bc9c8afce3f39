#pragma once

#include "HostParameter.h"

#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <vector>

namespace vst3host
{

// The settable parameters the controller publishes, in its order.
std::vector<HostParameter> ReadParameters(Steinberg::Vst::IEditController& controller);

} // namespace vst3host
