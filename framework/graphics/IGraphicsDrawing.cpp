#include "framework/graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <vector>

// Coordinates are editor pixels; at a scale above 1 each is mapped onto the draw bitmap here, so
// controls draw the same way at every scale.

bool IGraphics::DrawPoint(const IColor& color, float x, float y, const IChannelBlend* blend, bool)
{
    const int px = int(x + 0.5f), py = int(y + 0.5f);
    if (mScale == 1.0)
        Raster_PutPixel(mDrawBitmap.get(), px, py, color.Pack(), BlendWeight(blend),
                        BlendToRasterMode(blend));
    else
        FillIRect(color, IRECT(px, py, px + 1, py + 1), blend);
    return true;
}

bool IGraphics::ForcePixel(const IColor& color, int x, int y)
{
    Raster_IBitmap* bitmap = mDrawBitmap.get();
    if (!bitmap || x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return false;
    const IRECT r = ScaledRect(IRECT(x, y, x + 1, y + 1), mScale);
    for (int py = r.T; py < r.B; ++py)
        for (int px = r.L; px < r.R; ++px)
            bitmap->getBits()[py * bitmap->getRowSpan() + px] = color.Pack();
    return true;
}

IColor IGraphics::GetPoint(int x, int y)
{
    return IColor::FromPixel(
        Raster_GetPixel(mDrawBitmap.get(), ScaledLength(x, mScale), ScaledLength(y, mScale)));
}

int IGraphics::LineWidth() const
{
    return std::max(1, int(std::lround(mScale)));
}

bool IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias)
{
    const float s = float(mScale);
    float ax = x1 * s, ay = y1 * s, bx = x2 * s, by = y2 * s;
    // A line as wide as one editor pixel: side by side one-pixel lines across its run, the run
    // lengthened to cover the last pixel's full width.
    const int n = LineWidth();
    const bool alongX = std::fabs(x2 - x1) >= std::fabs(y2 - y1);
    if (alongX)
        (ax <= bx ? bx : ax) += float(n - 1);
    else
        (ay <= by ? by : ay) += float(n - 1);
    for (int i = 0; i < n; ++i)
    {
        const float dx = alongX ? 0.0f : float(i), dy = alongX ? float(i) : 0.0f;
        Raster_Line(mDrawBitmap.get(), ax + dx, ay + dy, bx + dx, by + dy, color.Pack(),
                    BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    }
    return true;
}

bool IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* blend, bool antiAlias)
{
    const float s = std::sin(angle), c = std::cos(angle);
    return DrawLine(color, cx + s * rMin, cy - c * rMin, cx + s * rMax, cy - c * rMax, blend,
                    antiAlias);
}

bool IGraphics::DrawArc(const IColor& color, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* blend, bool antiAlias)
{
    const float s = float(mScale);
    for (int i = 0; i < LineWidth(); ++i)
        Raster_Arc(mDrawBitmap.get(), cx * s, cy * s, r * s + float(i), minAngle, maxAngle,
                   color.Pack(), BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias)
{
    const float s = float(mScale);
    for (int i = 0; i < LineWidth(); ++i)
        Raster_Circle(mDrawBitmap.get(), cx * s, cy * s, r * s + float(i), color.Pack(),
                      BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::RoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                          int cornerRadius, bool antiAlias)
{
    const IRECT r = ScaledRect(rect, mScale);
    const int radius = ScaledLength(cornerRadius, mScale);
    for (int i = 0; i < LineWidth(); ++i)
        Raster_RoundRect(mDrawBitmap.get(), r.L + i, r.T + i, r.W() - 2 * i, r.H() - 2 * i,
                         std::max(0, radius - i), color.Pack(), BlendWeight(blend),
                         BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::DrawRect(const IColor& color, const IRECT& rect)
{
    DrawHorizontalLine(color, rect.T, rect.L, rect.R);
    DrawHorizontalLine(color, rect.B, rect.L, rect.R);
    DrawVerticalLine(color, rect.L, rect.T, rect.B);
    DrawVerticalLine(color, rect.R, rect.T, rect.B);
    return true;
}

bool IGraphics::DrawVerticalLine(const IColor& color, int xi, int yLo, int yHi)
{
    return DrawLine(color, float(xi), float(yLo), float(xi), float(yHi), nullptr, false);
}

bool IGraphics::DrawHorizontalLine(const IColor& color, int yi, int xLo, int xHi)
{
    return DrawLine(color, float(xLo), float(yi), float(xHi), float(yi), nullptr, false);
}

bool IGraphics::DrawVerticalLine(const IColor& color, const IRECT& rect, float x)
{
    x = std::min(1.0f, std::max(0.0f, x));
    const int xi = rect.L + int(float(rect.W()) * x);
    return DrawVerticalLine(color, xi, rect.T, rect.B);
}

bool IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& rect, float y)
{
    y = std::min(1.0f, std::max(0.0f, y));
    const int yi = rect.B - int(float(rect.H()) * y);
    return DrawHorizontalLine(color, yi, rect.L, rect.R);
}

bool IGraphics::FillIRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend)
{
    const IRECT r = ScaledRect(rect, mScale);
    Raster_FillRect(mDrawBitmap.get(), r.L, r.T, r.W(), r.H(), color.Pack(), BlendWeight(blend),
                    BlendToRasterMode(blend));
    return true;
}

bool IGraphics::FillRoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                              int cornerRadius, bool antiAlias)
{
    const IRECT scaled = ScaledRect(rect, mScale);
    const int r = ScaledLength(cornerRadius, mScale);
    const int x1 = scaled.L, y1 = scaled.T, w = scaled.W(), h = scaled.H();
    Raster_Pixel c = color.Pack();
    const float weight = BlendWeight(blend);
    const int mode = BlendToRasterMode(blend);
    Raster_IBitmap* b = mDrawBitmap.get();
    Raster_FillRect(b, x1 + r, y1, w - 2 * r, h, c, weight, mode);
    Raster_FillRect(b, x1, y1 + r, r, h - 2 * r, c, weight, mode);
    Raster_FillRect(b, x1 + w - r, y1 + r, r, h - 2 * r, c, weight, mode);
    Raster_FillCircle(b, float(x1 + r), float(y1 + r), float(r), c, weight, mode, antiAlias);
    Raster_FillCircle(b, float(x1 + w - r - 1), float(y1 + h - r - 1), float(r), c, weight, mode,
                      antiAlias);
    Raster_FillCircle(b, float(x1 + w - r - 1), float(y1 + r), float(r), c, weight, mode,
                      antiAlias);
    Raster_FillCircle(b, float(x1 + r), float(y1 + h - r - 1), float(r), c, weight, mode,
                      antiAlias);
    return true;
}

bool IGraphics::FillCircle(const IColor& color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool antiAlias)
{
    const float s = float(mScale);
    Raster_FillCircle(mDrawBitmap.get(), float(cx) * s, float(cy) * s, r * s, color.Pack(),
                      BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend)
{
    const double s = mScale;
    Raster_FillTriangle(mDrawBitmap.get(), ScaledLength(x1, s), ScaledLength(y1, s),
                        ScaledLength(x2, s), ScaledLength(y2, s), ScaledLength(x3, s),
                        ScaledLength(y3, s), color.Pack(), BlendWeight(blend),
                        BlendToRasterMode(blend));
    return true;
}

bool IGraphics::FillIConvexPolygon(const IColor& color, const int* x, const int* y, int npoints,
                                   const IChannelBlend* blend)
{
    if (mScale == 1.0 || npoints <= 0)
    {
        Raster_FillConvexPolygon(mDrawBitmap.get(), x, y, npoints, color.Pack(), BlendWeight(blend),
                                 BlendToRasterMode(blend));
        return true;
    }
    std::vector<int> xs(static_cast<size_t>(npoints)), ys(static_cast<size_t>(npoints));
    for (size_t i = 0; i < xs.size(); ++i)
    {
        xs[i] = ScaledLength(x[i], mScale);
        ys[i] = ScaledLength(y[i], mScale);
    }
    Raster_FillConvexPolygon(mDrawBitmap.get(), xs.data(), ys.data(), npoints, color.Pack(),
                             BlendWeight(blend), BlendToRasterMode(blend));
    return true;
}

Raster_Pixel* IGraphics::GetBits()
{
    return mDrawBitmap ? mDrawBitmap->getBits() : nullptr;
}
