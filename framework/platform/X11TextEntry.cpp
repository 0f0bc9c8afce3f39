#include "framework/platform/X11Layer.h"

#include "framework/graphics/IGraphics.h"
#include "raster/RasterFont.h"

#include <X11/keysym.h>

#include <utility>

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
