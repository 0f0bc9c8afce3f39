// The panel's two level meters: where they sit, how their face is laid out and how a level maps
// onto the bar. The editor and the artwork generator both read this, so the drawn face and the
// bars the editor cuts out of it agree.
#pragma once

#include "framework/core/LevelMeters.h"
#include "framework/graphics/IMeterScale.h"

struct PanelMeterPlace
{
    int side;
    int bitmapID;
    const char* file;
    int left, top;
};

// Under the transformer switch of each side, facing the Output knob: the input on the left with
// the input transformer, the output on the right with the output transformer (the bus).
constexpr PanelMeterPlace kPanelMeters[] = {
    {LevelMeters::kInputSide, 109, "resources/img/METER_IN.png", 31, 241},
    {LevelMeters::kOutputSide, 110, "resources/img/METER_OUT.png", 305, 241},
};

// A frame: the lamp at the top, the bar below it; unlit, lit as the peak, lit as the mean level.
constexpr int kMeterFrames = 3;
constexpr int kMeterWidth = 16;
constexpr int kMeterHeight = 96;
constexpr int kMeterBarLeft = 3, kMeterBarRight = 13, kMeterBarTop = 19, kMeterBarBottom = 95;
constexpr int kMeterLampLeft = 1, kMeterLampRight = 15, kMeterLampTop = 1, kMeterLampBottom = 15;
constexpr double kMeterLampRadius = 4.5;

// -48 to +6 dBFS, the levels near full scale spread out; the marks the panel prints.
constexpr IMeterMark kMeterMarks[] = {{-48.0, 0.0}, {-24.0, 0.28}, {-12.0, 0.46}, {-6.0, 0.62},
                                      {-3.0, 0.73}, {0.0, 0.84},   {6.0, 1.0}};
constexpr IMeterScale kMeterScale = {kMeterMarks,
                                     int(sizeof(kMeterMarks) / sizeof(kMeterMarks[0]))};
