#pragma once

#include "framework/platform/HostRunLoop.h"

#include <memory>

namespace Steinberg
{
class IPlugFrame;
}

// The host loop of a Linux VST 3 host: the Steinberg::Linux::IRunLoop that its editor frame
// offers. Null when there is no frame or the frame has no run loop.
std::unique_ptr<IHostRunLoop> MakeHostRunLoop(Steinberg::IPlugFrame* frame);
