#include "framework/graphics/BitmapFrames.h"
#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"

#include <vector>

namespace
{

// The value of the part of a control that (x, y) lies in, the parts standing for values evenly
// spread from 0 to 1; current when it lies in none.
double PartValue(const std::vector<IRECT>& parts, int x, int y, double current)
{
    const int n = int(parts.size());
    for (int i = 0; i < n; ++i)
        if (parts[size_t(i)].Contains(x, y))
            return n > 1 ? double(i) / double(n - 1) : 0.0;
    return current;
}

} // namespace

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
    mValue = PartValue(mRECTs, x, y, mValue);
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
    mValue = PartValue(mRECTs, x, y, mValue);
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
