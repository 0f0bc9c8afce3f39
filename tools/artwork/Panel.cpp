#include "tools/artwork/Panel.h"

#include <cstdio>
#include <string>
#include <vector>

#include "tools/artwork/Controls.h"

namespace
{

void PaintPanelMetal(Canvas& canvas)
{
    // One brightness offset per fine row, and slow streaks along each row: brushed paint.
    std::vector<double> rows(kPanelHeight * kScale);
    Noise noise(0x5eed1234u);
    for (double& v : rows)
        v = noise.Next();
    const Rgb top = {78, 84, 92}, bottom = {52, 56, 63};
    canvas.Paint(0, 0, kPanelWidth, kPanelHeight,
                 [&](double x, double y, double* cover)
                 {
                     *cover = 1.0;
                     const int row = std::min(int(y * kScale), kPanelHeight * kScale - 1);
                     const int seg = int(x / 23.0 + Hash(row) * 7.0);
                     const double streak = Hash(row * 131 + seg) * 0.5;
                     Rgb c = Mix(top, bottom, y / kPanelHeight);
                     // A broad sheen across the upper half, as from a light above the desk.
                     c = Plus(c, 10.0 * std::exp(-std::pow((y - 150.0) / 220.0, 2.0)));
                     return Plus(c, 9.0 * rows[row] + 5.0 * streak);
                 });
    // Bevelled edges: lit on the top and left, shaded on the bottom and right.
    canvas.Paint(0, 0, kPanelWidth, kPanelHeight,
                 [&](double x, double y, double* cover)
                 {
                     const double edge =
                         std::min(std::min(x, y), std::min(kPanelWidth - x, kPanelHeight - y));
                     if (edge > 4.0)
                         return Rgb{0, 0, 0};
                     // The nearest edge decides: top and left face the light.
                     const bool lit = edge == x || edge == y;
                     *cover = edge < 1.0 ? 0.85 : 0.45 * (1.0 - (edge - 1.0) / 3.0);
                     if (edge < 1.0)
                         return Rgb{12, 13, 15};
                     return lit ? Rgb{200, 206, 214} : Rgb{14, 15, 18};
                 });
}

void PaintScrew(Canvas& canvas, double cx, double cy, double slotAngle)
{
    const double r = 6.0;
    canvas.Paint(cx - r - 3, cy - r - 3, cx + r + 3, cy + r + 4,
                 [&](double x, double y, double* cover)
                 {
                     const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
                     const double shadow = std::sqrt(dx * dx + (dy - 1.2) * (dy - 1.2));
                     if (d > r)
                     {
                         *cover = 0.5 * Disc(shadow, r + 0.6, 0.8);
                         return Rgb{0, 0, 0};
                     }
                     *cover = 1.0;
                     // Domed head lit from the upper left, with the slot cut across it.
                     const double light = std::max(0.0, (-dx - dy) / (r * 1.4142));
                     Rgb c = Plus(Rgb{120, 122, 126}, 90.0 * light * light - 30.0 * (d / r));
                     const double u = dx * std::cos(slotAngle) + dy * std::sin(slotAngle);
                     const double v = -dx * std::sin(slotAngle) + dy * std::cos(slotAngle);
                     if (std::fabs(v) < 0.9 && std::fabs(u) < r - 0.8)
                         c = v < 0.0 ? Rgb{28, 28, 30} : Rgb{62, 62, 66};
                     if (d > r - 0.7)
                         c = Scaled(c, 0.6);
                     return c;
                 });
}

// An engraved rule: a dark cut with a lit lower lip.
void PaintRule(Canvas& canvas, double x0, double x1, double y)
{
    Stroke(canvas, x0, y, x1, y, 1.0, Rgb{18, 20, 23}, 0.8);
    Stroke(canvas, x0, y + 1.0, x1, y + 1.0, 1.0, Rgb{170, 176, 184}, 0.35);
}

struct Tick
{
    double position; // 0 … 1 along the sweep
    bool major;
    std::string label; // empty for none
};

void PaintScale(Canvas& canvas, double cx, double cy, double inner, double minorLen,
                double majorLen, double labelRadius, double labelSize,
                const std::vector<Tick>& ticks)
{
    for (const Tick& t : ticks)
    {
        const double a = SweepAngle(t.position), s = std::sin(a), c = -std::cos(a);
        const double outer = inner + (t.major ? majorLen : minorLen);
        Stroke(canvas, cx + s * inner, cy + c * inner, cx + s * outer, cy + c * outer,
               t.major ? 1.5 : 1.0, kInk, t.major ? 1.0 : 0.8);
        if (!t.label.empty())
            Text(canvas, t.label.c_str(), cx + s * labelRadius, cy + c * labelRadius, labelSize,
                 false, kInk);
    }
}

std::vector<Tick> GainTicks(double minDb, double maxDb, double stepDb, double labelStepDb,
                            double shape, bool signedLabels)
{
    std::vector<Tick> ticks;
    for (double db = minDb; db <= maxDb + 1e-9; db += stepDb)
    {
        const double position = std::pow((db - minDb) / (maxDb - minDb), 1.0 / shape);
        const bool labelled = std::fmod(std::fabs(db - minDb) + 1e-9, labelStepDb) < 1e-6;
        char label[16] = "";
        if (labelled)
            std::snprintf(label, sizeof label, signedLabels && db > 0 ? "+%d" : "%d", int(db));
        ticks.push_back({position, labelled, label});
    }
    return ticks;
}

std::vector<Tick> ToneTicks()
{
    std::vector<Tick> ticks;
    for (int i = 0; i <= 10; ++i)
        ticks.push_back({i / 10.0, i == 0 || i == 5 || i == 10,
                         i == 0    ? "\xe2\x80\x93"
                         : i == 5  ? "0"
                         : i == 10 ? "+"
                                   : ""});
    return ticks;
}

} // namespace

void PaintPanel(Canvas& canvas)
{
    PaintPanelMetal(canvas);
    PaintScrew(canvas, 13, 13, 0.6);
    PaintScrew(canvas, kPanelWidth - 13, 13, 2.1);
    PaintScrew(canvas, 13, kPanelHeight - 13, 1.2);
    PaintScrew(canvas, kPanelWidth - 13, kPanelHeight - 13, 2.8);

    // Maker and product in the upper corners, beside the input knob.
    Text(canvas, "VELTAR", 52, 44, 20, true, kInk);
    Stroke(canvas, 22, 58, 82, 58, 1.2, kLampRed, 0.9);
    Text(canvas, "CONSOLE CHANNEL", 52, 67, 7.5, false, kInk, 0.75);
    Text(canvas, "Quillstone", 300, 44, 12, true, kInk);
    Text(canvas, "A U D I O", 300, 60, 7.5, false, kInk, 0.75);

    const ArtworkControl& in = Control("IN.png");
    const ArtworkControl& out = Control("OUT.png");
    const ArtworkControl& low = Control("LOW.png");
    const ArtworkControl& high = Control("HIGH.png");
    const ArtworkControl& bus = Control("BUS.png");
    const ArtworkControl& xfmr = Control("XFMR.png");
    const ArtworkControl& model = Control("MODEL.png");

    PaintScale(canvas, CentreX(in), CentreY(in), 45, 4, 7, 61, 8.5,
               GainTicks(0, 24, 3, 6, 2.0, false));
    Text(canvas, "INPUT", CentreX(in), CentreY(in) + 60, 10, true, kInk);
    PaintScale(canvas, CentreX(out), CentreY(out), 45, 4, 7, 61, 8.5,
               GainTicks(-24, 24, 6, 12, 1.0, true));
    Text(canvas, "OUTPUT", CentreX(out), CentreY(out) + 60, 10, true, kInk);

    for (const ArtworkControl* tone : {&low, &high})
    {
        PaintScale(canvas, CentreX(*tone), CentreY(*tone), 27, 3, 5, 37, 10, ToneTicks());
        Text(canvas, tone == &low ? "LOW" : "HIGH", CentreX(*tone), CentreY(*tone) + 35, 9, true,
             kInk);
    }

    Text(canvas, "TRANSFORMER", CentreX(xfmr), xfmr.top - 8, 8, true, kInk);
    Text(canvas, "BUS", CentreX(bus), bus.top - 8, 8, true, kInk);
    Text(canvas, "MODEL", CentreX(model), model.top + model.frameHeight - 6, 9, true, kInk);

    PaintMeterScales(canvas);

    PaintRule(canvas, 22, kPanelWidth - 22, (out.top + out.frameHeight + low.top) / 2.0 - 1);
    PaintRule(canvas, 22, kPanelWidth - 22, (low.top + low.frameHeight + model.top) / 2.0);
}
