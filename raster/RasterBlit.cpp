#include <cmath>
#include <cstring>
#include <type_traits>

#include "raster/RasterCombine.h"

using namespace raster_detail;

namespace
{

// Pixels of a bitmap that sampling may read: columns x0 … x1 − 1, rows y0 … y1 − 1.
struct Region
{
    int x0, y0, x1, y1;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

// v limited to lo … hi before it becomes an int (NaN gives lo).
int ClampToInt(double v, int lo, int hi)
{
    if (!(v > lo))
        return lo;
    return v < hi ? int(v) : hi;
}

Region SourceRegion(Raster_IBitmap* src, double x, double y, double w, double h)
{
    const int width = src->getWidth(), height = src->getHeight();
    return Region{ClampToInt(std::floor(x), 0, width), ClampToInt(std::floor(y), 0, height),
                  ClampToInt(std::ceil(x + w), 0, width), ClampToInt(std::ceil(y + h), 0, height)};
}

// The part of the area (x, y, w, h) inside a bitmap of width × height, or false when nothing of
// it is; computed wide so that extreme coordinates cannot overflow.
bool ClipArea(long long& x, long long& y, long long& w, long long& h, int width, int height)
{
    if (x < 0)
    {
        w += x;
        x = 0;
    }
    if (y < 0)
    {
        h += y;
        y = 0;
    }
    w = std::min(w, width - x);
    h = std::min(h, height - y);
    return w > 0 && h > 0;
}

int Clamp(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

// Sample at continuous source coordinates (pixel i spans i … i + 1), both inside the region.
Raster_Pixel SampleNearest(const Raster_Pixel* bits, int span, double u, double v, const Region& r)
{
    const int x = Clamp(int(std::floor(u)), r.x0, r.x1 - 1);
    const int y = Clamp(int(std::floor(v)), r.y0, r.y1 - 1);
    return bits[std::ptrdiff_t(y) * span + x];
}

// Bilinear sample between the four pixel centres around (u, v), neighbours clamped to the
// region. Colours are weighted by alpha: a transparent pixel's colour has no say in the result,
// so straight-alpha images keep their edge colours when scaled or rotated.
Raster_Pixel SampleBilinear(const Raster_Pixel* bits, int span, double u, double v, const Region& r)
{
    u -= 0.5;
    v -= 0.5;
    const double fu = std::floor(u), fv = std::floor(v);
    const int fx = int((u - fu) * 256.0), fy = int((v - fv) * 256.0);
    const int xa = Clamp(int(fu), r.x0, r.x1 - 1), xb = Clamp(int(fu) + 1, r.x0, r.x1 - 1);
    const int ya = Clamp(int(fv), r.y0, r.y1 - 1), yb = Clamp(int(fv) + 1, r.y0, r.y1 - 1);
    const Raster_Pixel p[4] = {
        bits[std::ptrdiff_t(ya) * span + xa], bits[std::ptrdiff_t(ya) * span + xb],
        bits[std::ptrdiff_t(yb) * span + xa], bits[std::ptrdiff_t(yb) * span + xb]};
    const long long w[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy, fx * fy};

    long long alphaSum = 0;
    for (int i = 0; i < 4; ++i)
        alphaSum += w[i] * (p[i] >> 24);
    Raster_Pixel out = Raster_Pixel((alphaSum + 32768) >> 16) << 24;
    for (int shift = 0; shift < 24; shift += 8)
    {
        long long c = 0;
        if (alphaSum > 0)
        {
            for (int i = 0; i < 4; ++i)
                c += w[i] * (p[i] >> 24) * Channel(p[i], shift);
            c = (c + alphaSum / 2) / alphaSum;
        }
        else
        {
            for (int i = 0; i < 4; ++i)
                c += w[i] * Channel(p[i], shift);
            c = (c + 32768) >> 16;
        }
        out |= Raster_Pixel(c) << shift;
    }
    return out;
}

// Calls emit(destPixel, u, v) for every pixel of the destination area inside dest, with the
// continuous source coordinates of that pixel's centre given by map.
template <class Map, class Emit>
void ForEachDestPixel(Raster_IBitmap* dest, int destX, int destY, int destWidth, int destHeight,
                      Map map, Emit emit)
{
    long long x = destX, y = destY, w = destWidth, h = destHeight;
    if (!ClipArea(x, y, w, h, dest->getWidth(), dest->getHeight()))
        return;
    Raster_Pixel* bits = dest->getBits();
    const int span = dest->getRowSpan();
    for (long long row = y; row < y + h; ++row)
    {
        Raster_Pixel* line = bits + std::ptrdiff_t(row) * span;
        for (long long col = x; col < x + w; ++col)
        {
            double u, v;
            map(double(col) + 0.5, double(row) + 0.5, u, v);
            emit(line + col, u, v);
        }
    }
}

// Combines one sampled pixel per destination pixel; samples outside the region are skipped.
template <class Map>
void ResampleBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int destX, int destY, int destWidth,
                  int destHeight, const Region& region, float weight, int mode, Map map)
{
    if (region.Empty())
        return;
    const Raster_Pixel* bits = src->getBits();
    const int span = src->getRowSpan();
    const bool bilinear = (mode & RASTER_BLIT_FILTER_BILINEAR) != 0;
    WithCombiner(mode, weight,
                 [&](auto op)
                 {
                     ForEachDestPixel(dest, destX, destY, destWidth, destHeight, map,
                                      [&](Raster_Pixel* d, double u, double v)
                                      {
                                          if (!(u >= region.x0 && u < region.x1 && v >= region.y0 &&
                                                v < region.y1))
                                              return;
                                          const Raster_Pixel s =
                                              bilinear ? SampleBilinear(bits, span, u, v, region)
                                                       : SampleNearest(bits, span, u, v, region);
                                          *d = op(*d, s);
                                      });
                 });
}

} // namespace

void Raster_Blit(Raster_IBitmap* dest, Raster_IBitmap* src, int destX, int destY, int srcX,
                 int srcY, int width, int height, float weight, int mode)
{
    if (!dest || !src)
        return;
    long long sx = srcX, sy = srcY, w = width, h = height, dx = destX, dy = destY;
    // Clip to the source, moving the destination along, then to the destination.
    const long long sx0 = sx, sy0 = sy;
    if (!ClipArea(sx, sy, w, h, src->getWidth(), src->getHeight()))
        return;
    dx += sx - sx0;
    dy += sy - sy0;
    const long long dx0 = dx, dy0 = dy;
    if (!ClipArea(dx, dy, w, h, dest->getWidth(), dest->getHeight()))
        return;
    sx += dx - dx0;
    sy += dy - dy0;

    // A bitmap blitted onto itself reads from a copy, so overlapping areas see the old pixels.
    Raster_MemBitmap copy;
    if (src == dest)
    {
        if (!copy.resize(int(w), int(h)))
            return;
        Raster_Blit(&copy, src, 0, 0, int(sx), int(sy), int(w), int(h), 1.0f,
                    RASTER_BLIT_MODE_COPY);
        src = &copy;
        sx = sy = 0;
    }

    const int sspan = src->getRowSpan(), dspan = dest->getRowSpan();
    const Raster_Pixel* sbits = src->getBits() + std::ptrdiff_t(sy) * sspan + sx;
    Raster_Pixel* dbits = dest->getBits() + std::ptrdiff_t(dy) * dspan + dx;
    WithCombiner(mode, weight,
                 [&](auto op)
                 {
                     for (long long row = 0; row < h; ++row)
                     {
                         const Raster_Pixel* s = sbits + std::ptrdiff_t(row) * sspan;
                         Raster_Pixel* d = dbits + std::ptrdiff_t(row) * dspan;
                         if constexpr (IsPlainCopy<decltype(op)>())
                             std::memcpy(d, s, std::size_t(w) * sizeof(Raster_Pixel));
                         else if constexpr (std::is_same<decltype(op), CopyAlphaFull>::value)
                         {
                             // Opaque runs (most of any artwork) are copied whole.
                             for (long long i = 0; i < w;)
                             {
                                 long long end = i;
                                 while (end < w && (s[end] >> 24) == 0xffu)
                                     ++end;
                                 if (end > i)
                                 {
                                     std::memcpy(d + i, s + i,
                                                 std::size_t(end - i) * sizeof(Raster_Pixel));
                                     i = end;
                                     continue;
                                 }
                                 d[i] = op(d[i], s[i]);
                                 ++i;
                             }
                         }
                         else
                             for (long long i = 0; i < w; ++i)
                                 d[i] = op(d[i], s[i]);
                     }
                 });
}

void Raster_ScaledBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int destX, int destY,
                       int destWidth, int destHeight, float srcX, float srcY, float srcWidth,
                       float srcHeight, float weight, int mode)
{
    if (!dest || !src || destWidth <= 0 || destHeight <= 0 || !(srcWidth > 0) || !(srcHeight > 0))
        return;
    const double xScale = double(srcWidth) / destWidth, yScale = double(srcHeight) / destHeight;
    const Region region = SourceRegion(src, srcX, srcY, srcWidth, srcHeight);
    ResampleBlit(dest, src, destX, destY, destWidth, destHeight, region, weight, mode,
                 [&](double px, double py, double& u, double& v)
                 {
                     u = srcX + (px - destX) * xScale;
                     v = srcY + (py - destY) * yScale;
                 });
}

void Raster_RotatedBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int destX, int destY,
                        int destWidth, int destHeight, float srcX, float srcY, float srcWidth,
                        float srcHeight, float angle, bool clipToSource, float weight, int mode,
                        float centreOffsetX, float centreOffsetY)
{
    if (!dest || !src || destWidth <= 0 || destHeight <= 0 || !(srcWidth > 0) || !(srcHeight > 0) ||
        !std::isfinite(angle))
        return;
    const double xScale = double(srcWidth) / destWidth, yScale = double(srcHeight) / destHeight;
    const double pivotX = destX + destWidth * 0.5 + centreOffsetX;
    const double pivotY = destY + destHeight * 0.5 + centreOffsetY;
    const double srcPivotX = srcX + srcWidth * 0.5 + centreOffsetX * xScale;
    const double srcPivotY = srcY + srcHeight * 0.5 + centreOffsetY * yScale;
    const double c = std::cos(double(angle)), s = std::sin(double(angle));
    const Region region = clipToSource ? SourceRegion(src, srcX, srcY, srcWidth, srcHeight)
                                       : Region{0, 0, src->getWidth(), src->getHeight()};
    // Each destination pixel is turned back by the angle (y points down, so a positive angle
    // is clockwise on screen) to find where it comes from.
    ResampleBlit(dest, src, destX, destY, destWidth, destHeight, region, weight, mode,
                 [&](double px, double py, double& u, double& v)
                 {
                     const double vx = px - pivotX, vy = py - pivotY;
                     u = srcPivotX + (c * vx + s * vy) * xScale;
                     v = srcPivotY + (c * vy - s * vx) * yScale;
                 });
}

void Raster_Copy(Raster_IBitmap* dest, Raster_IBitmap* src)
{
    if (!dest || !src || dest == src)
        return;
    if (!dest->resize(src->getWidth(), src->getHeight()))
        return;
    Raster_Blit(dest, src, 0, 0, 0, 0, src->getWidth(), src->getHeight(), 1.0f,
                RASTER_BLIT_MODE_COPY);
}

void Raster_ClearRect(Raster_IBitmap* bitmap, int x, int y, int width, int height,
                      Raster_Pixel mask, Raster_Pixel orBits)
{
    if (!bitmap)
        return;
    long long cx = x, cy = y, w = width, h = height;
    if (!ClipArea(cx, cy, w, h, bitmap->getWidth(), bitmap->getHeight()))
        return;
    const int span = bitmap->getRowSpan();
    for (long long row = cy; row < cy + h; ++row)
    {
        Raster_Pixel* p = bitmap->getBits() + std::ptrdiff_t(row) * span + cx;
        for (long long i = 0; i < w; ++i)
            p[i] = orBits | (mask & p[i]);
    }
}

void Raster_Clear(Raster_IBitmap* bitmap, Raster_Pixel colour)
{
    if (bitmap)
        Raster_ClearRect(bitmap, 0, 0, bitmap->getWidth(), bitmap->getHeight(), 0, colour);
}

Raster_Pixel Raster_GetPixel(Raster_IBitmap* bitmap, int x, int y)
{
    if (!bitmap || x < 0 || y < 0 || x >= bitmap->getWidth() || y >= bitmap->getHeight())
        return 0;
    return bitmap->getBits()[std::ptrdiff_t(y) * bitmap->getRowSpan() + x];
}

void Raster_PutPixel(Raster_IBitmap* bitmap, int x, int y, Raster_Pixel colour, float weight,
                     int mode)
{
    if (!bitmap || x < 0 || y < 0 || x >= bitmap->getWidth() || y >= bitmap->getHeight())
        return;
    CombineOne(bitmap->getBits() + std::ptrdiff_t(y) * bitmap->getRowSpan() + x, colour, weight,
               mode);
}
