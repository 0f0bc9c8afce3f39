#include "framework/platform/X11Layer.h"

#include "framework/platform/X11Errors.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace
{

// A surface pixel as a pixel value of visual (opaque).
unsigned long NativePixel(Visual* visual, int depth, Raster_Pixel p)
{
    auto channel = [](unsigned value, unsigned long mask) -> unsigned long
    {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        const unsigned long max = mask >> shift;
        return ((value * max + 127) / 255) << shift;
    };
    const unsigned long opaque = ~(visual->red_mask | visual->green_mask | visual->blue_mask) &
                                 (depth >= 32 ? 0xFFFFFFFFul : ((1ul << depth) - 1));
    return opaque | channel(Raster_GetR(p), visual->red_mask) |
           channel(Raster_GetG(p), visual->green_mask) | channel(Raster_GetB(p), visual->blue_mask);
}

} // namespace

void* X11NativeLayer::OpenView(void* parent, int width, int height, int intervalMs,
                               INativeViewClient* client)
{
    if (mDisplay || !client || !parent || !mLoop)
        return nullptr;
    mDisplay = XOpenDisplay(nullptr);
    if (!mDisplay)
        return nullptr;
    TrapErrorsOf(mDisplay);
    mParent = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
    XWindowAttributes pa;
    if (!XGetWindowAttributes(mDisplay, mParent, &pa) || TakeError(mDisplay) != Success)
    {
        CloseView();
        return nullptr;
    }
    mVisual = pa.visual;
    mDepth = pa.depth;
    mPanelW = width;
    mPanelH = height;
    mWindowW = std::max(width, pa.width);
    mWindowH = std::max(height, pa.height);
    mBackground = 0;
    // The host's window size is followed (through its ConfigureNotify on this connection).
    XSelectInput(mDisplay, mParent, StructureNotifyMask);
    XSetWindowAttributes wa = {};
    wa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                    KeyPressMask | StructureNotifyMask;
    wa.background_pixel = NativePixel(mVisual, mDepth, mBackground);
    wa.border_pixel = 0;
    wa.colormap = pa.colormap;
    mWindow = XCreateWindow(mDisplay, mParent, 0, 0, static_cast<unsigned>(mWindowW),
                            static_cast<unsigned>(mWindowH), 0, mDepth, InputOutput, mVisual,
                            CWEventMask | CWBackPixel | CWBorderPixel | CWColormap, &wa);
    mOffsetX = (mWindowW - mPanelW) / 2;
    mOffsetY = (mWindowH - mPanelH) / 2;
    if (mWindow)
        mGC = XCreateGC(mDisplay, mWindow, 0, nullptr);
    if (mWindow)
        XMapWindow(mDisplay, mWindow);
    mClient = client;
    if (!mWindow || TakeError(mDisplay) != Success ||
        !mLoop->AddFdHandler(ConnectionNumber(mDisplay), [this] { ProcessEvents(); }) ||
        !mLoop->AddTimer(intervalMs, [this] { OnTick(); }))
    {
        CloseView();
        return nullptr;
    }
    return GetView();
}

void X11NativeLayer::CloseView()
{
    if (mLoop)
        mLoop->RemoveAll();
    if (!mDisplay)
        return;
    if (mField && !mWindowGone)
        XDestroyWindow(mDisplay, mField);
    mField = 0;
    if (mGC)
        XFreeGC(mDisplay, mGC);
    mGC = nullptr;
    if (mWindow && !mWindowGone)
        XDestroyWindow(mDisplay, mWindow);
    mWindow = 0;
    XSync(mDisplay, False);
    ReleaseErrorsOf(mDisplay);
    XCloseDisplay(mDisplay);
    mDisplay = nullptr;
    mClient = nullptr;
    mWindowGone = false;
    mInvalid = NativeRect();
}

void X11NativeLayer::ResizeView(int width, int height)
{
    mPanelW = width;
    mPanelH = height;
    LayOut();
}

void X11NativeLayer::LayOut()
{
    if (!mWindow || mWindowGone)
        return;
    XWindowAttributes pa;
    if (!XGetWindowAttributes(mDisplay, mParent, &pa))
        return;
    const int w = std::max(mPanelW, pa.width), h = std::max(mPanelH, pa.height);
    if (w != mWindowW || h != mWindowH)
        XResizeWindow(mDisplay, mWindow, static_cast<unsigned>(w), static_cast<unsigned>(h));
    mWindowW = w;
    mWindowH = h;
    const int x = (w - mPanelW) / 2, y = (h - mPanelH) / 2;
    if (x == mOffsetX && y == mOffsetY)
        return;
    mOffsetX = x;
    mOffsetY = y;
    XClearWindow(mDisplay, mWindow);
    Invalidate({0.0, 0.0, double(mPanelW), double(mPanelH)});
}

void X11NativeLayer::MatchBackground(Raster_IBitmap* surface)
{
    const Raster_Pixel edge = Raster_GetPixel(surface, 0, 0) | 0xFF000000u;
    if (edge == mBackground)
        return;
    mBackground = edge;
    XSetWindowBackground(mDisplay, mWindow, NativePixel(mVisual, mDepth, edge));
    // (XClearArea takes a width or height of 0 as "to the window's edge".)
    auto clear = [this](int x, int y, int w, int h)
    {
        if (w > 0 && h > 0)
            XClearArea(mDisplay, mWindow, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                       False);
    };
    const int right = mOffsetX + mPanelW, bottom = mOffsetY + mPanelH;
    clear(0, 0, mWindowW, mOffsetY);
    clear(0, bottom, mWindowW, mWindowH - bottom);
    clear(0, mOffsetY, mOffsetX, mPanelH);
    clear(right, mOffsetY, mWindowW - right, mPanelH);
}

// ---- drawing

bool X11NativeLayer::Present(Raster_IBitmap* surface, const IRECT& area)
{
    if (!mWindow || mWindowGone || !surface)
        return false;
    MatchBackground(surface);
    PutBitmap(EditorTarget(mWindow), surface, area, area.L + mOffsetX, area.T + mOffsetY);
    return true;
}

void X11NativeLayer::PutBitmap(const Target& target, Raster_IBitmap* bitmap, const IRECT& area,
                               int x, int y)
{
    Visual* visual = target.visual;
    const int depth = target.depth;
    const IRECT r = area.Intersect(IRECT(0, 0, bitmap->getWidth(), bitmap->getHeight()));
    if (r.Empty() || !bitmap->getBits())
        return;
    const bool direct = depth == 24 && visual->red_mask == 0xFF0000 &&
                        visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
    if (direct)
    {
        // The surface's 0xAARRGGBB words are what a 24-bit TrueColor image holds: no copy.
        XImage* image = XCreateImage(
            mDisplay, visual, static_cast<unsigned>(depth), ZPixmap, 0,
            reinterpret_cast<char*>(bitmap->getBits()), static_cast<unsigned>(bitmap->getWidth()),
            static_cast<unsigned>(bitmap->getHeight()), 32, bitmap->getRowSpan() * 4);
        if (!image)
            return;
        image->byte_order = LSBFirst;
        XPutImage(mDisplay, target.window, target.gc, image, r.L, r.T, x + r.L - area.L,
                  y + r.T - area.T, static_cast<unsigned>(r.W()), static_cast<unsigned>(r.H()));
        image->data = nullptr;
        XDestroyImage(image);
        return;
    }
    // Any other visual: each pixel through the visual's masks, opaque.
    XImage* image =
        XCreateImage(mDisplay, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                     static_cast<unsigned>(r.W()), static_cast<unsigned>(r.H()), 32, 0);
    if (!image)
        return;
    image->data = static_cast<char*>(malloc(static_cast<size_t>(image->bytes_per_line) * r.H()));
    if (!image->data)
    {
        XDestroyImage(image);
        return;
    }
    for (int j = 0; j < r.H(); ++j)
        for (int i = 0; i < r.W(); ++i)
            XPutPixel(image, i, j,
                      NativePixel(visual, depth, Raster_GetPixel(bitmap, r.L + i, r.T + j)));
    XPutImage(mDisplay, target.window, target.gc, image, 0, 0, x + r.L - area.L, y + r.T - area.T,
              static_cast<unsigned>(r.W()), static_cast<unsigned>(r.H()));
    XDestroyImage(image);
}

std::unique_ptr<INativeLayer> MakeX11NativeLayer(std::unique_ptr<IHostRunLoop> loop)
{
    return std::make_unique<X11NativeLayer>(std::move(loop));
}
