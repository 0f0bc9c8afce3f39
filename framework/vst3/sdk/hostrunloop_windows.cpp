// Windows hosts have no run loop to offer: editor windows get their messages through the host's
// message loop.
#include "pluginfactory.h"

Steinberg::FUnknown* queryHostRunLoop(Steinberg::FUnknown*)
{
    return nullptr;
}
