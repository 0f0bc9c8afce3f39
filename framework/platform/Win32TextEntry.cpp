#include "framework/platform/Win32Layer.h"

#include <algorithm>

namespace
{
COLORREF ColourOf(const IColor& c)
{
    return RGB(c.R, c.G, c.B);
}
} // namespace

bool Win32NativeLayer::OpenTextEntry(const NativeTextEntry& entry)
{
    if (!mWindow || mField || entry.mArea.Empty())
        return false;
    mEntry = entry;
    mFieldText = FxWideFromUtf8(entry.mText.c_str());
    const DWORD align = entry.mStyle.mAlign == IText::kAlignCenter ? ES_CENTER
                        : entry.mStyle.mAlign == IText::kAlignFar  ? ES_RIGHT
                                                                   : ES_LEFT;
    mField = CreateWindowExW(0, L"EDIT", mFieldText.c_str(),
                             WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | align,
                             static_cast<int>(entry.mArea.x), static_cast<int>(entry.mArea.y),
                             static_cast<int>(entry.mArea.w), static_cast<int>(entry.mArea.h),
                             mWindow, nullptr, nullptr, nullptr);
    if (!mField)
        return false;
    // The field's own procedure is wrapped to end editing on Return, Tab and Escape.
    SetWindowLongPtrW(mField, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    mFieldDefaultProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        mField, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32NativeLayer::FieldProc)));
    mFieldFont =
        CreateFontW(-static_cast<int>(entry.mFontSize), 0, 0, 0,
                    entry.mStyle.mStyle == IText::kStyleBold ? FW_BOLD : FW_NORMAL,
                    entry.mStyle.mStyle == IText::kStyleItalic, FALSE, FALSE, DEFAULT_CHARSET,
                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                    FxWideFromUtf8(entry.mStyle.mFont).c_str());
    if (mFieldFont)
        SendMessageW(mField, WM_SETFONT, reinterpret_cast<WPARAM>(mFieldFont), FALSE);
    mFieldBrush = CreateSolidBrush(ColourOf(entry.mStyle.mTextEntryBGColor));
    // The text it opens with is selected: the first key replaces it.
    SendMessageW(mField, EM_SETSEL, 0, -1);
    SetFocus(mField);
    return true;
}

void Win32NativeLayer::CloseTextEntry()
{
    if (!mField)
        return;
    HWND field = mField;
    mField = nullptr;
    DestroyWindow(field);
    if (mFieldFont)
        DeleteObject(mFieldFont);
    if (mFieldBrush)
        DeleteObject(mFieldBrush);
    mFieldFont = nullptr;
    mFieldBrush = nullptr;
    if (mWindow)
        SetFocus(mWindow);
}

void Win32NativeLayer::CommitTextEntry()
{
    const std::string text = FxUtf8FromWide(mFieldText.c_str());
    CloseTextEntry();
    if (mClient)
        mClient->OnTextEntryEnded(text.c_str());
}

void Win32NativeLayer::OnFieldChanged()
{
    if (mRestoringField)
        return;
    const int length = GetWindowTextLengthW(mField);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(mField, &text[0], length + 1);
    text.resize(static_cast<size_t>(length));
    if (TextFilterAccepts(mEntry.mFilter, FxUtf8FromWide(text.c_str())))
    {
        mFieldText = text;
        return;
    }
    // Refused (a character the field does not take, or one too many): back to what it held,
    // the caret where the edit began.
    DWORD start = 0;
    SendMessageW(mField, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    const long inserted = long(text.size()) - long(mFieldText.size());
    const long caret =
        std::min(long(mFieldText.size()), std::max(0L, long(start) - std::max(0L, inserted)));
    mRestoringField = true;
    SetWindowTextW(mField, mFieldText.c_str());
    mRestoringField = false;
    SendMessageW(mField, EM_SETSEL, static_cast<WPARAM>(caret), caret);
    MessageBeep(MB_OK);
}

LRESULT Win32NativeLayer::FieldColours(HDC dc)
{
    SetTextColor(dc, ColourOf(mEntry.mStyle.mTextEntryFGColor));
    SetBkColor(dc, ColourOf(mEntry.mStyle.mTextEntryBGColor));
    return reinterpret_cast<LRESULT>(mFieldBrush);
}

bool Win32NativeLayer::OnFieldKey(UINT message, WPARAM wp)
{
    if (message == WM_KILLFOCUS)
    {
        // Leaving the field ends editing, after the focus change is complete.
        PostMessageW(mField, WM_APP, 0, 0);
        return false;
    }
    if (message == WM_APP)
    {
        if (GetFocus() != mField)
            CommitTextEntry();
        return true;
    }
    if (message != WM_CHAR && message != WM_KEYDOWN)
        return false;
    switch (wp)
    {
    case VK_RETURN:
    case VK_TAB:
        if (message == WM_KEYDOWN)
            CommitTextEntry();
        return true;
    case VK_ESCAPE:
        if (message == WM_KEYDOWN)
            CloseTextEntry();
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK Win32NativeLayer::FieldProc(HWND field, UINT message, WPARAM wp, LPARAM lp)
{
    auto* layer = reinterpret_cast<Win32NativeLayer*>(GetWindowLongPtrW(field, GWLP_USERDATA));
    const WNDPROC original = layer->mFieldDefaultProc;
    if (layer->mField == field && layer->OnFieldKey(message, wp))
        return 0;
    return CallWindowProcW(original, field, message, wp, lp);
}
