// The editor's value types: rectangles, colours, blends, bitmap handles, text styles and mouse
// modifiers. Coordinates are integer pixels with the origin at the top-left, y downwards.
#pragma once

#include <cstdint>

#include "raster/Raster.h"

class Raster_CachedFont;

// Right and bottom lie one past the covered pixels. All four zero means empty, and an empty
// rectangle takes part in no union, overlap or hit.
struct IRECT
{
    int L = 0, T = 0, R = 0, B = 0;

    IRECT() = default;
    IRECT(int l, int t, int r, int b) : L(l), T(t), R(r), B(b) {}

    bool Empty() const { return L == 0 && T == 0 && R == 0 && B == 0; }
    void Clear() { L = T = R = B = 0; }
    int W() const { return R - L; }
    int H() const { return B - T; }
    float MW() const { return 0.5f * float(L + R); }
    float MH() const { return 0.5f * float(T + B); }

    bool operator==(const IRECT& o) const { return L == o.L && T == o.T && R == o.R && B == o.B; }
    bool operator!=(const IRECT& o) const { return !(*this == o); }

    IRECT Union(const IRECT& o) const;
    // Edges compare inclusively on this rectangle's right and bottom, so the test is not
    // symmetric: a rectangle ending where o starts still overlaps o.
    bool Intersects(const IRECT& o) const
    {
        return !Empty() && !o.Empty() && R >= o.L && L < o.R && B >= o.T && T < o.B;
    }
    // The part of this rectangle inside o; empty when they do not overlap.
    IRECT Intersect(const IRECT& o) const;
    bool Contains(int x, int y) const { return !Empty() && x >= L && x < R && y >= T && y < B; }
};

// The factors an editor can be shown at: 1 (the artwork's own pixels) to 4.
const double kMinEditorScale = 1.0;
const double kMaxEditorScale = 4.0;
bool IsEditorScale(double scale);
// A length of editor pixels on a screen drawn at scale (rounded to the nearest pixel, so that
// rectangles that share an edge still share it on screen).
int ScaledLength(int length, double scale);
IRECT ScaledRect(const IRECT& rect, double scale);

struct IColor
{
    int A = 255, R = 0, G = 0, B = 0;

    IColor() = default;
    constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
    bool operator==(const IColor& o) const { return A == o.A && R == o.R && G == o.G && B == o.B; }
    bool operator!=(const IColor& o) const { return !(*this == o); }
    Raster_Pixel Pack() const
    {
        return Raster_Pixel(uint32_t(A & 0xff) << 24 | uint32_t(R & 0xff) << 16 |
                            uint32_t(G & 0xff) << 8 | uint32_t(B & 0xff));
    }
    static IColor FromPixel(Raster_Pixel p)
    {
        return IColor(int(Raster_GetA(p)), int(Raster_GetR(p)), int(Raster_GetG(p)),
                      int(Raster_GetB(p)));
    }
};

inline constexpr IColor COLOR_TRANSPARENT(0, 0, 0, 0);
inline constexpr IColor COLOR_BLACK(255, 0, 0, 0);
inline constexpr IColor COLOR_GRAY(255, 127, 127, 127);
inline constexpr IColor COLOR_WHITE(255, 255, 255, 255);
inline constexpr IColor COLOR_RED(255, 255, 0, 0);
inline constexpr IColor COLOR_GREEN(255, 0, 255, 0);
inline constexpr IColor COLOR_BLUE(255, 0, 0, 255);
inline constexpr IColor COLOR_YELLOW(255, 255, 255, 0);
inline constexpr IColor COLOR_ORANGE(255, 255, 127, 0);
// What text and text-entry fields are drawn in unless their style says otherwise.
inline constexpr IColor DEFAULT_TEXT_COLOR(255, 0, 0, 0);
inline constexpr IColor DEFAULT_TEXT_ENTRY_BGCOLOR(255, 255, 255, 255);
inline constexpr IColor DEFAULT_TEXT_ENTRY_FGCOLOR(255, 0, 0, 0);

struct IChannelBlend
{
    enum EBlendMethod : int32_t
    {
        kBlendNone = 0, // copy, composited by the source's alpha
        kBlendClobber,  // copy, ignoring alpha
        kBlendAdd,
        kBlendColorDodge
    };

    EBlendMethod mMethod = kBlendNone;
    float mWeight = 1.0f;

    IChannelBlend() = default;
    explicit IChannelBlend(int method, float weight = 1.0f)
        : mMethod(static_cast<EBlendMethod>(method)), mWeight(weight)
    {
    }
};

// The raster mode a blend draws with; a null blend composites by alpha at full weight.
int BlendToRasterMode(const IChannelBlend* blend);
float BlendWeight(const IChannelBlend* blend);

// A handle to an image of one or more equal frames. The pixels belong to the bitmap cache.
struct IBitmap
{
    Raster_IBitmap* mData = nullptr;
    int W = 0, H = 0;
    int N = 1;
    bool mFramesAreHorizontal = false;

    IBitmap() = default;
    IBitmap(Raster_IBitmap* data, int w, int h, int n = 1, bool framesAreHorizontal = false)
        : mData(data), W(w), H(h), N(n < 1 ? 1 : n), mFramesAreHorizontal(framesAreHorizontal)
    {
    }
    int FrameWidth() const { return mFramesAreHorizontal ? W / N : W; }
    int FrameHeight() const { return mFramesAreHorizontal ? H : H / N; }
};

struct IText
{
    enum EStyle
    {
        kStyleNormal = 0,
        kStyleBold,
        kStyleItalic
    };
    enum EAlign
    {
        kAlignNear = 0,
        kAlignCenter,
        kAlignFar
    };
    enum EQuality
    {
        kQualityDefault = 0,
        kQualityNonAntiAliased,
        kQualityAntiAliased,
        kQualityClearType
    };
    static constexpr int kFaceLen = 32;

    char mFont[kFaceLen] = "Monaco";
    int mSize = 10;
    IColor mColor = DEFAULT_TEXT_COLOR;
    IColor mTextEntryBGColor = DEFAULT_TEXT_ENTRY_BGCOLOR;
    IColor mTextEntryFGColor = DEFAULT_TEXT_ENTRY_FGCOLOR;
    int mStyle = kStyleNormal;
    int mAlign = kAlignCenter;
    int mOrientation = 0;
    int mQuality = kQualityDefault;
    // Filled by the font cache, which owns the font.
    Raster_CachedFont* mCached = nullptr;

    IText() = default;
    IText(int size, const IColor& color, const char* font = nullptr, int style = kStyleNormal,
          int align = kAlignCenter, int orientation = 0, int quality = kQualityDefault);
};

enum EDirection : int32_t
{
    kVertical = 0,
    kHorizontal = 1
};

enum EFileAction : int32_t
{
    kFileOpen = 0,
    kFileSave = 1
};

struct IMouseMod
{
    bool L = false, R = false, S = false, C = false, A = false;

    IMouseMod() = default;
    IMouseMod(bool l, bool r = false, bool s = false, bool c = false, bool a = false)
        : L(l), R(r), S(s), C(c), A(a)
    {
    }
};
