#include "framework/graphics/IControl.h"

#include "framework/core/IFxBase.h"
#include "framework/core/IParam.h"
#include "framework/graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

IRECT FrameRect(int x, int y, const IBitmap& bitmap)
{
    return IRECT(x, y, x + bitmap.FrameWidth(), y + bitmap.FrameHeight());
}

// Index of the frame that shows value on an n-frame strip, rounded to the nearest frame.
int FrameIndex(int n, double value)
{
    const int k = int(double(n - 1) * value + 0.5);
    return std::min(std::max(k, 0), n - 1);
}

void CopyText(char* dest, const char* src, int size)
{
    std::snprintf(dest, size_t(size), "%s", src ? src : "");
}

// Stores text when it differs from what is shown; answers whether it did, so the caller redraws
// only on a real change.
bool ReplaceText(FxString& shown, const char* text)
{
    if (std::strcmp(shown.Get(), text ? text : "") == 0)
        return false;
    shown.Set(text);
    return true;
}
} // namespace

// ---------------------------------------------------------------- IControl

IControl::IControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                   IChannelBlend::EBlendMethod blendMethod)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blendMethod)
{
}

IParam* IControl::GetParam() const
{
    return mPlug ? mPlug->GetParam(mParamIdx) : nullptr;
}

void IControl::OnMouseDown(int, int, const IMouseMod& mod)
{
    if (mod.R)
        PromptUserInput();
}

void IControl::OnMouseDblClick(int, int, const IMouseMod&)
{
    if (mDefaultValue >= 0.0)
    {
        mValue = mDefaultValue;
        SetDirty(true);
    }
}

void IControl::SetValueFromPlug(double value)
{
    if (mDefaultValue < 0.0)
    {
        mValue = mDefaultValue = value;
        return;
    }
    if (mValue != value)
    {
        mValue = value;
        SetDirty(false);
        mRedraw = true;
    }
}

void IControl::SetValueFromUserInput(double value)
{
    if (mValue != value)
    {
        mValue = value;
        SetDirty(true);
        mRedraw = true;
    }
}

void IControl::Hide(bool hide)
{
    mHide = hide;
    mRedraw = true;
    SetDirty(false);
}

void IControl::GrayOut(bool gray)
{
    mGrayed = gray;
    mBlend.mWeight = gray ? 0.25f : 1.0f;
    SetDirty(false);
}

void IControl::SetDirty(bool pushParamToPlug)
{
    mValue = mValue < mClampLo ? mClampLo : std::min(mValue, mClampHi);
    mDirty = true;
    if (!pushParamToPlug || !mPlug || mParamIdx < 0)
        return;
    mPlug->SetParameterFromGUI(mParamIdx, mValue);
    IParam* param = GetParam();
    if (!param)
        return;
    if (mValDisplayControl)
    {
        char display[IParam::kTextLen];
        {
            FxMutexLock lock(mPlug->GetMutex());
            param->GetDisplayForHost(display);
        }
        char text[2 * IParam::kTextLen + 2];
        std::snprintf(text, sizeof(text), "%.31s %.31s", display, param->GetLabelForHost());
        if (std::strcmp(text, mValDisplayControl->GetTextForDisplay()) != 0)
        {
            mValDisplayControl->SetDirty(false);
            mValDisplayControl->SetTextFromPlug(text);
        }
    }
    if (mNameDisplayControl &&
        std::strcmp(param->GetNameForHost(), mNameDisplayControl->GetTextForDisplay()) != 0)
    {
        mNameDisplayControl->SetDirty(false);
        mNameDisplayControl->SetTextFromPlug(param->GetNameForHost());
    }
}

void IControl::SetClean()
{
    mDirty = mRedraw;
    mRedraw = false;
}

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value)
{
    AuxParam* aux = GetAuxParam(auxParamIdx);
    if (aux && aux->mValue != value)
    {
        aux->mValue = value;
        SetDirty(false);
        mRedraw = true;
    }
}

void IControl::PromptUserInput()
{
    IParam* param = GetParam();
    if (!param || mDisablePrompt || !mGraphics)
        return;
    IRECT rect = mRECT;
    if (param->GetNDisplayTexts() == 0)
    {
        const int cx = int(double(mRECT.L + mRECT.R) * 0.5);
        const int cy = int(double(mRECT.T + mRECT.B) * 0.5);
        rect = IRECT(cx - 20, cy - 8, cx + 20, cy + 8);
    }
    mGraphics->PromptUserInput(this, param, &rect);
    mRedraw = true;
}

void IControl::PromptUserInput(IRECT* rect)
{
    IParam* param = GetParam();
    if (!param || mDisablePrompt || !mGraphics)
        return;
    mGraphics->PromptUserInput(this, param, rect);
    mRedraw = true;
}

int IControl::AddAuxParam(int paramIdx)
{
    mAuxParams.emplace_back(paramIdx);
    return NAuxParams() - 1;
}

int IControl::AuxParamIdx(int paramIdx) const
{
    for (int i = 0; i < NAuxParams(); ++i)
        if (mAuxParams[size_t(i)].mParamIdx == paramIdx)
            return i;
    return -1;
}

IControl::AuxParam* IControl::GetAuxParam(int slot)
{
    return slot >= 0 && slot < NAuxParams() ? &mAuxParams[size_t(slot)] : nullptr;
}

void IControl::SetAllAuxParamsFromGUI()
{
    if (!mPlug)
        return;
    for (const AuxParam& aux : mAuxParams)
        mPlug->SetParameterFromGUI(aux.mParamIdx, aux.mValue);
}

// ---------------------------------------------------------------- bitmap controls

bool IPanelControl::Draw(IGraphics* graphics)
{
    return graphics->FillIRect(mColor, mRECT, &mBlend);
}

IBitmapControl::IBitmapControl(IFxBase* plug, int x, int y, int paramIdx, const IBitmap& bitmap,
                               IChannelBlend::EBlendMethod blendMethod)
    : IControl(plug, FrameRect(x, y, bitmap), paramIdx, blendMethod), mBitmap(bitmap)
{
}

bool IBitmapControl::Draw(IGraphics* graphics)
{
    const int frame = mBitmap.N >= 2 ? FrameIndex(mBitmap.N, mValue) + 1 : 1;
    return graphics->DrawBitmap(mBitmap, mRECT, frame, &mBlend);
}

void ISwitchControl::OnMouseDown(int, int, const IMouseMod&)
{
    const double step = mBitmap.N >= 2 ? 1.0 / double(mBitmap.N - 1) : 1.0;
    mValue += step;
    if (mValue > 1.001)
        mValue = 0.0;
    SetDirty(true);
}

void ISwitchControl::OnMouseDblClick(int x, int y, const IMouseMod& mod)
{
    OnMouseDown(x, y, mod);
}

ISwitchPopUpControl::ISwitchPopUpControl(IFxBase* plug, int x, int y, int paramIdx,
                                         const IBitmap& bitmap,
                                         IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod)
{
    mDisablePrompt = false;
}

void ISwitchPopUpControl::OnMouseDown(int, int, const IMouseMod&)
{
    PromptUserInput();
    SetDirty(true);
}

ISwitchFramesControl::ISwitchFramesControl(IFxBase* plug, int x, int y, int paramIdx,
                                           const IBitmap& bitmap, bool imagesAreHorizontal,
                                           IChannelBlend::EBlendMethod blendMethod)
    : ISwitchControl(plug, x, y, paramIdx, bitmap, blendMethod)
{
    mDisablePrompt = false;
    const int n = mBitmap.N;
    const float s = float(imagesAreHorizontal ? mRECT.W() : mRECT.H()) / float(n);
    for (int i = 0; i < n; ++i)
    {
        if (imagesAreHorizontal)
        {
            const int start = mRECT.L + int(float(i) * s);
            mRECTs.emplace_back(start, mRECT.T, int(float(start) + s), mRECT.B);
        }
        else
        {
            const int start = mRECT.T + int(float(i) * s);
            mRECTs.emplace_back(mRECT.L, start, mRECT.R, int(float(start) + s));
        }
    }
}

void ISwitchFramesControl::OnMouseDown(int x, int y, const IMouseMod&)
{
    const int n = int(mRECTs.size());
    for (int i = 0; i < n; ++i)
        if (mRECTs[size_t(i)].Contains(x, y))
        {
            mValue = n > 1 ? double(i) / double(n - 1) : 0.0;
            break;
        }
    SetDirty(true);
}

IInvisibleSwitchControl::IInvisibleSwitchControl(IFxBase* plug, const IRECT& rect, int paramIdx)
    : IControl(plug, rect, paramIdx, IChannelBlend::kBlendClobber)
{
}

void IInvisibleSwitchControl::OnMouseDown(int, int, const IMouseMod&)
{
    mValue = mValue < 0.5 ? 1.0 : 0.0;
    SetDirty(true);
}

IRadioButtonsControl::IRadioButtonsControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                                           int nButtons, const IBitmap& bitmap,
                                           EDirection direction, bool reverse)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap)
{
    const int w = mBitmap.FrameWidth(), h = mBitmap.FrameHeight();
    const bool horizontal = direction == kHorizontal;
    const int length = horizontal ? rect.W() : rect.H();
    const int button = horizontal ? w : h;
    const int gap = nButtons > 1 ? (length - nButtons * button) / (nButtons - 1) : 0;
    for (int i = 0; i < nButtons; ++i)
    {
        const int offset = i * (button + gap);
        int x = rect.L, y = rect.T;
        if (horizontal)
            x = reverse ? rect.R - offset - w : rect.L + offset;
        else
            y = reverse ? rect.B - offset - h : rect.T + offset;
        mRECTs.emplace_back(x, y, x + w, y + h);
    }
}

void IRadioButtonsControl::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    if (mod.R)
    {
        PromptUserInput();
        return;
    }
    const int n = int(mRECTs.size());
    for (int i = 0; i < n; ++i)
        if (mRECTs[size_t(i)].Contains(x, y))
        {
            mValue = n > 1 ? double(i) / double(n - 1) : 0.0;
            break;
        }
    SetDirty(true);
}

bool IRadioButtonsControl::Draw(IGraphics* graphics)
{
    const int n = int(mRECTs.size());
    if (n == 0)
        return true;
    const int active = FrameIndex(n, mValue);
    for (int i = 0; i < n; ++i)
        graphics->DrawBitmap(mBitmap, mRECTs[size_t(i)], i == active ? 2 : 1, &mBlend);
    return true;
}

void IContactControl::OnMouseUp(int, int, const IMouseMod&)
{
    mValue = 0.0;
    SetDirty(true);
}

// ---------------------------------------------------------------- fader

IFaderControl::IFaderControl(IFxBase* plug, int x, int y, int len, int paramIdx,
                             const IBitmap& bitmap, EDirection direction, bool onlyHandle)
    : IControl(plug, IRECT(), paramIdx), mLen(len), mBitmap(bitmap), mDirection(direction),
      mOnlyHandle(onlyHandle)
{
    if (direction == kVertical)
    {
        mHandleHeadroom = bitmap.FrameHeight();
        mRECT = mTargetRECT = IRECT(x, y, x + bitmap.FrameWidth(), y + len);
    }
    else
    {
        mHandleHeadroom = bitmap.FrameWidth();
        mRECT = mTargetRECT = IRECT(x, y, x + len, y + bitmap.FrameHeight());
    }
}

IRECT IFaderControl::GetHandleRECT(double value) const
{
    IRECT r(mRECT.L, mRECT.T, mRECT.L + mBitmap.FrameWidth(), mRECT.T + mBitmap.FrameHeight());
    const int travel = mLen - mHandleHeadroom;
    if (mDirection == kVertical)
    {
        const int offset = int((1.0 - value) * double(travel));
        r.T += offset;
        r.B += offset;
    }
    else
    {
        const int offset = int(value * double(travel));
        r.L += offset;
        r.R += offset;
    }
    return r;
}

void IFaderControl::SnapToMouse(int x, int y)
{
    const int travel = mLen - mHandleHeadroom;
    if (travel > 0)
    {
        if (mDirection == kVertical)
            mValue = 1.0 - double(y - mRECT.T - mHandleHeadroom / 2) / double(travel);
        else
            mValue = double(x - mRECT.L - mHandleHeadroom / 2) / double(travel);
    }
    SetDirty(true);
}

void IFaderControl::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    if (mod.R)
    {
        PromptUserInput();
        return;
    }
    SnapToMouse(x, y);
}

void IFaderControl::OnMouseDrag(int x, int y, int, int, const IMouseMod&)
{
    SnapToMouse(x, y);
}

void IFaderControl::OnMouseWheel(int, int, const IMouseMod& mod, int delta)
{
    mValue += double(delta) * (mod.S || mod.C ? 0.001 : 0.01);
    SetDirty(true);
}

bool IFaderControl::Draw(IGraphics* graphics)
{
    return graphics->DrawBitmap(mBitmap, GetHandleRECT(mValue), 1, &mBlend);
}

bool IFaderControl::IsHit(int x, int y)
{
    if (mOnlyHandle)
        return GetHandleRECT(mValue).Contains(x, y);
    return mTargetRECT.Contains(x, y);
}

// ---------------------------------------------------------------- knobs

IKnobControl::IKnobControl(IFxBase* plug, const IRECT& rect, int paramIdx, EDirection direction,
                           double gearing)
    : IControl(plug, rect, paramIdx), mDirection(direction), mGearing(gearing)
{
}

void IKnobControl::OnMouseDrag(int, int, int dX, int dY, const IMouseMod& mod)
{
    double gearing = mGearing;
    if (mod.S || mod.C)
        gearing *= 10.0;
    if (mDirection == kVertical)
        mValue += double(dY) / double(mRECT.T - mRECT.B) / gearing;
    else
        mValue += double(dX) / double(mRECT.R - mRECT.L) / gearing;
    SetDirty(true);
}

void IKnobControl::OnMouseWheel(int, int, const IMouseMod& mod, int delta)
{
    mValue += double(delta) * (mod.S || mod.C ? 0.001 : 0.01);
    SetDirty(true);
}

IKnobLineControl::IKnobLineControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                                   const IColor& color, double innerRadius, double outerRadius,
                                   double minAngle, double maxAngle, EDirection direction,
                                   double gearing)
    : IKnobControl(plug, rect, paramIdx, direction, gearing), mColor(color),
      mMinAngle(float(minAngle)), mMaxAngle(float(maxAngle)), mInnerRadius(float(innerRadius)),
      mOuterRadius(float(outerRadius))
{
    if (mOuterRadius == 0.0f)
        mOuterRadius = 0.5f * float(rect.W());
    mBlend = IChannelBlend(IChannelBlend::kBlendClobber);
}

bool IKnobLineControl::Draw(IGraphics* graphics)
{
    const float angle = mMinAngle + float(mValue) * (mMaxAngle - mMinAngle);
    return graphics->DrawRadialLine(mColor, mRECT.MW(), mRECT.MH(), angle, mInnerRadius,
                                    mOuterRadius, &mBlend, true);
}

IKnobRotaterControl::IKnobRotaterControl(IFxBase* plug, int x, int y, int paramIdx,
                                         const IBitmap& bitmap, double minAngle, double maxAngle,
                                         int yOffsetZeroDeg, EDirection direction, double gearing)
    : IKnobControl(plug, IRECT(x, y, x + bitmap.W, y + bitmap.H), paramIdx, direction, gearing),
      mBitmap(bitmap), mMinAngle(minAngle), mMaxAngle(maxAngle), mYOffset(yOffsetZeroDeg)
{
}

bool IKnobRotaterControl::Draw(IGraphics* graphics)
{
    const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
    return graphics->DrawRotatedBitmap(mBitmap, int(mRECT.MW()), int(mRECT.MH()), angle, mYOffset,
                                       &mBlend);
}

IKnobMultiControl::IKnobMultiControl(IFxBase* plug, int x, int y, int paramIdx,
                                     const IBitmap& bitmap, EDirection direction, double gearing)
    : IKnobControl(plug, FrameRect(x, y, bitmap), paramIdx, direction, gearing), mBitmap(bitmap)
{
}

bool IKnobMultiControl::Draw(IGraphics* graphics)
{
    const int n = mBitmap.N;
    const int k = int(double(n - 1) * mValue + 0.5);
    const int frame = k < 0 ? 1 : (k < n ? k + 1 : n);
    return graphics->DrawBitmap(mBitmap, mRECT, frame, &mBlend);
}

IKnobRotatingMaskControl::IKnobRotatingMaskControl(IFxBase* plug, int x, int y, int paramIdx,
                                                   const IBitmap& base, const IBitmap& mask,
                                                   const IBitmap& top, double minAngle,
                                                   double maxAngle, EDirection direction,
                                                   double gearing)
    : IKnobControl(plug, IRECT(x, y, x + base.W, y + base.H), paramIdx, direction, gearing),
      mBase(base), mMask(mask), mTop(top), mMinAngle(minAngle), mMaxAngle(maxAngle)
{
}

bool IKnobRotatingMaskControl::Draw(IGraphics* graphics)
{
    const double angle = mMinAngle + mValue * (mMaxAngle - mMinAngle);
    return graphics->DrawRotatedMask(mBase, mMask, mTop, mRECT.L, mRECT.T, angle, &mBlend);
}

IBitmapOverlayControl::IBitmapOverlayControl(IFxBase* plug, int x, int y, int paramIdx,
                                             const IBitmap& bitmap, const IRECT& targetArea)
    : ISwitchControl(plug, x, y, paramIdx, bitmap), mTargetArea(targetArea)
{
}

bool IBitmapOverlayControl::Draw(IGraphics* graphics)
{
    if (mValue < 0.5)
    {
        mTargetRECT = mTargetArea;
        return true;
    }
    mTargetRECT = mRECT;
    return ISwitchControl::Draw(graphics);
}

// ---------------------------------------------------------------- text controls

ITextControl::ITextControl(IFxBase* plug, const IRECT& rect, const IText& text, const char* str)
    : IControl(plug, rect), mStr(str)
{
    mText = text;
}

void ITextControl::SetTextFromPlug(const char* str)
{
    if (ReplaceText(mStr, str))
        SetDirty(false);
}

bool ITextControl::Draw(IGraphics* graphics)
{
    if (!mStr.GetLength())
        return true;
    IRECT rect = mRECT;
    return graphics->DrawIText(&mText, mStr.Get(), &rect);
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

IURLControl::IURLControl(IFxBase* plug, const IRECT& rect, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
    : IControl(plug, rect)
{
    CopyText(mURL, url, kURLLen);
    CopyText(mBackupURL, backupURL, kURLLen);
    CopyText(mErrMsg, errMsgOnFailure, kURLLen);
}

void IURLControl::OnMouseDown(int, int, const IMouseMod&)
{
    if (!mGraphics)
        return;
    bool opened = false;
    if (mURL[0])
        opened = mGraphics->OpenURL(mURL, mErrMsg);
    if (!opened && mBackupURL[0])
        mGraphics->OpenURL(mBackupURL, mErrMsg);
}

IFileSelectorControl::IFileSelectorControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                                           const IBitmap& bitmap, EFileAction action,
                                           const char* dir, const char* extensions)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap), mDir(dir), mExtensions(extensions),
      mFileAction(action)
{
}

void IFileSelectorControl::OnMouseDown(int, int, const IMouseMod&)
{
    if (!mGraphics)
        return;
    mState = kFSSelecting;
    SetDirty(false);
    mGraphics->PromptForFile(&mFile, mFileAction, &mDir, mExtensions.Get());
    mValue += 1.0;
    if (mValue > 1.0)
        mValue = 0.0;
    mState = kFSDone;
    SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics)
{
    if (mState == kFSSelecting)
        graphics->DrawBitmap(mBitmap, mRECT, 0, 0, &mBlend);
    return true;
}

bool IFileSelectorControl::IsDirty()
{
    if (mState == kFSDone)
    {
        mState = kFSNone;
        return true;
    }
    return mDirty;
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
    if (ReplaceText(mStr, str))
        SetDirty(false);
}

bool IBitmapTextControl::Draw(IGraphics* graphics)
{
    if (!mStr.GetLength())
        return true;
    return DrawBitmapedText(graphics, mTextBitmap, mRECT, mText, &mBlend, mStr.Get(), mVCentre,
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
