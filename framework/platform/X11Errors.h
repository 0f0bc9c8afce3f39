// Xlib reports errors through one process-wide handler, whose default ends the process. Ours
// records errors on our own connections (a host that destroys its window under us makes every
// later request on our child window a BadWindow) and passes every other error on to the handler
// that was there before, so the host's own error handling is unchanged.
#pragma once

#include <X11/Xlib.h>

// Errors on display are recorded from now on, until ReleaseErrorsOf(display).
void TrapErrorsOf(Display* display);
void ReleaseErrorsOf(Display* display);
// The last error on display since the previous call (Success when none), after a round trip.
int TakeError(Display* display);
