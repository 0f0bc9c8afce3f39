#include "HostWindow.h"

#include "framework/platform/IGraphicsMac.h"
#include "framework/platform/Win32NativeLayer.h"

#include "pluginterfaces/gui/iplugview.h"

const char* HostWindowPlatformType()
{
    return Steinberg::kPlatformTypeHWND;
}

// Windows hosts offer no run loop: the window's messages come through the host's own message
// loop, and the window keeps a timer of its own.
void* OpenInHostWindow(IGraphicsMac* graphics, void* parent, Steinberg::IPlugFrame*)
{
    return graphics->OpenWindow(parent, MakeWin32NativeLayer());
}
