#include "tools/artwork/Controls.h"

void PaintLamp(Canvas& canvas, double cx, double cy, double r, Rgb colour, bool lit, double glow)
{
    canvas.Paint(cx - r - glow, cy - r - glow, cx + r + glow, cy + r + glow,
                 [&](double x, double y, double* cover)
                 {
                     const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
                     if (d > r + 2.0)
                     {
                         *cover =
                             lit && d <= r + glow ? 0.45 * std::exp(-(d - r - 2.0) / 3.5) : 0.0;
                         return colour;
                     }
                     *cover = 1.0;
                     if (d > r)
                         return Plus(Rgb{150, 152, 156}, 60.0 * (-dy / std::max(d, 1e-6)));
                     // The lens: bright core when lit, a dark dome otherwise; a glint either way.
                     const double glint = std::exp(
                         -((dx + r * 0.35) * (dx + r * 0.35) + (dy + r * 0.4) * (dy + r * 0.4)) /
                         (r * r * 0.06));
                     Rgb c = lit ? Mix(Rgb{255, 235, 200}, colour, SmoothStep(0.0, r * 0.9, d))
                                 : Mix(Scaled(colour, 0.3), Scaled(colour, 0.16), d / r);
                     return Mix(c, Rgb{255, 255, 255}, glint * (lit ? 0.5 : 0.35));
                 });
}

namespace
{

// A bat-handle toggle: chrome bushing, lever up or down.
void PaintToggle(Canvas& canvas, double cx, double cy, bool up)
{
    const double len = 21.0, tipY = up ? cy - len : cy + len;
    // Bushing: a hexagon nut round a dark hole.
    canvas.Paint(cx - 14, cy - 14, cx + 14, cy + 16,
                 [&](double x, double y, double* cover)
                 {
                     const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
                     const double theta = std::atan2(dy, dx);
                     const double hex =
                         11.0 * std::cos(kPi / 6.0) /
                         std::cos(std::fmod(theta + kPi * 2.0, kPi / 3.0) - kPi / 6.0);
                     if (d > hex)
                     {
                         const double sd = std::sqrt(dx * dx + (dy - 2.5) * (dy - 2.5));
                         *cover = 0.5 * (1.0 - SmoothStep(hex - 1.0, hex + 4.0, sd));
                         return Rgb{0, 0, 0};
                     }
                     *cover = 1.0;
                     const double facet = std::floor((theta + kPi) / (kPi / 3.0));
                     Rgb c = Plus(Rgb{150, 152, 158}, 40.0 * std::cos(facet * 1.3 + 0.4));
                     if (d < 6.5)
                         c = Plus(Rgb{190, 192, 198}, -50.0 * (d / 6.5) + 30.0 * (-dy / 6.5));
                     if (d < 3.6)
                         c = Rgb{20, 20, 22};
                     return c;
                 });
    // Lever: a tapered chrome rod ending in a ball, shaded across its width.
    canvas.Paint(cx - 8, std::min(cy, tipY) - 8, cx + 8, std::max(cy, tipY) + 8,
                 [&](double x, double y, double* cover)
                 {
                     const double dx = x - cx;
                     const double t = (y - cy) / (tipY - cy);
                     const double ball = std::sqrt(dx * dx + (y - tipY) * (y - tipY));
                     const double halfWidth = 2.2 + 1.6 * t;
                     const bool inRod = t >= 0.0 && t <= 1.0 && std::fabs(dx) <= halfWidth;
                     if (!inRod && ball > 4.6)
                         return Rgb{0, 0, 0};
                     *cover = 1.0;
                     if (ball <= 4.6)
                     {
                         const double l = std::max(0.0, (-dx - (y - tipY)) / 6.5);
                         return Plus(Rgb{135, 138, 145}, 120.0 * l * l - 25.0 * ball / 4.6);
                     }
                     const double across = dx / halfWidth;
                     return Plus(Rgb{150, 153, 160},
                                 95.0 * std::exp(-(across + 0.35) * (across + 0.35) * 6.0) -
                                     60.0 * across * across);
                 });
}

} // namespace

void WriteSwitchStrip(Canvas& panel, const char* outDir, const char* file)
{
    const ArtworkControl& c = Control(file);
    Strip strip(c.frameWidth, c.frameHeight, 2);
    Canvas frame(c.left, c.top, c.frameWidth, c.frameHeight);
    const double cx = CentreX(c);
    for (int i = 0; i < 2; ++i)
    {
        // Value 0 puts the transformer in circuit: lever up, lamp lit, "IN".
        const bool in = i == 0;
        CopyPanelUnder(panel, &frame);
        PaintLamp(frame, cx, c.top + 13, 6.0, kLampRed, in);
        PaintToggle(frame, cx, c.top + 52, in);
        Text(frame, in ? "IN" : "OUT", cx, c.top + 86, 10, true, in ? Rgb{255, 120, 96} : kInkDim);
        strip.Add(frame, i);
    }
    strip.Write(outDir, file);
}
