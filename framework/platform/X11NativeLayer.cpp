#include "framework/platform/X11NativeLayer.h"

#include "framework/graphics/IGraphics.h"
#include "framework/graphics/IPopupMenu.h"
#include "framework/platform/Bundle.h"
#include "raster/Raster.h"
#include "raster/RasterFont.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace
{

// ---- X errors
// Xlib reports errors through one process-wide handler, whose default ends the process. Ours
// records errors on our own connections (a host that destroys its window under us makes every
// later request on our child window a BadWindow) and passes every other error on to the handler
// that was there before, so the host's own error handling is unchanged.
struct ErrorTrap
{
    std::mutex mutex;
    int users = 0;
    XErrorHandler previous = nullptr;
    std::vector<std::pair<Display*, int>> displays; // connection, last error code
};

ErrorTrap& Trap()
{
    static ErrorTrap trap;
    return trap;
}

int OnXError(Display* display, XErrorEvent* error)
{
    XErrorHandler previous;
    {
        ErrorTrap& trap = Trap();
        std::lock_guard<std::mutex> lock(trap.mutex);
        for (auto& d : trap.displays)
            if (d.first == display)
            {
                d.second = error->error_code;
                return 0;
            }
        previous = trap.previous;
    }
    return previous ? previous(display, error) : 0;
}

void TrapErrorsOf(Display* display)
{
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    trap.displays.push_back({display, Success});
    if (trap.users++ == 0)
        trap.previous = XSetErrorHandler(OnXError);
}

void ReleaseErrorsOf(Display* display)
{
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    trap.displays.erase(std::remove_if(trap.displays.begin(), trap.displays.end(),
                                       [display](const auto& d) { return d.first == display; }),
                        trap.displays.end());
    if (--trap.users > 0)
        return;
    // Someone who set a handler after ours keeps theirs.
    const XErrorHandler current = XSetErrorHandler(trap.previous);
    if (current != OnXError)
        XSetErrorHandler(current);
    trap.previous = nullptr;
}

// The last error on display since the previous call (Success when none), after a round trip.
int TakeError(Display* display)
{
    XSync(display, False);
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    for (auto& d : trap.displays)
        if (d.first == display)
            return std::exchange(d.second, Success);
    return Success;
}

// ---- events
unsigned ModifiersOf(unsigned state)
{
    return (state & ShiftMask ? kNativeShift : 0u) | (state & ControlMask ? kNativeControl : 0u) |
           (state & Mod1Mask ? kNativeAlt : 0u) | (state & Mod4Mask ? kNativeCommand : 0u);
}

int NativeKeyCodeOf(KeySym sym)
{
    switch (sym)
    {
    case XK_space:
        return kNativeKeySpace;
    case XK_Up:
    case XK_KP_Up:
        return kNativeKeyUp;
    case XK_Down:
    case XK_KP_Down:
        return kNativeKeyDown;
    case XK_Left:
    case XK_KP_Left:
        return kNativeKeyLeft;
    case XK_Right:
    case XK_KP_Right:
        return kNativeKeyRight;
    default:
        return kNativeKeyNone;
    }
}

// The characters a key types, ignoring control and alt (shift still chooses the case).
std::string CharsOf(XKeyEvent key, KeySym* sym)
{
    key.state &= ~static_cast<unsigned>(ControlMask | Mod1Mask | Mod4Mask);
    char buf[16];
    const int n = XLookupString(&key, buf, sizeof(buf) - 1, sym, nullptr);
    return std::string(buf, static_cast<size_t>(std::max(n, 0)));
}

// Two presses of a button this close in time (ms) and place (pixels) make a double-click.
constexpr Time kDoubleClickMs = 400;
constexpr int kDoubleClickSlop = 4;

// A surface pixel as a pixel value of visual (opaque).
unsigned long NativePixel(Visual* visual, int depth, Raster_pixel p)
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
    return opaque | channel(Raster_GETR(p), visual->red_mask) |
           channel(Raster_GETG(p), visual->green_mask) | channel(Raster_GETB(p), visual->blue_mask);
}

// ---- pop-up menus
constexpr int kMenuItemH = 20;
constexpr int kMenuSeparatorH = 7;
constexpr int kMenuTextX = 22;
constexpr Raster_pixel kMenuBack = 0xFFEEEEEE;
constexpr Raster_pixel kMenuHover = 0xFF3366CC;
constexpr Raster_pixel kMenuText = 0xFF000000;
constexpr Raster_pixel kMenuHoverText = 0xFFFFFFFF;
constexpr Raster_pixel kMenuDisabledText = 0xFF999999;

IText MenuTextStyle()
{
    IText style;
    style.mSize = 13;
    style.mAlign = IText::kAlignNear;
    return style;
}

class X11NativeLayer final : public INativeLayer
{
public:
    explicit X11NativeLayer(std::unique_ptr<IHostRunLoop> loop) : mLoop(std::move(loop))
    {
        if (BundleRef* bundle =
                BundleRef::CreateForAddress(reinterpret_cast<const void*>(&MakeX11NativeLayer)))
        {
            mResourceRoot = bundle->GetResourcesPath();
            bundle->Release();
        }
    }
    ~X11NativeLayer() override { CloseView(); }

    const char* GetName() const override { return "X11"; }
    bool IsFlipped() const override { return true; }
    std::string FindResource(const char*, const char* name) override
    {
        return FindBundleResource(mResourceRoot, name);
    }

    void* OpenView(void* parent, int width, int height, int intervalMs,
                   INativeViewClient* client) override;
    void CloseView() override;
    void* GetView() const override
    {
        return mWindow ? reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)) : nullptr;
    }
    void ResizeView(int width, int height) override;
    void Invalidate(const NativeRect& area) override { mInvalid = mInvalid.Union(area); }
    bool Present(Raster_IBitmap* surface, const IRECT& area) override;
    IPopupMenu* ShowMenu(IPopupMenu* menu, const NativeRect& area) override;
    bool OpenTextEntry(const NativeTextEntry& entry) override;
    void CloseTextEntry() override;
    bool IsTextEntryOpen() const override { return mField != 0; }
    void SetTooltipAreas(const std::vector<NativeRect>&) override {}
    int RunAlert(const char*, const char*, const std::vector<std::string>&) override { return -1; }
    std::string RunFilePanel(const NativeFilePanel&) override { return ""; }

private:
    // Where PutBitmap draws: a window with the visual and depth its pixels need.
    struct Target
    {
        Window window;
        GC gc;
        Visual* visual;
        int depth;
    };
    struct MenuLayout
    {
        std::vector<int> tops; // per item, plus the bottom as the last entry
        int width = 0;
    };

    void ProcessEvents();
    // Sizes the window to the host's window (at least the panel's size) and centres the panel
    // in it; the rest of the window shows the window's background.
    void LayOut();
    // The window's background becomes the colour at the panel's edge, so that what lies beside
    // the panel, and anything the window system uncovers before a repaint, matches it.
    void MatchBackground(Raster_IBitmap* surface);
    void OnTick();
    void PaintPending();
    void Dispatch(XEvent& e);
    // The part of an exposed window area that the panel covers, to be repainted.
    void InvalidateWindowArea(const XExposeEvent& e);
    void OnButton(const XButtonEvent& b, bool press);
    void OnKey(XKeyEvent& key);
    void OnFieldKey(XKeyEvent& key);
    void CommitTextEntry();
    void DrawField();
    Target EditorTarget(Window window) const { return {window, mGC, mVisual, mDepth}; }
    // Copies area of bitmap to (x, y) of the target window.
    void PutBitmap(const Target& target, Raster_IBitmap* bitmap, const IRECT& area, int x, int y);
    IPopupMenu* RunMenu(IPopupMenu* menu, int x, int y);
    MenuLayout LayOutMenu(IPopupMenu* menu);
    void DrawMenu(IPopupMenu* menu, const MenuLayout& layout, int hover, Raster_IBitmap* bitmap);

    std::unique_ptr<IHostRunLoop> mLoop;
    std::string mResourceRoot;
    INativeViewClient* mClient = nullptr;
    Display* mDisplay = nullptr;
    Window mParent = 0;
    Window mWindow = 0;
    // The host destroyed the window (and so ours inside it).
    bool mWindowGone = false;
    Visual* mVisual = nullptr;
    int mDepth = 0;
    GC mGC = nullptr;
    // The panel (the editor's surface) and where it lies in the window.
    int mPanelW = 0, mPanelH = 0;
    int mWindowW = 0, mWindowH = 0;
    int mOffsetX = 0, mOffsetY = 0;
    Raster_pixel mBackground = 0;
    NativeRect mInvalid;
    Time mLastPressTime = 0;
    unsigned mLastPressButton = 0;
    int mLastPressX = 0, mLastPressY = 0, mClickCount = 0;

    Window mField = 0;
    NativeTextEntry mEntry;
    // The field's text is still the one it opened with, shown as selected: the first key
    // replaces it.
    bool mFieldFresh = false;
};

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
    const Raster_pixel edge = Raster_GetPixel(surface, 0, 0) | 0xFF000000u;
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

void X11NativeLayer::ProcessEvents()
{
    while (mDisplay && XPending(mDisplay))
    {
        XEvent e;
        XNextEvent(mDisplay, &e);
        Dispatch(e);
    }
    PaintPending();
}

void X11NativeLayer::OnTick()
{
    if (!mClient)
        return;
    mClient->OnViewTimer();
    PaintPending();
}

void X11NativeLayer::PaintPending()
{
    if (!mClient || mInvalid.Empty())
        return;
    const NativeRect area = mInvalid;
    mInvalid = NativeRect();
    mClient->OnViewPaint(area);
    if (mDisplay)
        XFlush(mDisplay);
}

void X11NativeLayer::Dispatch(XEvent& e)
{
    switch (e.type)
    {
    case Expose:
        if (e.xexpose.window == mWindow)
            InvalidateWindowArea(e.xexpose);
        else if (e.xexpose.window == mField && e.xexpose.count == 0)
            DrawField();
        break;
    case ButtonPress:
    case ButtonRelease:
        if (e.xbutton.window == mWindow)
            OnButton(e.xbutton, e.type == ButtonPress);
        break;
    case MotionNotify:
        if (e.xmotion.window == mWindow)
        {
            // Only the newest position of a burst matters.
            while (XCheckTypedWindowEvent(mDisplay, mWindow, MotionNotify, &e))
            {
            }
            const unsigned state = e.xmotion.state;
            const bool drag = state & (Button1Mask | Button3Mask);
            mClient->OnViewMouse(drag ? ENativeMouse::kDrag : ENativeMouse::kMove,
                                 drag && !(state & Button1Mask), e.xmotion.x - mOffsetX,
                                 e.xmotion.y - mOffsetY, ModifiersOf(state), 1);
        }
        break;
    case KeyPress:
        if (e.xkey.window == mWindow || e.xkey.window == mField)
            OnKey(e.xkey);
        break;
    case ConfigureNotify:
        if (e.xconfigure.window == mParent)
            LayOut();
        break;
    case DestroyNotify:
        if (e.xdestroywindow.window == mWindow)
        {
            // The host tore its window down: the editor closes as if the view were removed.
            mWindowGone = true;
            mClient->OnViewDetached();
        }
        break;
    default:
        break;
    }
}

void X11NativeLayer::InvalidateWindowArea(const XExposeEvent& e)
{
    const double l = std::max(0, e.x - mOffsetX), t = std::max(0, e.y - mOffsetY);
    const double r = std::min(mPanelW, e.x + e.width - mOffsetX);
    const double b = std::min(mPanelH, e.y + e.height - mOffsetY);
    if (r > l && b > t)
        Invalidate({l, t, r - l, b - t});
}

void X11NativeLayer::OnButton(const XButtonEvent& event, bool press)
{
    // Positions on the panel.
    XButtonEvent b = event;
    b.x -= mOffsetX;
    b.y -= mOffsetY;
    const unsigned mods = ModifiersOf(b.state);
    if (b.button == Button4 || b.button == Button5)
    {
        if (press)
            mClient->OnViewWheel(b.x, b.y, mods, b.button == Button4 ? 1.0 : -1.0);
        return;
    }
    if (b.button != Button1 && b.button != Button3)
        return;
    const bool right = b.button == Button3;
    if (!press)
    {
        if (mClient)
            mClient->OnViewMouse(ENativeMouse::kUp, right, b.x, b.y, mods, mClickCount);
        return;
    }
    // A click outside the field ends the entry, as leaving a text field does.
    if (mField)
        CommitTextEntry();
    if (!mClient)
        return;
    const bool again = b.button == mLastPressButton && b.time - mLastPressTime <= kDoubleClickMs &&
                       std::abs(b.x - mLastPressX) <= kDoubleClickSlop &&
                       std::abs(b.y - mLastPressY) <= kDoubleClickSlop;
    mClickCount = again ? mClickCount + 1 : 1;
    mLastPressButton = b.button;
    mLastPressTime = b.time;
    mLastPressX = b.x;
    mLastPressY = b.y;
    XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
    mClient->OnViewMouse(ENativeMouse::kDown, right, b.x, b.y, mods, mClickCount);
}

void X11NativeLayer::OnKey(XKeyEvent& key)
{
    if (mField)
    {
        OnFieldKey(key);
        return;
    }
    KeySym sym = NoSymbol;
    const std::string chars = CharsOf(key, &sym);
    // The editor may have closed itself over the key.
    if (mClient->OnViewKey(NativeKeyCodeOf(sym), chars.c_str()) != EKeyResult::kPassedOn ||
        !mDisplay)
        return;
    // The host's window gets what the editor does not use (its shortcuts keep working).
    XEvent forward;
    forward.xkey = key;
    forward.xkey.window = mParent;
    forward.xkey.subwindow = None;
    XSendEvent(mDisplay, mParent, True, KeyPressMask, &forward);
}

// ---- text entry

bool X11NativeLayer::OpenTextEntry(const NativeTextEntry& entry)
{
    if (!mWindow || mWindowGone || mField || entry.mArea.Empty())
        return false;
    mEntry = entry;
    mFieldFresh = true;
    XSetWindowAttributes wa = {};
    wa.event_mask = ExposureMask | KeyPressMask;
    wa.background_pixmap = None;
    mField =
        XCreateWindow(mDisplay, mWindow, static_cast<int>(entry.mArea.x) + mOffsetX,
                      static_cast<int>(entry.mArea.y) + mOffsetY,
                      static_cast<unsigned>(entry.mArea.w), static_cast<unsigned>(entry.mArea.h), 0,
                      CopyFromParent, InputOutput, CopyFromParent, CWEventMask | CWBackPixmap, &wa);
    if (!mField)
        return false;
    XMapRaised(mDisplay, mField);
    XSetInputFocus(mDisplay, mField, RevertToParent, CurrentTime);
    DrawField();
    return true;
}

void X11NativeLayer::CloseTextEntry()
{
    if (!mField)
        return;
    if (!mWindowGone)
        XDestroyWindow(mDisplay, mField);
    mField = 0;
    if (!mWindowGone)
        XSetInputFocus(mDisplay, mWindow, RevertToParent, CurrentTime);
}

void X11NativeLayer::CommitTextEntry()
{
    const std::string text = mEntry.mText;
    CloseTextEntry();
    mClient->OnTextEntryEnded(text.c_str());
}

void X11NativeLayer::OnFieldKey(XKeyEvent& key)
{
    KeySym sym = NoSymbol;
    const std::string chars = CharsOf(key, &sym);
    switch (sym)
    {
    case XK_Return:
    case XK_KP_Enter:
    case XK_Tab:
        CommitTextEntry();
        return;
    case XK_Escape:
        CloseTextEntry();
        return;
    case XK_BackSpace:
        if (std::exchange(mFieldFresh, false))
            mEntry.mText.clear();
        while (!mEntry.mText.empty() && (mEntry.mText.back() & 0xC0) == 0x80)
            mEntry.mText.pop_back();
        if (!mEntry.mText.empty())
            mEntry.mText.pop_back();
        break;
    default:
    {
        if (chars.empty() || static_cast<unsigned char>(chars[0]) < 0x20 || chars[0] == 0x7f)
            return;
        const std::string proposed = (mFieldFresh ? std::string() : mEntry.mText) + chars;
        if (!TextFilterAccepts(mEntry.mFilter, proposed))
            return;
        mEntry.mText = proposed;
        mFieldFresh = false;
        break;
    }
    }
    DrawField();
}

void X11NativeLayer::DrawField()
{
    if (!mField)
        return;
    const int w = static_cast<int>(mEntry.mArea.w), h = static_cast<int>(mEntry.mArea.h);
    Raster_SysBitmap bitmap(w, h);
    IColor back = mEntry.mStyle.mTextEntryBGColor;
    back.A = 255;
    Raster_Clear(&bitmap, back.Pack());
    IText style = mEntry.mStyle;
    style.mSize = static_cast<int>(mEntry.mFontSize);
    style.mCached = nullptr;
    if (Raster_CachedFont* font = IGraphics::CacheFont(&style))
    {
        font->SetTextColor(mEntry.mStyle.mTextEntryFGColor.Pack());
        RECT r = {2, 0, w - 2, h};
        const unsigned align = style.mAlign == IText::kAlignCenter ? DT_CENTER
                               : style.mAlign == IText::kAlignFar  ? DT_RIGHT
                                                                   : DT_LEFT;
        font->DrawText(&bitmap, mEntry.mText.c_str(), -1, &r, align | DT_VCENTER | DT_SINGLELINE);
    }
    PutBitmap(EditorTarget(mField), &bitmap, IRECT(0, 0, w, h), 0, 0);
    XFlush(mDisplay);
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

// ---- pop-up menus

IPopupMenu* X11NativeLayer::ShowMenu(IPopupMenu* menu, const NativeRect& area)
{
    if (!mWindow || mWindowGone || !menu || menu->GetNItems() <= 0)
        return nullptr;
    int rootX = 0, rootY = 0;
    Window child;
    XTranslateCoordinates(mDisplay, mWindow, DefaultRootWindow(mDisplay),
                          static_cast<int>(area.x) + mOffsetX,
                          static_cast<int>(area.y) + mOffsetY + 4, &rootX, &rootY, &child);
    IPopupMenu* chosen = RunMenu(menu, rootX, rootY);
    XFlush(mDisplay);
    if (mWindowGone && mClient)
        mClient->OnViewDetached();
    return chosen;
}

X11NativeLayer::MenuLayout X11NativeLayer::LayOutMenu(IPopupMenu* menu)
{
    MenuLayout layout;
    IText style = MenuTextStyle();
    Raster_CachedFont* font = IGraphics::CacheFont(&style);
    int y = 2, textW = 60;
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
        layout.tops.push_back(y);
        const IPopupMenuItem* item = menu->GetItem(i);
        if (item->GetIsSeparator())
        {
            y += kMenuSeparatorH;
            continue;
        }
        y += kMenuItemH;
        RECT r = {0, 0, 0, 0};
        if (font)
            font->DrawText(nullptr, menu->GetDisplayText(i).Get(), -1, &r, DT_CALCRECT);
        textW = std::max(textW, static_cast<int>(r.right - r.left) + (item->GetIsTitle() ? 12 : 0));
    }
    layout.tops.push_back(y);
    layout.width = kMenuTextX + textW + 24;
    return layout;
}

void X11NativeLayer::DrawMenu(IPopupMenu* menu, const MenuLayout& layout, int hover,
                              Raster_IBitmap* bitmap)
{
    Raster_Clear(bitmap, kMenuBack);
    IText style = MenuTextStyle();
    Raster_CachedFont* font = IGraphics::CacheFont(&style);
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
        const IPopupMenuItem* item = menu->GetItem(i);
        const int top = layout.tops[static_cast<size_t>(i)];
        if (item->GetIsSeparator())
        {
            Raster_FillRect(bitmap, 4, top + kMenuSeparatorH / 2, layout.width - 8, 1, 0xFFBBBBBB,
                            1.0f, RASTER_BLIT_MODE_COPY);
            continue;
        }
        const bool lit = i == hover && item->GetEnabled();
        if (lit)
            Raster_FillRect(bitmap, 0, top, layout.width, kMenuItemH, kMenuHover, 1.0f,
                            RASTER_BLIT_MODE_COPY);
        const Raster_pixel ink = !item->GetEnabled() ? kMenuDisabledText
                                 : lit               ? kMenuHoverText
                                                     : kMenuText;
        if (item->GetChecked())
            Raster_FillCircle(bitmap, 11.0f, top + kMenuItemH / 2.0f, 3.5f, ink, 1.0f,
                              RASTER_BLIT_MODE_COPY, true);
        if (item->GetSubmenu())
            Raster_FillTriangle(bitmap, layout.width - 14, top + 6, layout.width - 14, top + 14,
                                layout.width - 9, top + 10, ink, 1.0f, RASTER_BLIT_MODE_COPY);
        if (font)
        {
            font->SetTextColor(ink);
            RECT r = {kMenuTextX + (item->GetIsTitle() ? 12 : 0), top, layout.width - 16,
                      top + kMenuItemH};
            font->DrawText(bitmap, menu->GetDisplayText(i).Get(), -1, &r,
                           DT_VCENTER | DT_SINGLELINE);
        }
    }
}

IPopupMenu* X11NativeLayer::RunMenu(IPopupMenu* menu, int x, int y)
{
    const MenuLayout layout = LayOutMenu(menu);
    const int height = layout.tops.back() + 2;
    Window root = DefaultRootWindow(mDisplay);
    XSetWindowAttributes wa = {};
    wa.override_redirect = True;
    wa.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                    KeyPressMask | StructureNotifyMask;
    wa.background_pixmap = None;
    Window window =
        XCreateWindow(mDisplay, root, x, y, static_cast<unsigned>(layout.width),
                      static_cast<unsigned>(height), 1, CopyFromParent, InputOutput, CopyFromParent,
                      CWOverrideRedirect | CWEventMask | CWBackPixmap, &wa);
    if (!window)
        return nullptr;
    XMapRaised(mDisplay, window);
    XGrabPointer(mDisplay, window, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                 GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    XGrabKeyboard(mDisplay, window, True, GrabModeAsync, GrabModeAsync, CurrentTime);

    // The menu has the screen's visual, which may differ from the host window's.
    const Target target = {window, XCreateGC(mDisplay, window, 0, nullptr),
                           DefaultVisual(mDisplay, DefaultScreen(mDisplay)),
                           DefaultDepth(mDisplay, DefaultScreen(mDisplay))};

    Raster_SysBitmap bitmap(layout.width, height);
    int hover = -1;
    auto itemAt = [&](int py)
    {
        for (int i = 0; i < menu->GetNItems(); ++i)
            if (py >= layout.tops[static_cast<size_t>(i)] &&
                py < layout.tops[static_cast<size_t>(i) + 1])
                return i;
        return -1;
    };
    auto redraw = [&]
    {
        DrawMenu(menu, layout, hover, &bitmap);
        PutBitmap(target, &bitmap, IRECT(0, 0, layout.width, height), 0, 0);
    };
    IPopupMenu* chosen = nullptr;
    bool done = false;
    bool armed = false;
    while (!done && !mWindowGone)
    {
        XEvent e;
        XNextEvent(mDisplay, &e);
        if (e.xany.window != window)
        {
            // The editor's own events wait; only what keeps it consistent is looked at.
            if (e.type == Expose && e.xexpose.window == mWindow)
                InvalidateWindowArea(e.xexpose);
            else if (e.type == DestroyNotify && e.xdestroywindow.window == mWindow)
                mWindowGone = true;
            continue;
        }
        switch (e.type)
        {
        case Expose:
            if (e.xexpose.count == 0)
                redraw();
            break;
        case MotionNotify:
        {
            const bool inside = e.xmotion.x >= 0 && e.xmotion.x < layout.width;
            const int now = inside ? itemAt(e.xmotion.y) : -1;
            armed = armed || (now >= 0 && (e.xmotion.state & (Button1Mask | Button3Mask)));
            if (now != hover)
            {
                hover = now;
                redraw();
            }
            break;
        }
        case ButtonPress:
        case ButtonRelease:
        {
            const bool inside = e.xbutton.x >= 0 && e.xbutton.x < layout.width &&
                                e.xbutton.y >= 0 && e.xbutton.y < height;
            // A press outside closes the menu. An item is chosen by a release over it once the
            // menu is armed by a press in it or a drag across it, so the release of the click
            // that opened the menu under the pointer chooses nothing.
            if (e.type == ButtonPress)
            {
                done = !inside;
                armed = inside;
                break;
            }
            if (!inside || !armed)
                break;
            const int i = itemAt(e.xbutton.y);
            const IPopupMenuItem* item = menu->GetItem(i);
            if (!item || item->GetIsSeparator() || !item->GetEnabled())
                break;
            if (IPopupMenu* sub = item->GetSubmenu())
                chosen = RunMenu(sub, x + layout.width, y + layout.tops[static_cast<size_t>(i)]);
            else
            {
                menu->SetChosenItemIdx(i);
                chosen = menu;
            }
            done = true;
            break;
        }
        case KeyPress:
        {
            KeySym sym = NoSymbol;
            CharsOf(e.xkey, &sym);
            done = sym == XK_Escape;
            break;
        }
        default:
            break;
        }
    }
    XUngrabKeyboard(mDisplay, CurrentTime);
    XUngrabPointer(mDisplay, CurrentTime);
    XFreeGC(mDisplay, target.gc);
    XDestroyWindow(mDisplay, window);
    return chosen;
}

} // namespace

std::unique_ptr<INativeLayer> MakeX11NativeLayer(std::unique_ptr<IHostRunLoop> loop)
{
    return std::make_unique<X11NativeLayer>(std::move(loop));
}
