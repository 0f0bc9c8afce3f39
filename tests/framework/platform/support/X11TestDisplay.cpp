#include "X11TestDisplay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

static_assert(kHeldLeft == Button1Mask && kHeldRight == Button3Mask, "held masks are X11's");

namespace
{
int IgnoreError(Display*, XErrorEvent*)
{
    return 0;
}

// Around a look at a window that may have gone away: its BadWindow is an answer, not a failure.
class Quiet
{
public:
    explicit Quiet(Display* display) : mDisplay(display), mPrevious(XSetErrorHandler(IgnoreError))
    {
    }
    ~Quiet()
    {
        XSync(mDisplay, False);
        XSetErrorHandler(mPrevious);
    }

private:
    Display* mDisplay;
    XErrorHandler mPrevious;
};
} // namespace

struct X11TestDisplay::Impl
{
    Display* display = nullptr;
    Time time = 1;

    void SendButton(Window w, int type, int button, int x, int y, unsigned held)
    {
        XEvent e = {};
        e.xbutton.type = type;
        e.xbutton.display = display;
        e.xbutton.window = w;
        e.xbutton.root = DefaultRootWindow(display);
        e.xbutton.time = time += 1000; // far apart: never a double-click by accident
        e.xbutton.x = x;
        e.xbutton.y = y;
        e.xbutton.state = held;
        e.xbutton.button = static_cast<unsigned>(button);
        e.xbutton.same_screen = True;
        XSendEvent(display, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        XFlush(display);
    }
};

std::unique_ptr<X11TestDisplay> X11TestDisplay::Open()
{
    // Tests may look at the screen from a second thread; this must precede any other Xlib call.
    static const bool threads = XInitThreads() != 0;
    if (!threads)
        return nullptr;
    // A server whose last client has just gone is resetting and refuses connections for a moment
    // (Xvfb under xvfb-run does so between tests): try again for a while before giving up.
    Display* display = XOpenDisplay(nullptr);
    for (int i = 0; !display && std::getenv("DISPLAY") && i < 100; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        display = XOpenDisplay(nullptr);
    }
    if (!display)
        return nullptr;
    auto impl = std::make_unique<Impl>();
    impl->display = display;
    return std::unique_ptr<X11TestDisplay>(new X11TestDisplay(std::move(impl)));
}

X11TestDisplay::X11TestDisplay(std::unique_ptr<Impl> impl) : mImpl(std::move(impl)) {}

X11TestDisplay::~X11TestDisplay()
{
    XCloseDisplay(mImpl->display);
}

unsigned long X11TestDisplay::CreateWindow(int width, int height)
{
    Display* d = mImpl->display;
    const int screen = DefaultScreen(d);
    Window w = XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, BlackPixel(d, screen),
                                   BlackPixel(d, screen));
    XSelectInput(d, w, StructureNotifyMask);
    XMapWindow(d, w);
    XEvent e;
    do
        XWindowEvent(d, w, StructureNotifyMask, &e);
    while (e.type != MapNotify);
    return w;
}

void X11TestDisplay::DestroyWindow(unsigned long window)
{
    XDestroyWindow(mImpl->display, window);
    XSync(mImpl->display, False);
}

std::vector<unsigned long> X11TestDisplay::Children(unsigned long window)
{
    Quiet quiet(mImpl->display);
    Window root, parent, *children = nullptr;
    unsigned n = 0;
    std::vector<unsigned long> out;
    if (XQueryTree(mImpl->display, window, &root, &parent, &children, &n))
        out.assign(children, children + n);
    if (children)
        XFree(children);
    return out;
}

std::vector<unsigned long> X11TestDisplay::Popups()
{
    std::vector<unsigned long> popups;
    Quiet quiet(mImpl->display);
    for (unsigned long w : Children(DefaultRootWindow(mImpl->display)))
    {
        XWindowAttributes a;
        if (XGetWindowAttributes(mImpl->display, w, &a) && a.override_redirect &&
            a.map_state == IsViewable)
            popups.push_back(w);
    }
    return popups;
}

void X11TestDisplay::Press(unsigned long window, int button, int x, int y, unsigned held)
{
    mImpl->SendButton(window, ButtonPress, button, x, y, held);
}

void X11TestDisplay::Release(unsigned long window, int button, int x, int y, unsigned held)
{
    mImpl->SendButton(window, ButtonRelease, button, x, y, held);
}

void X11TestDisplay::DoubleClick(unsigned long window, int button, int x, int y)
{
    for (int i = 0; i < 2; ++i)
    {
        mImpl->SendButton(window, ButtonPress, button, x, y, 0);
        mImpl->time -= 950; // the next event 50 ms later
        mImpl->SendButton(window, ButtonRelease, button, x, y, 0);
        mImpl->time -= 950;
    }
}

void X11TestDisplay::Motion(unsigned long window, int x, int y, unsigned held)
{
    XEvent e = {};
    e.xmotion.type = MotionNotify;
    e.xmotion.display = mImpl->display;
    e.xmotion.window = window;
    e.xmotion.root = DefaultRootWindow(mImpl->display);
    e.xmotion.time = mImpl->time += 10;
    e.xmotion.x = x;
    e.xmotion.y = y;
    e.xmotion.state = held;
    e.xmotion.same_screen = True;
    XSendEvent(mImpl->display, window, True, PointerMotionMask, &e);
    XFlush(mImpl->display);
}

void X11TestDisplay::Key(unsigned long window, const char* keysymName, bool shift)
{
    Display* d = mImpl->display;
    XEvent e = {};
    e.xkey.type = KeyPress;
    e.xkey.display = d;
    e.xkey.window = window;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.time = mImpl->time += 10;
    e.xkey.state = shift ? ShiftMask : 0;
    e.xkey.keycode = XKeysymToKeycode(d, XStringToKeysym(keysymName));
    e.xkey.same_screen = True;
    XSendEvent(d, window, True, KeyPressMask, &e);
    XFlush(d);
}

void X11TestDisplay::Sync()
{
    XSync(mImpl->display, False);
}

bool X11TestDisplay::Exists(unsigned long window)
{
    Quiet quiet(mImpl->display);
    XWindowAttributes a;
    return XGetWindowAttributes(mImpl->display, window, &a) != 0;
}

void X11TestDisplay::ResizeWindow(unsigned long window, int width, int height)
{
    XResizeWindow(mImpl->display, window, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
    XSync(mImpl->display, False);
}

std::pair<int, int> X11TestDisplay::Size(unsigned long window)
{
    Quiet quiet(mImpl->display);
    XWindowAttributes a;
    if (!XGetWindowAttributes(mImpl->display, window, &a))
        return {0, 0};
    return {a.width, a.height};
}

std::unique_ptr<Raster_IBitmap> X11TestDisplay::Capture(unsigned long window)
{
    Quiet quiet(mImpl->display);
    XWindowAttributes a;
    if (!XGetWindowAttributes(mImpl->display, window, &a))
        return nullptr;
    // Only what is on the screen can be read.
    int rootX = 0, rootY = 0;
    Window child;
    XTranslateCoordinates(mImpl->display, window, a.root, 0, 0, &rootX, &rootY, &child);
    a.width = std::min(a.width, WidthOfScreen(a.screen) - rootX);
    a.height = std::min(a.height, HeightOfScreen(a.screen) - rootY);
    if (a.width <= 0 || a.height <= 0)
        return nullptr;
    XImage* image = XGetImage(mImpl->display, window, 0, 0, static_cast<unsigned>(a.width),
                              static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!image)
        return nullptr;
    auto bitmap = std::make_unique<Raster_SysBitmap>(a.width, a.height);
    const auto channel = [](unsigned long pixel, unsigned long mask) -> unsigned
    {
        if (!mask)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        return static_cast<unsigned>(((pixel & mask) >> shift) * 255 / (mask >> shift));
    };
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
        {
            const unsigned long p = XGetPixel(image, x, y);
            const Raster_Pixel px = 0xFF000000u | channel(p, a.visual->red_mask) << 16 |
                                    channel(p, a.visual->green_mask) << 8 |
                                    channel(p, a.visual->blue_mask);
            bitmap->getBits()[y * bitmap->getRowSpan() + x] = px;
        }
    XDestroyImage(image);
    return bitmap;
}
