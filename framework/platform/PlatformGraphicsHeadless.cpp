#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"

#include <mutex>
#include <string>

namespace
{
std::mutex gResourceRootMutex;
std::string gResourceRoot;
} // namespace

void SetPlatformResourceRoot(const char* root)
{
    std::lock_guard<std::mutex> lock(gResourceRootMutex);
    gResourceRoot = root ? root : "";
}

// The editor starts on the headless layer and draws off screen until a host opens it in a window,
// when the host adapter hands OpenWindow a layer for that window's system (X11 on Linux). Its
// bitmaps are found in the resources folder of the plug-in's bundle unless a root was given.
IGraphicsMac* MakePlatformGraphics(IFxBase* plug, int width, int height, int refreshFPS,
                                   const char* bundleID)
{
    std::unique_ptr<HeadlessNativeLayer> native;
    {
        std::lock_guard<std::mutex> lock(gResourceRootMutex);
        native = std::make_unique<HeadlessNativeLayer>(
            gResourceRoot.empty() ? nullptr : gResourceRoot.c_str());
    }
    IGraphicsMac* graphics = new IGraphicsMac(plug, width, height, refreshFPS, std::move(native));
    graphics->SetBundleID(bundleID);
    return graphics;
}
