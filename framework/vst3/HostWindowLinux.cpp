#include "HostWindow.h"

#include "HostRunLoopVST3.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/platform/X11NativeLayer.h"

#include "pluginterfaces/gui/iplugview.h"

const char* HostWindowPlatformType()
{
    return Steinberg::kPlatformTypeX11EmbedWindowID;
}

// A child window driven by the host's run loop, from the frame: without one the editor cannot
// run there.
void* OpenInHostWindow(IGraphicsMac* graphics, void* parent, Steinberg::IPlugFrame* frame)
{
    std::unique_ptr<IHostRunLoop> loop = MakeHostRunLoop(frame);
    if (!loop)
        return nullptr;
    return graphics->OpenWindow(parent, MakeX11NativeLayer(std::move(loop)));
}
