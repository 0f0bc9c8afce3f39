#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"

#include <mutex>
#include <string>

namespace
{
std::mutex sResourceRootMutex;
std::string sResourceRoot;
} // namespace

void SetPlatformResourceRoot(const char* root)
{
    std::lock_guard<std::mutex> lock(sResourceRootMutex);
    sResourceRoot = root ? root : "";
}

// No window-system layer exists on this machine yet: the editor runs off screen, its bitmaps
// found in the resources folder of the plug-in's bundle unless a root was given.
IGraphicsMac* MakePlatformGraphics(IFxBase* plug, int width, int height, int refreshFPS,
                                   const char* bundleID)
{
    std::unique_ptr<HeadlessNativeLayer> native;
    {
        std::lock_guard<std::mutex> lock(sResourceRootMutex);
        native = std::make_unique<HeadlessNativeLayer>(
            sResourceRoot.empty() ? nullptr : sResourceRoot.c_str());
    }
    IGraphicsMac* graphics = new IGraphicsMac(plug, width, height, refreshFPS, std::move(native));
    graphics->SetBundleID(bundleID);
    return graphics;
}
