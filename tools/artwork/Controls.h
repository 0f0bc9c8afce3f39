// The strips of the editor's controls, each frame drawn over the panel under the control.
#pragma once

#include <cstring>

#include "tools/ArtworkLayout.h"
#include "tools/artwork/Canvas.h"

const int kKnobFrames = 61;
// A knob's pointer sweeps from 7 o'clock to 5 o'clock.
const double kSweepDegrees = 300.0;

// Direction of a knob pointer in radians, 0 up and clockwise positive, for a position 0 … 1.
inline double SweepAngle(double position)
{
    return (position - 0.5) * kSweepDegrees * kPi / 180.0;
}

// The control drawn to file, and the centre of its frame on the panel.
inline const ArtworkControl& Control(const char* file)
{
    for (const ArtworkControl& c : kArtworkControls)
        if (std::strcmp(c.file, file) == 0)
            return c;
    return kArtworkControls[0];
}

inline double CentreX(const ArtworkControl& c)
{
    return c.left + c.frameWidth / 2.0;
}

inline double CentreY(const ArtworkControl& c)
{
    return c.top + c.frameHeight / 2.0;
}

struct KnobStyle
{
    double skirtRadius;
    double capRadius;
    int ridges;
    Rgb accent; // the pointer line on the cap
};

void WriteKnobStrip(Canvas& panel, const char* outDir, const char* file, const KnobStyle& style);
// A round lamp with a chrome bezel; lit, it glows onto the panel up to glow beyond its radius.
void PaintLamp(Canvas& canvas, double cx, double cy, double r, Rgb colour, bool lit,
               double glow = 10.0);
// The two transformer switches: a lamp, a toggle and its legend.
void WriteSwitchStrip(Canvas& panel, const char* outDir, const char* file);
void WriteModelStrip(Canvas& panel, const char* outDir);
// The two level meters: their strips, and the scales and legends the panel prints beside them.
void WriteMeterStrips(Canvas& panel, const char* outDir);
void PaintMeterScales(Canvas& panel);
