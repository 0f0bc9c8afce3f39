// The model selector: a chicken-head knob pointing at one of three printed names.
#include "tools/artwork/Controls.h"

namespace
{

const char* const kModelNames[3] = {"SRPP", "QUAD", "NK"};
const double kModelAngles[3] = {-55.0, 0.0, 55.0};

// A chicken-head pointer knob of black bakelite.
void PaintChickenHead(Canvas& canvas, double cx, double cy, double angle)
{
    const double ps = std::sin(angle), pc = -std::cos(angle);
    canvas.Paint(cx - 38, cy - 38, cx + 38, cy + 41,
                 [&](double x, double y, double* cover)
                 {
                     const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
                     const double u = dx * ps + dy * pc, w = dx * pc - dy * ps;
                     // Round body, a long tapering nose and a short tail.
                     auto inside = [&](double uu, double ww, double dd)
                     {
                         if (dd <= 18.0)
                             return true;
                         if (uu >= 0.0 && uu <= 32.0)
                             return std::fabs(ww) <= 11.0 - 7.5 * uu / 32.0;
                         if (uu < 0.0 && uu >= -22.0)
                             return std::fabs(ww) <= 11.0 - 4.0 * -uu / 22.0;
                         return false;
                     };
                     if (!inside(u, w, d))
                     {
                         const double su = (dx)*ps + (dy - 3.0) * pc,
                                      sw = (dx)*pc - (dy - 3.0) * ps;
                         const double sd = std::sqrt(dx * dx + (dy - 3.0) * (dy - 3.0));
                         *cover = inside(su, sw, sd - 1.5) ? 0.45 : 0.0;
                         return Rgb{0, 0, 0};
                     }
                     *cover = 1.0;
                     const double lightUp = -dy / 38.0;
                     Rgb c = Plus(Rgb{36, 34, 33}, 30.0 * lightUp);
                     // A raised spine with a bright line along the nose.
                     c = Plus(c, 26.0 * std::exp(-w * w / 10.0) * (u > -22.0 ? 1.0 : 0.0));
                     if (u > 6.0 && u < 29.0 && std::fabs(w) < 1.2)
                         c = Rgb{238, 232, 214};
                     return c;
                 });
}

} // namespace

void WriteModelStrip(Canvas& panel, const char* outDir)
{
    const ArtworkControl& c = Control("MODEL.png");
    Strip strip(c.frameWidth, c.frameHeight, 3);
    Canvas frame(c.left, c.top, c.frameWidth, c.frameHeight);
    const double cx = CentreX(c), cy = c.top + 58;
    for (int i = 0; i < 3; ++i)
    {
        CopyPanelUnder(panel, &frame);
        for (int p = 0; p < 3; ++p)
        {
            const double a = kModelAngles[p] * kPi / 180.0, s = std::sin(a), k = -std::cos(a);
            Stroke(frame, cx + s * 36, cy + k * 36, cx + s * 41, cy + k * 41, 1.5, kInk);
            const double lr = p == 1 ? 49.0 : 55.0;
            Text(frame, kModelNames[p], cx + s * lr, cy + k * lr, 10, true,
                 p == i ? kAmber : kInkDim);
        }
        PaintChickenHead(frame, cx, cy, kModelAngles[i] * kPi / 180.0);
        strip.Add(frame, i);
    }
    strip.Write(outDir, "MODEL.png");
}
