// 32-bit raster bitmaps and the operations the editor draws with: blits (plain, scaled,
// rotated) with their combination modes, pixel access, and primitive shapes.
//
// Pixels are 0xAARRGGBB words, not premultiplied; in memory on a little-endian machine the
// bytes of a pixel are blue, green, red, alpha. Row 0 is the top row. Every operation clips to
// the destination (and, for blits, to the source) and does nothing for a null bitmap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

typedef uint32_t Raster_Pixel;

// Combination modes: the low byte selects the operation, the flags add to it.
const int RASTER_BLIT_MODE_COPY = 0;
const int RASTER_BLIT_MODE_ADD = 1;
const int RASTER_BLIT_MODE_DODGE = 2;
const int RASTER_BLIT_MODE_MASK = 0xff;
const int RASTER_BLIT_FILTER_BILINEAR = 0x100;
const int RASTER_BLIT_USE_ALPHA = 0x10000;

// Largest width or height of any bitmap; beyond it resize fails.
const int RASTER_MAX_DIMENSION = 32768;

inline Raster_Pixel Raster_RGBA(unsigned int r, unsigned int g, unsigned int b, unsigned int a)
{
    return Raster_Pixel((a & 0xff) << 24 | (r & 0xff) << 16 | (g & 0xff) << 8 | (b & 0xff));
}
inline unsigned int Raster_GetA(Raster_Pixel p)
{
    return p >> 24;
}
inline unsigned int Raster_GetR(Raster_Pixel p)
{
    return (p >> 16) & 0xff;
}
inline unsigned int Raster_GetG(Raster_Pixel p)
{
    return (p >> 8) & 0xff;
}
inline unsigned int Raster_GetB(Raster_Pixel p)
{
    return p & 0xff;
}

class Raster_IBitmap
{
public:
    virtual ~Raster_IBitmap() {}
    virtual Raster_Pixel* getBits() = 0;
    virtual int getWidth() const = 0;
    virtual int getHeight() const = 0;
    // Pixels from the start of one row to the start of the next; at least the width.
    virtual int getRowSpan() const = 0;
    virtual bool isFlipped() const { return false; }
    // Answers whether the bitmap now has the asked size. On failure (negative or oversized
    // dimensions, no memory) the bitmap is left empty, 0 × 0. A size change zeroes the pixels.
    virtual bool resize(int width, int height) = 0;
    // This layer has no native drawing context; text reaches bitmaps through Raster_CachedFont.
    virtual void* getDC() { return nullptr; }
    virtual intptr_t Extended(int /*code*/, void* /*data*/) { return 0; }
};

// Plain pixel memory whose row span is rounded up to a multiple of the line alignment (in
// pixels; 0 or 1 means none).
class Raster_MemBitmap : public Raster_IBitmap
{
public:
    explicit Raster_MemBitmap(int width = 0, int height = 0, unsigned int lineAlignment = 4);
    Raster_Pixel* getBits() override { return mPixels.empty() ? nullptr : mPixels.data(); }
    int getWidth() const override { return mWidth; }
    int getHeight() const override { return mHeight; }
    int getRowSpan() const override { return mRowSpan; }
    bool resize(int width, int height) override;

private:
    std::vector<Raster_Pixel> mPixels;
    int mWidth = 0;
    int mHeight = 0;
    int mRowSpan = 0;
    unsigned int mLineAlignment;
};

// The editor's drawing surface: top-down pixel memory, rows aligned to 4 pixels, that the
// platform layer copies to the screen directly.
class Raster_SysBitmap : public Raster_MemBitmap
{
public:
    explicit Raster_SysBitmap(int width = 0, int height = 0) : Raster_MemBitmap(width, height, 4) {}
};

// Combines a width × height area of src at (srcX, srcY) into dest at (destX, destY), clipped to
// both bitmaps. weight 0–1 (0 draws nothing); mode one of the RASTER_BLIT_ modes, optionally
// with RASTER_BLIT_USE_ALPHA. Source and destination may be the same bitmap.
void Raster_Blit(Raster_IBitmap* dest, Raster_IBitmap* src, int destX, int destY, int srcX,
                 int srcY, int width, int height, float weight, int mode);

// Resamples the source area (fractional coordinates allowed) onto the destination area.
// RASTER_BLIT_FILTER_BILINEAR interpolates between source pixels, weighting colours by their
// alpha so transparent neighbours do not darken edges; without it the nearest pixel is taken.
void Raster_ScaledBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int destX, int destY,
                       int destWidth, int destHeight, float srcX, float srcY, float srcWidth,
                       float srcHeight, float weight, int mode);

// Draws the source area scaled onto the destination area and rotated clockwise by angle
// (radians) about the area's centre shifted by (centreOffsetX, centreOffsetY) destination
// pixels. With clipToSource, pixels that map outside the source area are left alone; without
// it they may take any pixel of the source bitmap.
void Raster_RotatedBlit(Raster_IBitmap* dest, Raster_IBitmap* src, int destX, int destY,
                        int destWidth, int destHeight, float srcX, float srcY, float srcWidth,
                        float srcHeight, float angle, bool clipToSource, float weight, int mode,
                        float centreOffsetX = 0.0f, float centreOffsetY = 0.0f);

// Resizes dest to src's size and copies every pixel.
void Raster_Copy(Raster_IBitmap* dest, Raster_IBitmap* src);

// Every pixel p of the rectangle becomes orBits | (mask & p).
void Raster_ClearRect(Raster_IBitmap* bitmap, int x, int y, int width, int height,
                      Raster_Pixel mask = 0, Raster_Pixel orBits = 0);
void Raster_Clear(Raster_IBitmap* bitmap, Raster_Pixel colour);

// Answers 0 outside the bitmap.
Raster_Pixel Raster_GetPixel(Raster_IBitmap* bitmap, int x, int y);
void Raster_PutPixel(Raster_IBitmap* bitmap, int x, int y, Raster_Pixel colour, float weight,
                     int mode);

// Primitives. Integer coordinates are pixel centres: a one-pixel line from (x1, y1) to (x2, y2)
// covers both end pixels. The antialiased forms scale the weight by each pixel's coverage.
void Raster_Line(Raster_IBitmap* bitmap, float x1, float y1, float x2, float y2,
                 Raster_Pixel colour, float weight, int mode, bool antialias);
// Arc of the circle between two angles in radians: 0 points up, positive angles turn clockwise;
// a span of 2π or more is the whole circle.
void Raster_Arc(Raster_IBitmap* bitmap, float cx, float cy, float radius, float minAngle,
                float maxAngle, Raster_Pixel colour, float weight, int mode, bool antialias);
void Raster_Circle(Raster_IBitmap* bitmap, float cx, float cy, float radius, Raster_Pixel colour,
                   float weight, int mode, bool antialias);
void Raster_FillCircle(Raster_IBitmap* bitmap, float cx, float cy, float radius,
                       Raster_Pixel colour, float weight, int mode, bool antialias);
// Outline of the rectangle covering pixels x … x + width − 1, y … y + height − 1, its corners
// rounded with the radius (clamped to half the shorter side).
void Raster_RoundRect(Raster_IBitmap* bitmap, int x, int y, int width, int height, int radius,
                      Raster_Pixel colour, float weight, int mode, bool antialias);
void Raster_FillRect(Raster_IBitmap* bitmap, int x, int y, int width, int height,
                     Raster_Pixel colour, float weight, int mode);
// Filled polygons include the pixels on their edges.
void Raster_FillTriangle(Raster_IBitmap* bitmap, int x1, int y1, int x2, int y2, int x3, int y3,
                         Raster_Pixel colour, float weight, int mode);
void Raster_FillConvexPolygon(Raster_IBitmap* bitmap, const int* x, const int* y, int count,
                              Raster_Pixel colour, float weight, int mode);
