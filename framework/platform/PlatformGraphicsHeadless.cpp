#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"

// No window-system layer exists on this machine yet: the editor runs off screen, its bitmaps
// found in the resources folder of the plug-in's bundle.
IGraphicsMac* MakePlatformGraphics(IFxBase* plug, int width, int height, int refreshFPS,
                                   const char* bundleID)
{
    IGraphicsMac* graphics =
        new IGraphicsMac(plug, width, height, refreshFPS, std::make_unique<HeadlessNativeLayer>());
    graphics->SetBundleID(bundleID);
    return graphics;
}
