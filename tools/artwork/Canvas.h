// The artwork generator's drawing kit: colours, fixed-seed noise, a canvas drawn at kScale times
// the panel's resolution, the strips it is reduced into, and text and strokes on it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <string>

#include "raster/Raster.h"

const int kScale = 4;
const double kPi = 3.141592653589793;

struct Rgb
{
    double r, g, b;
};

inline Rgb Mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

inline Rgb Scaled(Rgb c, double k)
{
    return {c.r * k, c.g * k, c.b * k};
}

inline Rgb Plus(Rgb c, double v)
{
    return {c.r + v, c.g + v, c.b + v};
}

inline unsigned int Clamp8(double v)
{
    return v <= 0.0 ? 0u : v >= 255.0 ? 255u : (unsigned int)(v + 0.5);
}

inline Raster_Pixel Pack(Rgb c, double alpha = 1.0)
{
    return Raster_RGBA(Clamp8(c.r), Clamp8(c.g), Clamp8(c.b), Clamp8(alpha * 255.0));
}

inline Rgb Unpack(Raster_Pixel p)
{
    return {double(Raster_GetR(p)), double(Raster_GetG(p)), double(Raster_GetB(p))};
}

inline double SmoothStep(double e0, double e1, double x)
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

inline double Hash(int i)
{
    unsigned int h = (unsigned int)i * 2654435761u;
    h ^= h >> 15;
    h *= 2246822519u;
    h ^= h >> 13;
    return double(h & 0xffff) / 65535.0 * 2.0 - 1.0;
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
        Raster_Pixel* bits = bitmap.getBits();
        for (int fy = fy0; fy < fy1; ++fy)
            for (int fx = fx0; fx < fx1; ++fx)
            {
                const double px = left + (fx + 0.5) / kScale, py = top + (fy + 0.5) / kScale;
                double cover = 0.0;
                const Rgb c = shade(px, py, &cover);
                if (cover <= 0.0)
                    continue;
                Raster_Pixel& p = bits[std::ptrdiff_t(fy) * bitmap.getRowSpan() + fx];
                p = Pack(Mix(Unpack(p), c, std::min(1.0, cover)));
            }
    }

    Raster_MemBitmap bitmap;
    int left, top;
};

// Starts a frame from the panel under its control.
void CopyPanelUnder(Canvas& panel, Canvas* frame);

// A bitmap of frames stacked top to bottom, kept at every output scale.
class Strip
{
public:
    Strip(int frameWidth, int frameHeight, int frames);
    // Reduces a canvas of one frame's size into frame index.
    void Add(Canvas& frame, int index);
    // Writes file (a name ending in ".png") and its @2x twin into outDir.
    bool Write(const char* outDir, const std::string& file);

private:
    static const int kOutScales = 2;
    int mFrameHeight;
    Raster_MemBitmap mBitmaps[kOutScales];
};

const Rgb kInk = {232, 222, 196};    // the cream of the printed legends
const Rgb kInkDim = {150, 146, 134}; // legends of positions not selected
const Rgb kLampRed = {255, 62, 38};
const Rgb kAmber = {255, 186, 84};

// Text centred on (cx, cy), printed with a faint shadow so it sits on the metal.
void Text(Canvas& canvas, const char* text, double cx, double cy, double size, bool bold, Rgb ink,
          double alpha = 1.0);

// A straight stroke of the given width between two panel points.
void Stroke(Canvas& canvas, double x1, double y1, double x2, double y2, double width, Rgb colour,
            double alpha = 1.0);

// Coverage of a disc of radius r at distance d from its centre, softened over soft pixels.
double Disc(double d, double r, double soft = 0.0);
