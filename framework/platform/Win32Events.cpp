#include "framework/platform/Win32Layer.h"

#include <windowsx.h>

namespace
{

unsigned Modifiers(WPARAM keys)
{
    const bool windowsKey = (GetKeyState(VK_LWIN) | GetKeyState(VK_RWIN)) & 0x8000;
    return (keys & MK_SHIFT ? kNativeShift : 0u) | (keys & MK_CONTROL ? kNativeControl : 0u) |
           (GetKeyState(VK_MENU) & 0x8000 ? kNativeAlt : 0u) | (windowsKey ? kNativeCommand : 0u);
}

int NativeKeyCodeOf(WPARAM key)
{
    switch (key)
    {
    case VK_SPACE:
        return kNativeKeySpace;
    case VK_UP:
        return kNativeKeyUp;
    case VK_DOWN:
        return kNativeKeyDown;
    case VK_LEFT:
        return kNativeKeyLeft;
    case VK_RIGHT:
        return kNativeKeyRight;
    default:
        return kNativeKeyNone;
    }
}

// The characters a key types, ignoring control and alt (shift and caps lock still choose the
// case), in UTF-8.
std::string CharsOf(WPARAM key, LPARAM lp)
{
    BYTE state[256];
    if (!GetKeyboardState(state))
        return std::string();
    state[VK_CONTROL] = state[VK_LCONTROL] = state[VK_RCONTROL] = 0;
    state[VK_MENU] = state[VK_LMENU] = state[VK_RMENU] = 0;
    wchar_t chars[8] = {};
    // Flag 4: leave the keyboard's dead-key state alone.
    const int n =
        ToUnicode(static_cast<UINT>(key), (static_cast<UINT>(lp) >> 16) & 0xFF, state, chars, 7, 4);
    if (n <= 0)
        return std::string();
    chars[n] = 0;
    return FxUtf8FromWide(chars);
}

} // namespace

bool Win32NativeLayer::OnInputMessage(UINT message, WPARAM wp, LPARAM lp)
{
    switch (message)
    {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_RBUTTONUP:
        OnMouseButton(message, wp, lp);
        return true;
    case WM_MOUSEMOVE:
        if (mClient)
        {
            const bool left = wp & MK_LBUTTON, right = wp & MK_RBUTTON;
            mClient->OnViewMouse(left || right ? ENativeMouse::kDrag : ENativeMouse::kMove,
                                 right && !left, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), Modifiers(wp),
                                 1);
        }
        return true;
    case WM_MOUSEWHEEL:
        if (mClient)
        {
            // Wheel positions are on the screen; one notch (WHEEL_DELTA) is one step.
            POINT p = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            ScreenToClient(mWindow, &p);
            mClient->OnViewWheel(p.x, p.y, Modifiers(GET_KEYSTATE_WPARAM(wp)),
                                 double(GET_WHEEL_DELTA_WPARAM(wp)) / WHEEL_DELTA);
        }
        return true;
    case WM_KEYDOWN:
        OnKey(wp, lp);
        return true;
    case WM_MOUSEACTIVATE:
        // A click into the editor gives it the keyboard without raising the host's window
        // over anything.
        SetFocus(mWindow);
        return false;
    default:
        return false;
    }
}

void Win32NativeLayer::OnMouseButton(UINT message, WPARAM wp, LPARAM lp)
{
    const bool right =
        message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK || message == WM_RBUTTONUP;
    const bool up = message == WM_LBUTTONUP || message == WM_RBUTTONUP;
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    if (up)
    {
        if (GetCapture() == mWindow)
            ReleaseCapture();
        if (mClient)
            mClient->OnViewMouse(ENativeMouse::kUp, right, x, y, Modifiers(wp), 1);
        return;
    }
    // A click outside the field ends the entry, as leaving a text field does.
    if (mField)
        CommitTextEntry();
    if (!mClient)
        return;
    SetFocus(mWindow);
    // Drags that leave the window still reach the control that was pressed.
    SetCapture(mWindow);
    const bool dbl = message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK;
    mClient->OnViewMouse(ENativeMouse::kDown, right, x, y, Modifiers(wp), dbl ? 2 : 1);
}

void Win32NativeLayer::OnKey(WPARAM wp, LPARAM lp)
{
    if (!mClient)
        return;
    const std::string chars = CharsOf(wp, lp);
    HWND parent = GetParent(mWindow);
    // The editor may have closed itself over the key.
    if (mClient->OnViewKey(NativeKeyCodeOf(wp), chars.c_str()) != EKeyResult::kPassedOn || !mWindow)
        return;
    // The host's window gets what the editor does not use (its shortcuts keep working).
    if (parent)
        PostMessageW(parent, WM_KEYDOWN, wp, lp);
}
