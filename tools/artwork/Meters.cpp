// The level meters: a lamp over a bar in a recessed well, in three frames (unlit, lit as the
// peak shows, lit as the mean level shows), and the scale the panel prints beside each bar.
#include <cstdio>

#include "tools/artwork/Controls.h"

namespace
{

const Rgb kMeterGreen = {92, 222, 104};

// The colour of the bar at a level: green, amber from -6 dBFS, red from full scale.
Rgb BarColour(double db)
{
    return db >= 0.0 ? kLampRed : db >= -6.0 ? kAmber : kMeterGreen;
}

// The panel level at a bar position, the inverse of the scale between its marks.
double LevelAt(double position)
{
    for (int i = 1; i < kMeterScale.nMarks; ++i)
    {
        const IMeterMark& a = kMeterScale.marks[i - 1];
        const IMeterMark& b = kMeterScale.marks[i];
        if (position <= b.position)
            return a.db + (b.db - a.db) * (position - a.position) / (b.position - a.position);
    }
    return kMeterScale.marks[kMeterScale.nMarks - 1].db;
}

// brightness: how much of the colour shows, 1 for fully lit.
void PaintBar(Canvas& canvas, const ArtworkControl& c, double brightness)
{
    const double x0 = c.left + kMeterBarLeft, x1 = c.left + kMeterBarRight;
    const double y0 = c.top + kMeterBarTop, y1 = c.top + kMeterBarBottom;
    // The well: a dark rim one pixel round the bar, lit on its lower edge.
    canvas.Paint(x0 - 1, y0 - 1, x1 + 1, y1 + 1,
                 [&](double x, double y, double* cover)
                 {
                     *cover = 1.0;
                     if (x < x0 || x > x1 || y < y0)
                         return Rgb{10, 11, 13};
                     if (y > y1)
                         return Rgb{120, 124, 130};
                     const double db = LevelAt((y1 - y) / (y1 - y0));
                     // Brighter along the middle, as light in a glass tube.
                     const double across = (x - (x0 + x1) / 2.0) / ((x1 - x0) / 2.0);
                     const double sheen = 1.0 - 0.35 * across * across;
                     return Plus(Scaled(BarColour(db), brightness * sheen), 14.0);
                 });
}

void WriteMeterStrip(Canvas& panel, const char* outDir, const ArtworkControl& c)
{
    const double brightness[kMeterFrames] = {0.14, 0.5, 1.0};
    Strip strip(c.frameWidth, c.frameHeight, kMeterFrames);
    Canvas frame(c.left, c.top, c.frameWidth, c.frameHeight);
    for (int i = 0; i < kMeterFrames; ++i)
    {
        CopyPanelUnder(panel, &frame);
        PaintBar(frame, c, brightness[i]);
        const double cx = c.left + (kMeterLampLeft + kMeterLampRight) / 2.0;
        const double cy = c.top + (kMeterLampTop + kMeterLampBottom) / 2.0;
        // Its glow stays inside the lamp's own square, which the editor cuts out when lit.
        PaintLamp(frame, cx, cy, kMeterLampRadius, kLampRed, i == kMeterFrames - 1,
                  (kMeterLampRight - kMeterLampLeft) / 2.0 - kMeterLampRadius);
        strip.Add(frame, i);
    }
    strip.Write(outDir, c.file);
}

// Ticks and labels on the side of the bar that faces the Output knob, and the meter's legend
// beside its lamp.
void PaintMeterScale(Canvas& canvas, const ArtworkControl& c, const char* legend, bool inputSide)
{
    const double y0 = c.top + kMeterBarTop, y1 = c.top + kMeterBarBottom;
    const double edge = inputSide ? c.left + kMeterBarRight + 2 : c.left + kMeterBarLeft - 2;
    const double out = inputSide ? 1.0 : -1.0;
    for (int i = 0; i < kMeterScale.nMarks; ++i)
    {
        const IMeterMark& m = kMeterScale.marks[i];
        const double y = y1 - m.position * (y1 - y0);
        const bool end = i == 0 || i == kMeterScale.nMarks - 1;
        Stroke(canvas, edge, y, edge + out * (end ? 2.0 : 3.5), y, 1.0, kInk, end ? 0.6 : 1.0);
        if (end)
            continue;
        char label[8];
        std::snprintf(label, sizeof label, "%d", int(m.db));
        Text(canvas, label, edge + out * 11.0, y, 6.5, false, kInk, 0.9);
    }
    Text(canvas, legend, edge + out * 11.0, c.top + (kMeterLampTop + kMeterLampBottom) / 2.0, 7.5,
         true, kInk);
}

} // namespace

void WriteMeterStrips(Canvas& panel, const char* outDir)
{
    for (const PanelMeterPlace& m : kPanelMeters)
        WriteMeterStrip(panel, outDir, Control(m.file + kImageFolderLength));
}

void PaintMeterScales(Canvas& panel)
{
    for (const PanelMeterPlace& m : kPanelMeters)
    {
        const bool inputSide = m.side == LevelMeters::kInputSide;
        PaintMeterScale(panel, Control(m.file + kImageFolderLength), inputSide ? "IN" : "OUT",
                        inputSide);
    }
}
