#include "framework/graphics/IControl.h"

#include "framework/core/IFxBase.h"
#include "framework/core/IParam.h"
#include "framework/graphics/IGraphics.h"

#include <algorithm>
#include <cstring>

namespace
{

// Stores the text control shows, and marks it for drawing only on a real change.
void ShowText(IControl* control, FxString* shown, const char* text)
{
    if (std::strcmp(shown->Get(), text ? text : "") == 0)
        return;
    shown->Set(text);
    control->SetDirty(false);
}

} // namespace

ITextControl::ITextControl(IFxBase* plug, const IRECT& rect, const IText& text, const char* str)
    : IControl(plug, rect), mStr(str)
{
    mText = text;
}

void ITextControl::SetTextFromPlug(const char* str)
{
    ShowText(this, &mStr, str);
}

bool ITextControl::Draw(IGraphics* graphics)
{
    IRECT rect = mRECT;
    return !mStr.GetLength() || graphics->DrawIText(&mText, mStr.Get(), &rect);
}

ICaptionControl::ICaptionControl(IFxBase* plug, const IRECT& rect, int paramIdx, const IText& text,
                                 bool showParamLabel)
    : ITextControl(plug, rect, text), mShowParamLabel(showParamLabel)
{
    mParamIdx = paramIdx;
}

void ICaptionControl::OnMouseDown(int, int, const IMouseMod& mod)
{
    if (mod.L || mod.R)
        PromptUserInput();
}

void ICaptionControl::OnMouseDblClick(int, int, const IMouseMod&)
{
    PromptUserInput();
}

bool ICaptionControl::Draw(IGraphics* graphics)
{
    if (IParam* param = GetParam())
    {
        char display[IParam::kTextLen];
        {
            FxMutexLock lock(mPlug->GetMutex());
            param->GetDisplayForHost(display);
        }
        FxString text(display);
        if (mShowParamLabel)
        {
            text.Append(" ");
            text.Append(param->GetLabelForHost());
        }
        mStr = text;
    }
    return ITextControl::Draw(graphics);
}

IBitmapTextControl::IBitmapTextControl(IFxBase* plug, const IRECT& rect, const IBitmap& bitmap,
                                       const char* str, const IText* text, int charWidth,
                                       int charHeight, int charOffset, bool multiLine, bool vCenter)
    : IControl(plug, rect), mStr(str), mTextBitmap(bitmap), mCharWidth(charWidth),
      mCharHeight(charHeight), mCharOffset(charOffset), mMultiLine(multiLine), mVCentre(vCenter)
{
    if (text)
        mText = *text;
}

void IBitmapTextControl::SetTextFromPlug(const char* str)
{
    ShowText(this, &mStr, str);
}

bool IBitmapTextControl::Draw(IGraphics* graphics)
{
    return !mStr.GetLength() ||
           DrawBitmapedText(graphics, mTextBitmap, mRECT, mText, &mBlend, mStr.Get(), mVCentre,
                            mMultiLine, mCharWidth, mCharHeight, mCharOffset);
}

bool DrawBitmapedText(IGraphics* graphics, const IBitmap& bitmap, const IRECT& rect,
                      const IText& text, const IChannelBlend* blend, const char* str, bool vCenter,
                      bool multiline, int charWidth, int charHeight, int charOffset)
{
    const int len = int(std::strlen(str));
    if (len == 0 || charWidth <= 0 || charHeight <= 0)
        return false;
    const int perLine = std::max(1, rect.W() / charWidth);
    const int nLines = multiline ? (len + perLine - 1) / perLine : 1;
    int y = vCenter ? rect.T + (rect.H() - charHeight) / 2 : rect.T;
    int pos = 0;
    for (int line = 0; line < nLines; ++line, y += charHeight)
    {
        const int count = std::min(perLine, len - pos);
        int x = rect.L;
        if (text.mAlign == IText::kAlignFar)
            x = rect.R - charWidth * count;
        else if (text.mAlign == IText::kAlignCenter)
            x = rect.L + (rect.W() - charWidth * count) / 2;
        for (int i = 0; i < count; ++i, ++pos, x += charWidth + charOffset)
        {
            const int frame = int(static_cast<unsigned char>(str[pos])) - 31;
            graphics->DrawBitmap(bitmap, IRECT(x, y, x + charWidth, y + charHeight), frame, blend);
        }
    }
    return true;
}
