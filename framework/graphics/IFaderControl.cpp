#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"

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
