#include <cmath>

#include "raster/RasterCombine.h"

using namespace raster_detail;

namespace
{

const double kTwoPi = 6.283185307179586;

// Combines the colour into columns x0 … x1 of one row, already clipped to the bitmap.
template <class Op>
void CombineSpan(Raster_IBitmap* bitmap, int row, int x0, int x1, Raster_Pixel colour, Op op)
{
    Raster_Pixel* p = bitmap->getBits() + std::ptrdiff_t(row) * bitmap->getRowSpan();
    for (int x = x0; x <= x1; ++x)
        p[x] = op(p[x], colour);
}

// Visits every pixel centre within reach of a circle (radius plus one pixel), clipped to the
// bitmap, with its offset from the centre.
template <class Visit>
void ForEachPixelNearCircle(Raster_IBitmap* bitmap, double cx, double cy, double radius,
                            Visit visit)
{
    const double reach = radius + 1.0;
    const int x0 = int(std::max(0.0, std::floor(cx - reach)));
    const int y0 = int(std::max(0.0, std::floor(cy - reach)));
    const int x1 = int(std::min(double(bitmap->getWidth() - 1), std::ceil(cx + reach)));
    const int y1 = int(std::min(double(bitmap->getHeight() - 1), std::ceil(cy + reach)));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            visit(x, y, x - cx, y - cy);
}

bool CircleIsDrawable(Raster_IBitmap* bitmap, float cx, float cy, float radius)
{
    return bitmap && std::isfinite(cx) && std::isfinite(cy) && std::isfinite(radius) &&
           radius >= 0.0f &&
           // A circle this large around a point this far out cannot be meant; it would only
           // cost time.
           std::fabs(cx) < 1e6f && std::fabs(cy) < 1e6f && radius < 1e6f;
}

// A one-pixel ring: without antialiasing the pixels whose centres lie within half a pixel of
// the circle (connected, never doubled), with it a coverage falling off over one pixel.
// Only pixels for which keep(dx, dy) is true are drawn.
template <class Keep>
void Ring(Raster_IBitmap* bitmap, float cx, float cy, float radius, Raster_Pixel colour,
          float weight, int mode, bool antialias, Keep keep)
{
    if (!CircleIsDrawable(bitmap, cx, cy, radius))
        return;
    const double r = radius;
    const double inner = std::max(0.0, r - 0.5), outer = r + 0.5;
    ForEachPixelNearCircle(bitmap, cx, cy, r,
                           [&](int x, int y, double dx, double dy)
                           {
                               if (!keep(dx, dy))
                                   return;
                               const double d2 = dx * dx + dy * dy;
                               if (!antialias)
                               {
                                   if (d2 >= inner * inner && d2 <= outer * outer)
                                       Raster_PutPixel(bitmap, x, y, colour, weight, mode);
                                   return;
                               }
                               const double coverage = 1.0 - std::fabs(std::sqrt(d2) - r);
                               if (coverage > 0.0)
                                   Raster_PutPixel(bitmap, x, y, colour, float(weight * coverage),
                                                   mode);
                           });
}

} // namespace

void Raster_Line(Raster_IBitmap* bitmap, float x1f, float y1f, float x2f, float y2f,
                 Raster_Pixel colour, float weight, int mode, bool antialias)
{
    if (!bitmap || !std::isfinite(x1f) || !std::isfinite(y1f) || !std::isfinite(x2f) ||
        !std::isfinite(y2f))
        return;
    double x1 = x1f, y1 = y1f, x2 = x2f, y2 = y2f;
    // Walk the longer axis one pixel at a time; the other coordinate follows the exact line.
    const bool steep = std::fabs(y2 - y1) > std::fabs(x2 - x1);
    if (steep)
    {
        std::swap(x1, y1);
        std::swap(x2, y2);
    }
    if (x1 > x2)
    {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    if (!antialias)
    {
        x1 = std::floor(x1 + 0.5);
        y1 = std::floor(y1 + 0.5);
        x2 = std::floor(x2 + 0.5);
        y2 = std::floor(y2 + 0.5);
    }
    const double slope = x2 > x1 ? (y2 - y1) / (x2 - x1) : 0.0;
    const int majorLimit = steep ? bitmap->getHeight() : bitmap->getWidth();
    const double first = std::max(0.0, std::floor(x1 + 0.5));
    const double last = std::min(double(majorLimit - 1), std::floor(x2 + 0.5));
    auto plot = [&](int major, double minor, double coverage)
    {
        if (minor < -1.0 || minor > RASTER_MAX_DIMENSION)
            return;
        const int m = int(minor);
        if (steep)
            Raster_PutPixel(bitmap, m, major, colour, float(weight * coverage), mode);
        else
            Raster_PutPixel(bitmap, major, m, colour, float(weight * coverage), mode);
    };
    for (double i = first; i <= last; i += 1.0)
    {
        const double minor = y1 + (i - x1) * slope;
        if (!antialias)
        {
            plot(int(i), std::floor(minor + 0.5), 1.0);
            continue;
        }
        const double base = std::floor(minor), frac = minor - base;
        plot(int(i), base, 1.0 - frac);
        plot(int(i), base + 1.0, frac);
    }
}

void Raster_Arc(Raster_IBitmap* bitmap, float cx, float cy, float radius, float minAngle,
                float maxAngle, Raster_Pixel colour, float weight, int mode, bool antialias)
{
    if (!std::isfinite(minAngle) || !std::isfinite(maxAngle))
        return;
    if (maxAngle < minAngle)
        std::swap(minAngle, maxAngle);
    const double span = double(maxAngle) - minAngle;
    if (span >= kTwoPi)
    {
        Raster_Circle(bitmap, cx, cy, radius, colour, weight, mode, antialias);
        return;
    }
    Ring(bitmap, cx, cy, radius, colour, weight, mode, antialias,
         [&](double dx, double dy)
         {
             // 0 is straight up and angles grow clockwise, as on a knob's scale.
             double a = std::fmod(std::atan2(dx, -dy) - minAngle, kTwoPi);
             if (a < 0.0)
                 a += kTwoPi;
             return a <= span + 1e-9;
         });
}

void Raster_Circle(Raster_IBitmap* bitmap, float cx, float cy, float radius, Raster_Pixel colour,
                   float weight, int mode, bool antialias)
{
    Ring(bitmap, cx, cy, radius, colour, weight, mode, antialias,
         [](double, double) { return true; });
}

void Raster_FillCircle(Raster_IBitmap* bitmap, float cx, float cy, float radius,
                       Raster_Pixel colour, float weight, int mode, bool antialias)
{
    if (!CircleIsDrawable(bitmap, cx, cy, radius))
        return;
    const double r = radius;
    ForEachPixelNearCircle(bitmap, cx, cy, r,
                           [&](int x, int y, double dx, double dy)
                           {
                               const double d2 = dx * dx + dy * dy;
                               if (!antialias)
                               {
                                   if (d2 <= r * r)
                                       Raster_PutPixel(bitmap, x, y, colour, weight, mode);
                                   return;
                               }
                               const double coverage = std::min(1.0, r + 0.5 - std::sqrt(d2));
                               if (coverage > 0.0)
                                   Raster_PutPixel(bitmap, x, y, colour, float(weight * coverage),
                                                   mode);
                           });
}

void Raster_RoundRect(Raster_IBitmap* bitmap, int x, int y, int width, int height, int radius,
                      Raster_Pixel colour, float weight, int mode, bool antialias)
{
    if (!bitmap || width <= 0 || height <= 0)
        return;
    // Wide arithmetic: the far edges of a rectangle near the limits of int do not fit in one.
    const long long r = std::max(0, std::min(radius, (std::min(width, height) - 1) / 2));
    const long long left = x, top = y, right = left + width - 1, bottom = top + height - 1;
    // Straight edges between the corner arcs; each pixel belongs to exactly one piece so that
    // blending modes never hit a pixel twice.
    const long long side = std::max(r, 1LL);
    auto edge = [&](long long ex, long long ey, long long ew, long long eh)
    {
        const long long x0 = std::max(ex, -1LL), y0 = std::max(ey, -1LL);
        const long long x1 = std::min(ex + ew, (long long)bitmap->getWidth() + 1);
        const long long y1 = std::min(ey + eh, (long long)bitmap->getHeight() + 1);
        if (x0 < x1 && y0 < y1)
            Raster_FillRect(bitmap, int(x0), int(y0), int(x1 - x0), int(y1 - y0), colour, weight,
                            mode);
    };
    edge(left + r, top, width - 2 * r, 1);
    if (height > 1)
        edge(left + r, bottom, width - 2 * r, 1);
    edge(left, top + side, 1, height - 2 * side);
    if (width > 1)
        edge(right, top + side, 1, height - 2 * side);
    if (r == 0)
        return;
    struct Corner
    {
        long long cx, cy;
        int sx, sy;
    };
    const Corner corners[4] = {{left + r, top + r, -1, -1},
                               {right - r, top + r, 1, -1},
                               {left + r, bottom - r, -1, 1},
                               {right - r, bottom - r, 1, 1}};
    for (const Corner& c : corners)
        Ring(bitmap, float(c.cx), float(c.cy), float(r), colour, weight, mode, antialias,
             [&](double dx, double dy) { return dx * c.sx > 0.0 && dy * c.sy > 0.0; });
}

void Raster_FillRect(Raster_IBitmap* bitmap, int x, int y, int width, int height,
                     Raster_Pixel colour, float weight, int mode)
{
    if (!bitmap)
        return;
    const long long x0 = std::max<long long>(0, x), y0 = std::max<long long>(0, y);
    const long long x1 = std::min<long long>(bitmap->getWidth(), (long long)x + width) - 1;
    const long long y1 = std::min<long long>(bitmap->getHeight(), (long long)y + height) - 1;
    if (x0 > x1 || y0 > y1)
        return;
    WithCombiner(mode, weight,
                 [&](auto op)
                 {
                     for (long long row = y0; row <= y1; ++row)
                         CombineSpan(bitmap, int(row), int(x0), int(x1), colour, op);
                 });
}

void Raster_FillTriangle(Raster_IBitmap* bitmap, int x1, int y1, int x2, int y2, int x3, int y3,
                         Raster_Pixel colour, float weight, int mode)
{
    const int xs[3] = {x1, x2, x3}, ys[3] = {y1, y2, y3};
    Raster_FillConvexPolygon(bitmap, xs, ys, 3, colour, weight, mode);
}

void Raster_FillConvexPolygon(Raster_IBitmap* bitmap, const int* xs, const int* ys, int count,
                              Raster_Pixel colour, float weight, int mode)
{
    if (!bitmap || !xs || !ys || count <= 0)
        return;
    int top = ys[0], bottom = ys[0];
    for (int i = 1; i < count; ++i)
    {
        top = std::min(top, ys[i]);
        bottom = std::max(bottom, ys[i]);
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, bitmap->getHeight() - 1);
    const double maxX = bitmap->getWidth() - 1;
    WithCombiner(mode, weight,
                 [&](auto op)
                 {
                     for (int row = top; row <= bottom; ++row)
                     {
                         // A convex outline crosses each row in one interval: the extremes of the
                         // edges' crossings, edges lying on the row counting with both ends.
                         double lo = HUGE_VAL, hi = -HUGE_VAL;
                         for (int i = 0; i < count; ++i)
                         {
                             const int j = (i + 1) % count;
                             const double ya = ys[i], yb = ys[j], xa = xs[i], xb = xs[j];
                             if (row < std::min(ya, yb) || row > std::max(ya, yb))
                                 continue;
                             if (ya == yb)
                             {
                                 lo = std::min(lo, std::min(xa, xb));
                                 hi = std::max(hi, std::max(xa, xb));
                                 continue;
                             }
                             const double x = xa + (row - ya) * (xb - xa) / (yb - ya);
                             lo = std::min(lo, x);
                             hi = std::max(hi, x);
                         }
                         lo = std::max(0.0, std::ceil(lo - 1e-9));
                         hi = std::min(maxX, std::floor(hi + 1e-9));
                         if (lo <= hi)
                             CombineSpan(bitmap, row, int(lo), int(hi), colour, op);
                     }
                 });
}
