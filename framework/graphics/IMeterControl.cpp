#include "framework/graphics/IMeterControl.h"

#include "framework/core/IFxBase.h"
#include "framework/graphics/BitmapFrames.h"
#include "framework/graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{
enum EFrame
{
    kUnlit = 1,
    kPeakLit,
    kMeanLit
};
// Rows of the peak line.
constexpr int kPeakLine = 2;
} // namespace

IMeterControl::IMeterControl(IFxBase* plug, int x, int y, const IBitmap& bitmap, int side,
                             const Face& face)
    : IControl(plug, FrameRect(x, y, bitmap)), mBitmap(bitmap), mSide(side), mFace(face),
      mPeakTop(face.bar.B), mRmsTop(face.bar.B)
{
}

int IMeterControl::BarTop(double db) const
{
    const double position = std::clamp(mFace.scale.Position(db), 0.0, 1.0);
    return mFace.bar.B - int(std::lround(position * mFace.bar.H()));
}

void IMeterControl::OnGUIIdle()
{
    LevelMeters* meters = mPlug ? mPlug->GetLevelMeters() : nullptr;
    if (!meters)
        return;
    const Clock::time_point now = Clock::now();
    // The first tick, also after the editor was closed and opened again, finds no earlier one.
    const double elapsed = mTicked ? std::chrono::duration<double>(now - mLastTick).count()
                                   : std::numeric_limits<double>::infinity();
    mTicked = true;
    mLastTick = now;
    const LevelReading reading = meters->Read(mSide, elapsed);
    const int peakTop = BarTop(reading.peakDb), rmsTop = BarTop(reading.rmsDb);
    const bool clipLit = mClipLit || reading.clipped;
    if (peakTop == mPeakTop && rmsTop == mRmsTop && clipLit == mClipLit)
        return;
    mPeakTop = peakTop;
    mRmsTop = rmsTop;
    mClipLit = clipLit;
    SetDirty(false);
}

void IMeterControl::DrawPart(IGraphics* graphics, int frame, const IRECT& area, int top, int bottom)
{
    if (bottom <= top)
        return;
    const IRECT dest(mRECT.L + area.L, mRECT.T + top, mRECT.L + area.R, mRECT.T + bottom);
    graphics->DrawBitmap(mBitmap, dest, area.L, (frame - 1) * mBitmap.FrameHeight() + top, &mBlend);
}

bool IMeterControl::Draw(IGraphics* graphics)
{
    graphics->DrawBitmap(mBitmap, mRECT, kUnlit, &mBlend);
    const IRECT& bar = mFace.bar;
    // The peak reading is never below the mean level it comes with; the bars are drawn as if.
    const int peakTop = std::min(mPeakTop, mRmsTop);
    DrawPart(graphics, kPeakLit, bar, peakTop, mRmsTop);
    DrawPart(graphics, kMeanLit, bar, mRmsTop, bar.B);
    DrawPart(graphics, kMeanLit, bar, peakTop, std::min(peakTop + kPeakLine, bar.B));
    if (mClipLit)
        DrawPart(graphics, kMeanLit, mFace.lamp, mFace.lamp.T, mFace.lamp.B);
    return true;
}

void IMeterControl::OnMouseDown(int, int, const IMouseMod& mod)
{
    if (!mod.L || !mClipLit)
        return;
    mClipLit = false;
    SetDirty(false);
}

void IMeterControl::OnMouseDblClick(int x, int y, const IMouseMod& mod)
{
    OnMouseDown(x, y, mod);
}
