#include "framework/platform/X11Layer.h"

#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>

namespace
{

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

// Two presses of a button this close in time (ms) and place (pixels) make a double-click.
constexpr Time kDoubleClickMs = 400;
constexpr int kDoubleClickSlop = 4;

} // namespace

// The characters a key types, ignoring control and alt (shift still chooses the case).
std::string CharsOf(XKeyEvent key, KeySym* sym)
{
    key.state &= ~static_cast<unsigned>(ControlMask | Mod1Mask | Mod4Mask);
    char buf[16];
    const int n = XLookupString(&key, buf, sizeof(buf) - 1, sym, nullptr);
    return std::string(buf, static_cast<size_t>(std::max(n, 0)));
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
