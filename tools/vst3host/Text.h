#pragma once

#include "pluginterfaces/base/ftypes.h"

#include <string>

namespace vst3host
{

// A plug-in's UTF-16 text (names, titles, units) as UTF-8.
std::string ToUtf8(const Steinberg::char16* text);

} // namespace vst3host
