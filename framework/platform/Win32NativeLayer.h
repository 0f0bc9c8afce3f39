// The native layer for Windows hosts: the editor in a child window of the host's window (the
// HWND a VST 3 host hands the view), with a timer of its own on that window. Its messages come
// through the host's message loop on the user-interface thread. The surface reaches the window
// with SetDIBitsToDevice; pop-up menus are native menus, with their submenus and ticks; the
// text-entry field is a native edit control. This header keeps windows.h to the implementation.
#pragma once

#include "framework/platform/NativeLayer.h"

#include <memory>

// A layer for one window (make a new one for each window) inside the window whose HWND is the
// parent handle given to OpenView. OpenView fails (null) when the parent is no window or the
// child window or its timer cannot be made. Tooltips are not shown; alerts are message boxes;
// file panels are not offered (they answer as if cancelled).
std::unique_ptr<INativeLayer> MakeWin32NativeLayer();
