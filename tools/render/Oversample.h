#pragma once

#include "Vst3Host.h"

#include <string>

namespace veltar_render
{

// Has the hosted plug-in run at factor times the host rate, as a host restoring a project in which
// that was chosen: its own saved state with the oversampling section after it. Factor 1 leaves it
// as it is. False with a reason when the plug-in does not take the factor.
bool SetOversampling(vst3host::Vst3Host& host, int factor, std::string& error);

} // namespace veltar_render
