// The native layer for Linux hosts: the editor in a child window of the host's X11 window,
// on a display connection of its own, driven by the host's run loop (its descriptor and a
// repaint timer). The surface reaches the window with XPutImage; pop-up menus are override-
// redirect windows and the text-entry field a child window, both drawn with the raster layer.
// This header keeps the X11 headers to the implementation files.
#pragma once

#include "framework/platform/HostRunLoop.h"
#include "framework/platform/NativeLayer.h"

#include <memory>

// A layer for one window (make a new one for each window) inside an X11 window whose ID is the
// parent handle given to OpenView.
// OpenView fails (null) when no display can be opened, the parent does not exist or loop
// refuses the descriptor or the timer. Alerts and file panels are not offered: they answer as
// if cancelled; tooltips are not shown.
std::unique_ptr<INativeLayer> MakeX11NativeLayer(std::unique_ptr<IHostRunLoop> loop);
