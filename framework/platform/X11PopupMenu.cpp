#include "framework/platform/X11Layer.h"

#include "framework/graphics/IGraphics.h"
#include "framework/graphics/IPopupMenu.h"
#include "raster/RasterFont.h"

#include <X11/keysym.h>

#include <algorithm>

namespace
{

constexpr int kMenuItemH = 20;
constexpr int kMenuSeparatorH = 7;
constexpr int kMenuTextX = 22;
constexpr Raster_Pixel kMenuBack = 0xFFEEEEEE;
constexpr Raster_Pixel kMenuHover = 0xFF3366CC;
constexpr Raster_Pixel kMenuText = 0xFF000000;
constexpr Raster_Pixel kMenuHoverText = 0xFFFFFFFF;
constexpr Raster_Pixel kMenuDisabledText = 0xFF999999;

IText MenuTextStyle()
{
    IText style;
    style.mSize = 13;
    style.mAlign = IText::kAlignNear;
    return style;
}

} // namespace

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
        const Raster_Pixel ink = !item->GetEnabled() ? kMenuDisabledText
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
