// The knobs: a knurled skirt under a spun aluminium cap, one frame per pointer position.
#include "tools/artwork/Controls.h"

namespace
{

void PaintKnob(Canvas& canvas, double cx, double cy, const KnobStyle& k, double angle)
{
    const double rs = k.skirtRadius, rc = k.capRadius;
    const double ps = std::sin(angle), pc = -std::cos(angle);
    canvas.Paint(
        cx - rs - 8, cy - rs - 8, cx + rs + 8, cy + rs + 10,
        [&](double x, double y, double* cover)
        {
            const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
            if (d > rs + 0.01)
            {
                // Soft shadow cast downwards onto the panel.
                const double sd = std::sqrt(dx * dx + (dy - 3.5) * (dy - 3.5));
                *cover = 0.55 * (1.0 - SmoothStep(rs - 3.0, rs + 6.0, sd));
                return Rgb{0, 0, 0};
            }
            *cover = 1.0;
            const double theta = std::atan2(dx, -dy); // 0 up, clockwise
            const double lightUp = -dy / std::max(d, 1e-6);
            // Along the pointer (u) and across it (w).
            const double u = dx * ps + dy * pc, w = dx * pc - dy * ps;
            if (d > rc)
            {
                // Knurled skirt turning with the knob, lit from above.
                const double ridge = 0.5 + 0.5 * std::cos(k.ridges * (theta - angle));
                const double rim = (d - rc) / (rs - rc);
                Rgb c = Plus(Rgb{24, 24, 27}, 26.0 * ridge * (0.6 + 0.4 * lightUp));
                c = Plus(c, 22.0 * std::max(0.0, lightUp) * (1.0 - rim));
                if (d > rs - 1.0)
                    c = Scaled(c, 0.55);
                if (u > 0.0 && std::fabs(w) < 1.3)
                    c = Mix(c, Rgb{238, 232, 214}, 1.0 - SmoothStep(rs - 2.5, rs - 0.5, d));
                return c;
            }
            // Spun aluminium cap: the concentric grain catches the light in a cross.
            const double spin = std::pow(std::fabs(std::cos(theta + kPi / 4.0)), 6.0);
            const double grain = Hash(int(d * kScale * 1.7)) * 7.0;
            Rgb c = Plus(Rgb{150, 153, 158}, 70.0 * spin + 22.0 * lightUp + grain);
            // Chamfer round the cap's edge.
            if (d > rc - 2.0)
                c = Plus(c, lightUp > 0.0 ? 45.0 * lightUp : 70.0 * lightUp);
            if (d > rc - 0.6)
                c = Scaled(c, 0.5);
            // The pointer line from near the centre to the chamfer.
            if (u > rc * 0.35 && u < rc - 2.5 && std::fabs(w) < 1.5)
                c = k.accent;
            return c;
        });
}

} // namespace

void WriteKnobStrip(Canvas& panel, const char* outDir, const char* file, const KnobStyle& style)
{
    const ArtworkControl& c = Control(file);
    Strip strip(c.frameWidth, c.frameHeight, kKnobFrames);
    Canvas frame(c.left, c.top, c.frameWidth, c.frameHeight);
    for (int i = 0; i < kKnobFrames; ++i)
    {
        CopyPanelUnder(panel, &frame);
        PaintKnob(frame, CentreX(c), CentreY(c), style, SweepAngle(i / double(kKnobFrames - 1)));
        strip.Add(frame, i);
    }
    strip.Write(outDir, file);
}
