// A level meter with its clip lamp, for one side (input or output) of the plug-in's LevelMeters.
#pragma once

#include "framework/graphics/IControl.h"
#include "framework/graphics/IMeterScale.h"

#include <chrono>

// A bar for the mean level, a dimmer one up to the peak reading with a bright line on it, and a
// lamp that lights when a sample reaches full scale and stays lit until the meter is clicked.
// Its bitmap holds three frames of the same face: unlit, lit as the peak shows, lit as the mean
// level shows; the control cuts the parts it needs out of them. It reads the meters on every
// tick of the editor's timer and is redrawn only when a bar moves by a pixel or the lamp changes.
class IMeterControl : public IControl
{
public:
    // Where the bar and the lamp lie within a frame.
    struct Face
    {
        IRECT bar;
        IRECT lamp;
        IMeterScale scale;
    };

    IMeterControl(IFxBase* plug, int x, int y, const IBitmap& bitmap, int side, const Face& face);

    void OnGUIIdle() override;
    bool Draw(IGraphics* graphics) override;
    void OnMouseDown(int x, int y, const IMouseMod& mod) override;
    void OnMouseDblClick(int x, int y, const IMouseMod& mod) override;

    bool IsClipLit() const { return mClipLit; }
    // The rows of the frame where the bars begin (the bar's bottom when a bar shows nothing).
    int GetPeakTop() const { return mPeakTop; }
    int GetRmsTop() const { return mRmsTop; }

private:
    using Clock = std::chrono::steady_clock;

    int BarTop(double db) const;
    // Draws the rows top to bottom of area (both in frame coordinates) from frame (one-based).
    void DrawPart(IGraphics* graphics, int frame, const IRECT& area, int top, int bottom);

    IBitmap mBitmap;
    int mSide;
    Face mFace;
    int mPeakTop, mRmsTop;
    bool mClipLit = false;
    bool mTicked = false;
    Clock::time_point mLastTick;
};
