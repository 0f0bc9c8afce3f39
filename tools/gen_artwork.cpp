// Draws the editor's bitmaps: the panel and the frame strips of its knobs and switches.
//
//   gen_artwork <outdir> [--preview <file.png>]
//
// Everything is drawn four times larger and reduced with a box filter, which is what smooths
// the edges. Each bitmap is written twice from the same drawing: at the panel's resolution
// (name.png) and at twice it (name@2x.png), for editors shown at a scale above 1. The controls'
// frames carry the panel under them, so they look the same whichever way they are composited. The
// output depends on nothing but this file and the installed DejaVu fonts: noise comes from a
// fixed-seed generator and the PNG writer stores no time.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "raster/Raster.h"
#include "raster/RasterFont.h"
#include "raster/RasterPNG.h"
#include "tools/ArtworkLayout.h"

namespace
{

const int kScale = 4;
const double kPi = 3.141592653589793;
const int kKnobFrames = 61;
// A knob's pointer sweeps from 7 o'clock to 5 o'clock.
const double kSweepDegrees = 300.0;

struct Rgb
{
    double r, g, b;
};

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scaled(Rgb c, double k)
{
    return {c.r * k, c.g * k, c.b * k};
}

Rgb Plus(Rgb c, double v)
{
    return {c.r + v, c.g + v, c.b + v};
}

unsigned int Clamp8(double v)
{
    return v <= 0.0 ? 0u : v >= 255.0 ? 255u : (unsigned int)(v + 0.5);
}

Raster_pixel Pack(Rgb c, double alpha = 1.0)
{
    return Raster_RGBA(Clamp8(c.r), Clamp8(c.g), Clamp8(c.b), Clamp8(alpha * 255.0));
}

Rgb Unpack(Raster_pixel p)
{
    return {double(Raster_GETR(p)), double(Raster_GETG(p)), double(Raster_GETB(p))};
}

double SmoothStep(double e0, double e1, double x)
{
    double t = (x - e0) / (e1 - e0);
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    return t * t * (3.0 - 2.0 * t);
}

// Fixed-seed noise, so that every run draws the same panel.
class Noise
{
public:
    explicit Noise(unsigned int seed) : mState(seed) {}
    // Uniform in [−1, 1].
    double Next()
    {
        mState ^= mState << 13;
        mState ^= mState >> 17;
        mState ^= mState << 5;
        return double(mState) / 2147483647.5 - 1.0;
    }

private:
    unsigned int mState;
};

double Hash(int i)
{
    unsigned int h = (unsigned int)i * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return double(h & 0xffff) / 65535.0 * 2.0 - 1.0;
}

// Direction of a knob pointer in radians, 0 up and clockwise positive, for a position 0 … 1.
double SweepAngle(double position)
{
    return (position - 0.5) * kSweepDegrees * kPi / 180.0;
}

// A drawing surface at kScale times the panel's resolution that covers the panel area from
// (left, top); all drawing calls take panel coordinates.
struct Canvas
{
    Canvas(int left_, int top_, int width, int height)
        : bitmap(width * kScale, height * kScale), left(left_), top(top_)
    {
    }
    double X(double panelX) const { return (panelX - left) * kScale; }
    double Y(double panelY) const { return (panelY - top) * kScale; }

    // Calls shade(x, y) for every fine pixel whose centre lies in the panel-space box; shade
    // answers the colour and how much of it covers the pixel.
    template <class Shade> void Paint(double x0, double y0, double x1, double y1, Shade shade)
    {
        const int w = bitmap.getWidth(), h = bitmap.getHeight();
        const int fx0 = std::max(0, int(std::floor(X(x0)))),
                  fx1 = std::min(w, int(std::ceil(X(x1))));
        const int fy0 = std::max(0, int(std::floor(Y(y0)))),
                  fy1 = std::min(h, int(std::ceil(Y(y1))));
        Raster_pixel* bits = bitmap.getBits();
        for (int fy = fy0; fy < fy1; ++fy)
            for (int fx = fx0; fx < fx1; ++fx)
            {
                const double px = left + (fx + 0.5) / kScale, py = top + (fy + 0.5) / kScale;
                double cover = 0.0;
                const Rgb c = shade(px, py, &cover);
                if (cover <= 0.0)
                    continue;
                Raster_pixel& p = bits[std::ptrdiff_t(fy) * bitmap.getRowSpan() + fx];
                p = Pack(Mix(Unpack(p), c, std::min(1.0, cover)));
            }
    }

    Raster_MemBitmap bitmap;
    int left, top;
};

// Reduces a canvas to outScale times panel resolution, averaging each block of canvas pixels
// that makes one output pixel.
void Reduce(Canvas& canvas, Raster_IBitmap* out, int outX, int outY, int outScale)
{
    const int block = kScale / outScale;
    const int w = canvas.bitmap.getWidth() / block, h = canvas.bitmap.getHeight() / block;
    Raster_pixel* src = canvas.bitmap.getBits();
    const int span = canvas.bitmap.getRowSpan();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            unsigned int r = 0, g = 0, b = 0;
            for (int j = 0; j < block; ++j)
                for (int i = 0; i < block; ++i)
                {
                    const Raster_pixel p =
                        src[std::ptrdiff_t(y * block + j) * span + x * block + i];
                    r += Raster_GETR(p);
                    g += Raster_GETG(p);
                    b += Raster_GETB(p);
                }
            const unsigned int n = unsigned(block * block);
            Raster_PutPixel(out, outX + x, outY + y,
                            Raster_RGBA((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n, 255),
                            1.0f, RASTER_BLIT_MODE_COPY);
        }
}

// A bitmap of frames stacked top to bottom, kept at every output scale.
class Strip
{
public:
    Strip(int frameWidth, int frameHeight, int frames) : mFrameHeight(frameHeight)
    {
        for (int s = 0; s < kOutScales; ++s)
            mBitmaps[s].resize(frameWidth * (s + 1), frameHeight * frames * (s + 1));
    }
    // Reduces a canvas of one frame's size into frame index.
    void Add(Canvas& frame, int index)
    {
        for (int s = 0; s < kOutScales; ++s)
            Reduce(frame, &mBitmaps[s], 0, index * mFrameHeight * (s + 1), s + 1);
    }
    // Writes file (a name ending in ".png") and its @2x twin into outDir.
    bool Write(const char* outDir, const std::string& file)
    {
        const std::string base = std::string(outDir) + "/" + file.substr(0, file.size() - 4);
        return Raster_WritePNG((base + ".png").c_str(), &mBitmaps[0]) &&
               Raster_WritePNG((base + "@2x.png").c_str(), &mBitmaps[1]);
    }

private:
    static const int kOutScales = 2;
    int mFrameHeight;
    Raster_MemBitmap mBitmaps[kOutScales];
};

// Fonts at canvas resolution, made once per size and weight.
class Fonts
{
public:
    Raster_CachedFont* Get(double size, bool bold)
    {
        const int height = -int(size * kScale + 0.5);
        auto& slot = mFonts[height * 2 + (bold ? 1 : 0)];
        if (!slot)
        {
            slot.reset(new Raster_CachedFont);
            slot->SetFromHFont(CreateFont(height, 0, 0, 0, bold ? FW_BOLD : 400, 0, 0, 0, 0, 0, 0,
                                          0, 0, "DejaVu Sans Condensed"),
                               RASTER_FONT_FLAG_OWNS_HFONT);
        }
        return slot.get();
    }

private:
    std::map<int, std::unique_ptr<Raster_CachedFont>> mFonts;
};

Fonts gFonts;

const Rgb kInk = {232, 222, 196};    // the cream of the printed legends
const Rgb kInkDim = {150, 146, 134}; // legends of positions not selected
const Rgb kLampRed = {255, 62, 38};
const Rgb kAmber = {255, 186, 84};

// Text centred on (cx, cy), printed with a faint shadow so it sits on the metal.
void Text(Canvas& canvas, const char* text, double cx, double cy, double size, bool bold, Rgb ink,
          double alpha = 1.0)
{
    Raster_CachedFont* font = gFonts.Get(size, bold);
    const int w = 400 * kScale, h = 60 * kScale;
    for (int pass = 0; pass < 2; ++pass)
    {
        const double dy = pass == 0 ? 0.6 : 0.0;
        RECT r;
        r.left = int(canvas.X(cx) - w / 2);
        r.right = r.left + w;
        r.top = int(canvas.Y(cy + dy) - h / 2);
        r.bottom = r.top + h;
        font->SetTextColor(pass == 0 ? Raster_RGBA(0, 0, 0, Clamp8(110 * alpha))
                                     : Pack(ink, alpha));
        font->DrawText(&canvas.bitmap, text, -1, &r,
                       DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | RASTER_DT_USEFGALPHA);
    }
}

// A straight stroke of the given width between two panel points.
void Stroke(Canvas& canvas, double x1, double y1, double x2, double y2, double width, Rgb colour,
            double alpha = 1.0)
{
    const double dx = x2 - x1, dy = y2 - y1, len = std::sqrt(dx * dx + dy * dy);
    const double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    const int xs[4] = {int(canvas.X(x1 + nx)), int(canvas.X(x2 + nx)), int(canvas.X(x2 - nx)),
                       int(canvas.X(x1 - nx))};
    const int ys[4] = {int(canvas.Y(y1 + ny)), int(canvas.Y(y2 + ny)), int(canvas.Y(y2 - ny)),
                       int(canvas.Y(y1 - ny))};
    Raster_FillConvexPolygon(&canvas.bitmap, xs, ys, 4, Pack(colour), float(alpha),
                             RASTER_BLIT_MODE_COPY);
}

// Coverage of a disc of radius r at distance d from its centre, softened over soft pixels.
double Disc(double d, double r, double soft = 0.0)
{
    return soft > 0.0 ? 1.0 - SmoothStep(r - soft, r + soft, d) : (d <= r ? 1.0 : 0.0);
}

// ---------------------------------------------------------------------------------------------
// Panel

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

const ArtworkControl& Control(const char* file)
{
    for (const ArtworkControl& c : kArtworkControls)
        if (std::strcmp(c.file, file) == 0)
            return c;
    return kArtworkControls[0];
}

double CentreX(const ArtworkControl& c)
{
    return c.left + c.frameWidth / 2.0;
}

double CentreY(const ArtworkControl& c)
{
    return c.top + c.frameHeight / 2.0;
}

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

    PaintRule(canvas, 22, kPanelWidth - 22, (out.top + out.frameHeight + low.top) / 2.0 - 1);
    PaintRule(canvas, 22, kPanelWidth - 22, (low.top + low.frameHeight + model.top) / 2.0);
}

// ---------------------------------------------------------------------------------------------
// Knobs

struct KnobStyle
{
    double skirtRadius;
    double capRadius;
    int ridges;
    Rgb accent; // the pointer line on the cap
};

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

// Starts a frame from the panel under its control.
void CopyPanelUnder(Canvas& panel, Canvas* frame)
{
    Raster_Blit(&frame->bitmap, &panel.bitmap, 0, 0, frame->left * kScale, frame->top * kScale,
                frame->bitmap.getWidth(), frame->bitmap.getHeight(), 1.0f, RASTER_BLIT_MODE_COPY);
}

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

// ---------------------------------------------------------------------------------------------
// Switches

// A round lamp with a chrome bezel; lit, it glows onto the panel round it.
void PaintLamp(Canvas& canvas, double cx, double cy, double r, Rgb colour, bool lit)
{
    canvas.Paint(cx - r - 10, cy - r - 10, cx + r + 10, cy + r + 10,
                 [&](double x, double y, double* cover)
                 {
                     const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
                     if (d > r + 2.0)
                     {
                         *cover = lit ? 0.45 * std::exp(-(d - r - 2.0) / 3.5) : 0.0;
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

// ---------------------------------------------------------------------------------------------
// Model selector

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

// ---------------------------------------------------------------------------------------------

// The panel with one frame of each control composited at its place, to look at the design.
bool WritePreview(const char* outDir, const char* path)
{
    std::unique_ptr<Raster_IBitmap> panel(
        Raster_LoadPNG((std::string(outDir) + "/BG.png").c_str()));
    if (!panel)
        return false;
    const int shown[] = {18, 36, 12, 44, 1, 0, 1};
    int n = 0;
    for (const ArtworkControl& c : kArtworkControls)
    {
        std::unique_ptr<Raster_IBitmap> strip(
            Raster_LoadPNG((std::string(outDir) + "/" + c.file).c_str()));
        if (!strip)
            return false;
        Raster_Blit(panel.get(), strip.get(), c.left, c.top, 0, shown[n++] * c.frameHeight,
                    c.frameWidth, c.frameHeight, 1.0f,
                    RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    }
    return Raster_WritePNG(path, panel.get());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--preview") == 0))
    {
        std::fprintf(stderr, "usage: gen_artwork <outdir> [--preview <file.png>]\n");
        return 2;
    }
    const char* outDir = argv[1];
    Canvas panel(0, 0, kPanelWidth, kPanelHeight);
    PaintPanel(panel);
    Strip background(kPanelWidth, kPanelHeight, 1);
    background.Add(panel, 0);
    if (!background.Write(outDir, "BG.png"))
    {
        std::fprintf(stderr, "gen_artwork: cannot write to %s\n", outDir);
        return 1;
    }
    WriteKnobStrip(panel, outDir, "IN.png", {39, 30, 40, {208, 44, 32}});
    WriteKnobStrip(panel, outDir, "OUT.png", {39, 30, 40, {208, 44, 32}});
    WriteKnobStrip(panel, outDir, "LOW.png", {22, 16.5, 24, {36, 36, 40}});
    WriteKnobStrip(panel, outDir, "HIGH.png", {22, 16.5, 24, {52, 100, 196}});
    WriteSwitchStrip(panel, outDir, "BUS.png");
    WriteSwitchStrip(panel, outDir, "XFMR.png");
    WriteModelStrip(panel, outDir);
    if (argc == 4 && !WritePreview(outDir, argv[3]))
    {
        std::fprintf(stderr, "gen_artwork: cannot write the preview %s\n", argv[3]);
        return 1;
    }
    return 0;
}
