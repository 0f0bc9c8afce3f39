#include "framework/graphics/BitmapFrames.h"
#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"

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
    return graphics->DrawBitmap(mBitmap, mRECT, FrameOf(mBitmap, mValue), &mBlend);
}
