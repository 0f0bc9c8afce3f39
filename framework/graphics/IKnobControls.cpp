#include "framework/graphics/BitmapFrames.h"
#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"

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
    return graphics->DrawBitmap(mBitmap, mRECT, FrameOf(mBitmap, mValue), &mBlend);
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
