// The per-pixel combinations behind every blit and primitive, as small functors so that the
// row loops are compiled once per combination with no per-pixel dispatch.
#pragma once

#include <algorithm>
#include <cmath>
#include <type_traits>

#include "raster/Raster.h"

namespace raster_detail
{

// Weight as w = (int)(weight × 256), limited to 0–256 (NaN counts as 0).
inline int WeightToInt(float weight)
{
    if (!(weight > 0.0f))
        return 0;
    if (weight >= 1.0f)
        return 256;
    return int(weight * 256.0f);
}

inline int Channel(Raster_Pixel p, int shift)
{
    return int((p >> shift) & 0xff);
}

// Applies f to the four channels (blue, green, red, alpha) of d and s and packs the results,
// which f keeps within 0–255.
template <class F> inline Raster_Pixel PerChannel(Raster_Pixel d, Raster_Pixel s, F f)
{
    return Raster_Pixel(f(Channel(d, 0), Channel(s, 0))) |
           Raster_Pixel(f(Channel(d, 8), Channel(s, 8))) << 8 |
           Raster_Pixel(f(Channel(d, 16), Channel(s, 16))) << 16 |
           Raster_Pixel(f(Channel(d, 24), Channel(s, 24))) << 24;
}

inline Raster_Pixel WithAlpha(Raster_Pixel colour, int alpha)
{
    return (colour & 0x00ffffffu) | Raster_Pixel(alpha) << 24;
}

struct CopyFull
{
    Raster_Pixel operator()(Raster_Pixel, Raster_Pixel s) const { return s; }
};

struct CopyHalf
{
    Raster_Pixel operator()(Raster_Pixel d, Raster_Pixel s) const
    {
        return ((d >> 1) & 0x7f7f7f7fu) + ((s >> 1) & 0x7f7f7f7fu);
    }
};

struct CopyWeighted
{
    int w;
    Raster_Pixel operator()(Raster_Pixel d, Raster_Pixel s) const
    {
        const int keep = 256 - w;
        return PerChannel(d, s, [keep](int dc, int sc) { return sc + (dc - sc) * keep / 256; });
    }
};

struct CopyAlphaFull
{
    Raster_Pixel operator()(Raster_Pixel d, Raster_Pixel s) const
    {
        const int sa = int(s >> 24);
        if (sa == 0)
            return d;
        if (sa == 255)
            return s | 0xff000000u;
        const int keep = 255 - sa;
        Raster_Pixel c =
            PerChannel(d, s, [keep](int dc, int sc) { return sc + keep * (dc - sc) / 256; });
        return WithAlpha(c, std::min(255, Channel(d, 24) + sa));
    }
};

struct CopyAlphaWeighted
{
    int w;
    Raster_Pixel operator()(Raster_Pixel d, Raster_Pixel s) const
    {
        const int sa = int(s >> 24);
        if (sa == 0)
            return d;
        const int e = w * (sa + 1) / 256;
        const int keep = 256 - e;
        Raster_Pixel c =
            PerChannel(d, s, [keep](int dc, int sc) { return sc + (dc - sc) * keep / 256; });
        return WithAlpha(c, std::min(255, Channel(d, 24) + e));
    }
};

// With the alpha flag the source alpha scales the strength: e = w × (alpha + 1) ÷ 256.
inline int Strength(int w, bool useAlpha, Raster_Pixel s)
{
    return useAlpha ? w * (int(s >> 24) + 1) / 256 : w;
}

struct Add
{
    int w;
    bool useAlpha;
    Raster_Pixel operator()(Raster_Pixel d, Raster_Pixel s) const
    {
        const int e = Strength(w, useAlpha, s);
        return PerChannel(d, s, [e](int dc, int sc) { return std::min(255, dc + e * sc / 256); });
    }
};

struct Dodge
{
    int w;
    bool useAlpha;
    Raster_Pixel operator()(Raster_Pixel d, Raster_Pixel s) const
    {
        const int e = Strength(w, useAlpha, s);
        return PerChannel(d, s,
                          [e](int dc, int sc)
                          {
                              const int divisor = 256 - e * sc / 256;
                              return std::min(255, divisor < 2 ? dc * 256 : dc * 256 / divisor);
                          });
    }
};

// Calls body with the functor for mode and weight; nothing for weight 0 or an operation this
// layer does not implement (multiply, overlay, HSV adjust).
template <class Body> void WithCombiner(int mode, float weight, Body&& body)
{
    const int w = WeightToInt(weight);
    if (w <= 0)
        return;
    const bool useAlpha = (mode & RASTER_BLIT_USE_ALPHA) != 0;
    switch (mode & RASTER_BLIT_MODE_MASK)
    {
    case RASTER_BLIT_MODE_COPY:
        if (useAlpha)
        {
            if (w == 256)
                body(CopyAlphaFull{});
            else
                body(CopyAlphaWeighted{w});
        }
        else if (w == 256)
            body(CopyFull{});
        else if (weight == 0.5f)
            body(CopyHalf{});
        else
            body(CopyWeighted{w});
        break;
    case RASTER_BLIT_MODE_ADD:
        body(Add{w, useAlpha});
        break;
    case RASTER_BLIT_MODE_DODGE:
        body(Dodge{w, useAlpha});
        break;
    default:
        break;
    }
}

template <class Op> constexpr bool IsPlainCopy()
{
    return std::is_same<Op, CopyFull>::value;
}

// One pixel, for primitives whose weight varies per pixel (antialiasing).
inline void CombineOne(Raster_Pixel* d, Raster_Pixel s, float weight, int mode)
{
    WithCombiner(mode, weight, [&](auto op) { *d = op(*d, s); });
}

} // namespace raster_detail
