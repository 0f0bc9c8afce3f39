// The host windows of this platform that the editor view opens in: one implementation per
// platform (HostWindowLinux.cpp: an X11 window, driven by the host's run loop;
// HostWindowWindows.cpp: an HWND, with a timer of the editor's own).
#pragma once

namespace Steinberg
{
class IPlugFrame;
}
class IGraphicsMac;

// The VST 3 platform type of those windows.
const char* HostWindowPlatformType();
// Opens graphics inside the host's window parent, with what the frame offers; the editor's
// window, or null when it cannot be opened there.
void* OpenInHostWindow(IGraphicsMac* graphics, void* parent, Steinberg::IPlugFrame* frame);
