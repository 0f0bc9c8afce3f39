#include <climits>
#include <cmath>
#include <gtest/gtest.h>

#include "raster/Raster.h"

namespace
{

const Raster_Pixel kDest = 0x40C02080;   // alpha 0x40, red 0xC0, green 0x20, blue 0x80
const Raster_Pixel kSource = 0x80FF1060; // alpha 0x80, red 0xFF, green 0x10, blue 0x60

// One-pixel blit of kSource onto kDest.
Raster_Pixel Combine(Raster_Pixel dest, Raster_Pixel source, float weight, int mode)
{
    Raster_MemBitmap d(1, 1), s(1, 1);
    d.getBits()[0] = dest;
    s.getBits()[0] = source;
    Raster_Blit(&d, &s, 0, 0, 0, 0, 1, 1, weight, mode);
    return d.getBits()[0];
}

void Fill(Raster_IBitmap& bitmap, Raster_Pixel colour)
{
    for (int i = 0; i < bitmap.getRowSpan() * bitmap.getHeight(); ++i)
        bitmap.getBits()[i] = colour;
}

// Fills every pixel with a value telling its position, padding included.
void FillNumbered(Raster_IBitmap& bitmap)
{
    for (int i = 0; i < bitmap.getRowSpan() * bitmap.getHeight(); ++i)
        bitmap.getBits()[i] = Raster_Pixel(0xff000000u + i);
}

int CountEqual(Raster_IBitmap& bitmap, Raster_Pixel colour)
{
    int n = 0;
    for (int y = 0; y < bitmap.getHeight(); ++y)
        for (int x = 0; x < bitmap.getWidth(); ++x)
            n += Raster_GetPixel(&bitmap, x, y) == colour;
    return n;
}

// Pixels past the width of each row must never be written.
bool PaddingIs(Raster_IBitmap& bitmap, Raster_Pixel colour)
{
    for (int y = 0; y < bitmap.getHeight(); ++y)
        for (int x = bitmap.getWidth(); x < bitmap.getRowSpan(); ++x)
            if (bitmap.getBits()[y * bitmap.getRowSpan() + x] != colour)
                return false;
    return true;
}

} // namespace

TEST(RasterBitmap, RowSpanFollowsLineAlignmentAndBadSizesLeaveItEmpty)
{
    Raster_MemBitmap a(5, 3, 4), b(8, 2, 4), c(5, 3, 1), empty(0, 0);
    EXPECT_EQ(a.getRowSpan(), 8);
    EXPECT_EQ(b.getRowSpan(), 8);
    EXPECT_EQ(c.getRowSpan(), 5);
    EXPECT_EQ(empty.getWidth(), 0);
    EXPECT_EQ(empty.getBits(), nullptr);
    EXPECT_FALSE(a.isFlipped());
    EXPECT_EQ(a.getDC(), nullptr);
    EXPECT_EQ(a.Extended(1, nullptr), 0);

    EXPECT_FALSE(a.resize(-1, 4));
    EXPECT_EQ(a.getWidth(), 0);
    EXPECT_EQ(a.getHeight(), 0);
    EXPECT_FALSE(a.resize(RASTER_MAX_DIMENSION + 1, 1));
    EXPECT_TRUE(a.resize(7, 2));
    EXPECT_EQ(a.getRowSpan(), 8);
    EXPECT_EQ(a.getBits()[15], 0u);

    Raster_SysBitmap sys(352, 568);
    EXPECT_EQ(sys.getWidth(), 352);
    EXPECT_EQ(sys.getRowSpan(), 352);
}

TEST(RasterBlend, CopyModesAreBitExact)
{
    EXPECT_EQ(Combine(kDest, kSource, 1.0f, RASTER_BLIT_MODE_COPY), kSource);
    EXPECT_EQ(Combine(kDest, kSource, 0.5f, RASTER_BLIT_MODE_COPY), 0x60DF1870u);
    EXPECT_EQ(Combine(kDest, kSource, 0.25f, RASTER_BLIT_MODE_COPY), 0x50D01C78u);
    // 0.3 × 256 truncates to 76; red's (d − s) is negative and its quotient truncates toward 0.
    EXPECT_EQ(Combine(kDest, kSource, 0.3f, RASTER_BLIT_MODE_COPY), 0x53D31B76u);
}

TEST(RasterBlend, CopyWithAlphaIsBitExact)
{
    const int mode = RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA;
    EXPECT_EQ(Combine(kDest, kSource, 1.0f, mode), 0xC0E0176Fu);
    EXPECT_EQ(Combine(kDest, 0xFF123456, 1.0f, mode), 0xFF123456u);
    EXPECT_EQ(Combine(0x00123456, 0xFF654321, 1.0f, mode), 0xFF654321u);
    EXPECT_EQ(Combine(kDest, kSource, 0.5f, mode), 0x80D01C78u);
    // Destination alpha plus the effective source alpha saturates at 255.
    EXPECT_EQ(Combine(0xF0102030, 0xFFFFFFFF, 0.5f, mode), 0xFF889098u);
    for (float weight : {1.0f, 0.5f, 0.25f, 0.01f})
        EXPECT_EQ(Combine(kDest, 0x00FFFFFF, weight, mode), kDest) << weight;
}

TEST(RasterBlend, CopyWithAlphaOverARowIsEachPixelsOwnCombination)
{
    // Opaque runs of every length between transparent and translucent pixels, row by row.
    const Raster_Pixel kinds[] = {0xFF123456, 0x00ABCDEF, kSource, 0xFF654321, 0x01020304};
    Raster_MemBitmap source(37, 3), dest(37, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 37; ++x)
        {
            source.getBits()[y * source.getRowSpan() + x] = kinds[(x * x + y) % 7 % 5];
            dest.getBits()[y * dest.getRowSpan() + x] = kDest + Raster_Pixel(x);
        }
    Raster_Blit(&dest, &source, 0, 0, 0, 0, 37, 3, 1.0f,
                RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(Raster_GetPixel(&dest, x, y),
                      Combine(kDest + Raster_Pixel(x), Raster_GetPixel(&source, x, y), 1.0f,
                              RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA))
                << x << "," << y;
}

TEST(RasterBlend, AddAndDodgeAreBitExact)
{
    const int add = RASTER_BLIT_MODE_ADD | RASTER_BLIT_USE_ALPHA;
    const int dodge = RASTER_BLIT_MODE_DODGE;
    EXPECT_EQ(Combine(kDest, kSource, 1.0f, add), 0x80FF28B0u);
    EXPECT_EQ(Combine(kDest, kSource, 0.5f, add), 0x60FF2498u);
    EXPECT_EQ(Combine(kDest, kSource, 1.0f, RASTER_BLIT_MODE_ADD), 0xC0FF30E0u);
    // Red: 256 − 256 × 255 ÷ 256 = 1, below 2, so the division is skipped and 255 results.
    EXPECT_EQ(Combine(kDest, kSource, 1.0f, dodge), 0x80FF22CCu);
    EXPECT_EQ(Combine(kDest, kSource, 0.5f, dodge), 0x55FF219Du);
    EXPECT_EQ(Combine(kDest, kSource, 1.0f, dodge | RASTER_BLIT_USE_ALPHA), 0x55FF219Du);
    EXPECT_EQ(Combine(kDest, 0x00FFFFFF, 1.0f, dodge | RASTER_BLIT_USE_ALPHA), kDest);
    EXPECT_EQ(Combine(kDest, 0x00FFFFFF, 1.0f, add), kDest);
}

TEST(RasterBlend, WeightZeroNaNAndUnknownModesDrawNothing)
{
    for (int mode : {0, 1, 2, 0x10000, 0x10001, 0x10002, 3, 0x10005})
    {
        EXPECT_EQ(Combine(kDest, kSource, 0.0f, mode), kDest) << mode;
        EXPECT_EQ(Combine(kDest, kSource, -1.0f, mode), kDest) << mode;
        EXPECT_EQ(Combine(kDest, kSource, NAN, mode), kDest) << mode;
        EXPECT_EQ(Combine(kDest, kSource, 0.003f, mode), kDest) << mode; // (int)(0.003 × 256) = 0
    }
    EXPECT_EQ(Combine(kDest, kSource, 1.0f, 3), kDest);
    // Weights above 1 act as 1 rather than extrapolating past the source.
    EXPECT_EQ(Combine(kDest, kSource, 2.0f, RASTER_BLIT_MODE_COPY), kSource);
}

TEST(RasterBlit, ClipsToBothBitmapsAndNeverTouchesPadding)
{
    Raster_MemBitmap src(5, 4), dest(7, 5);
    FillNumbered(src);
    const Raster_Pixel pad = 0x12345678;
    struct Case
    {
        int dx, dy, sx, sy, w, h;
    };
    const Case cases[] = {{-2, -1, 0, 0, 5, 4},
                          {4, 3, 0, 0, 5, 4},
                          {0, 0, -3, -2, 5, 4},
                          {5, 0, 3, 1, 9, 9},
                          {-9, 0, 0, 0, 5, 4},
                          {0, 0, 5, 0, 1, 1},
                          {INT_MAX, 0, 0, 0, 5, 4},
                          {0, INT_MIN, 0, 0, INT_MAX, INT_MAX},
                          {INT_MIN, INT_MIN, INT_MIN, INT_MIN, INT_MAX, INT_MAX}};
    for (const Case& c : cases)
    {
        for (int mode : {RASTER_BLIT_MODE_COPY, RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA})
        {
            Fill(dest, pad);
            Raster_Blit(&dest, &src, c.dx, c.dy, c.sx, c.sy, c.w, c.h, 1.0f, mode);
            EXPECT_TRUE(PaddingIs(dest, pad));
            // Every destination pixel is either untouched or the source pixel that lands there.
            for (int y = 0; y < dest.getHeight(); ++y)
                for (int x = 0; x < dest.getWidth(); ++x)
                {
                    const long long sx = (long long)x - c.dx + c.sx,
                                    sy = (long long)y - c.dy + c.sy;
                    const bool inside = sx >= std::max(0, c.sx) && sy >= std::max(0, c.sy) &&
                                        sx < std::min<long long>(5, (long long)c.sx + c.w) &&
                                        sy < std::min<long long>(4, (long long)c.sy + c.h);
                    const Raster_Pixel expected =
                        inside ? Raster_GetPixel(&src, int(sx), int(sy)) : pad;
                    ASSERT_EQ(Raster_GetPixel(&dest, x, y), expected)
                        << x << "," << y << " case " << c.dx << " " << c.dy << " " << c.sx << " "
                        << c.sy;
                }
        }
    }
}

TEST(RasterBlit, OverlappingBlitOntoItselfReadsTheOldPixels)
{
    Raster_MemBitmap bitmap(6, 1), expected(6, 1);
    FillNumbered(bitmap);
    FillNumbered(expected);
    Raster_Blit(&bitmap, &bitmap, 1, 0, 0, 0, 5, 1, 1.0f, RASTER_BLIT_MODE_COPY);
    for (int x = 1; x < 6; ++x)
        EXPECT_EQ(Raster_GetPixel(&bitmap, x, 0), Raster_GetPixel(&expected, x - 1, 0));
    EXPECT_EQ(Raster_GetPixel(&bitmap, 0, 0), Raster_GetPixel(&expected, 0, 0));
}

TEST(RasterBlit, NullBitmapsAreIgnored)
{
    Raster_MemBitmap b(2, 2);
    Raster_Blit(nullptr, &b, 0, 0, 0, 0, 2, 2, 1.0f, 0);
    Raster_Blit(&b, nullptr, 0, 0, 0, 0, 2, 2, 1.0f, 0);
    Raster_ScaledBlit(nullptr, &b, 0, 0, 2, 2, 0, 0, 2, 2, 1.0f, 0);
    Raster_RotatedBlit(&b, nullptr, 0, 0, 2, 2, 0, 0, 2, 2, 1.0f, true, 1.0f, 0);
    Raster_Copy(nullptr, &b);
    Raster_ClearRect(nullptr, 0, 0, 1, 1, 0, 0);
    Raster_PutPixel(nullptr, 0, 0, 0, 1.0f, 0);
    EXPECT_EQ(Raster_GetPixel(nullptr, 0, 0), 0u);
}

TEST(RasterBlit, CopyResizesAndClearRectMasks)
{
    Raster_MemBitmap src(3, 2), dest;
    FillNumbered(src);
    Raster_Copy(&dest, &src);
    ASSERT_EQ(dest.getWidth(), 3);
    ASSERT_EQ(dest.getHeight(), 2);
    EXPECT_EQ(Raster_GetPixel(&dest, 2, 1), Raster_GetPixel(&src, 2, 1));

    Raster_ClearRect(&dest, 1, -5, 10, 6, 0x00ffffff, 0x01000000);
    EXPECT_EQ(Raster_GetPixel(&dest, 0, 0), Raster_GetPixel(&src, 0, 0));
    EXPECT_EQ(Raster_GetPixel(&dest, 1, 0), (Raster_GetPixel(&src, 1, 0) & 0xffffff) | 0x01000000);
    EXPECT_EQ(Raster_GetPixel(&dest, 1, 1), Raster_GetPixel(&src, 1, 1));
    EXPECT_EQ(Raster_GetPixel(&dest, 3, 0), 0u);
    EXPECT_EQ(Raster_GetPixel(&dest, -1, 0), 0u);
}

TEST(RasterScaledBlit, CoversExactlyTheDestinationArea)
{
    Raster_MemBitmap src(2, 2), dest(12, 9);
    Raster_Clear(&src, 0xff00ff00);
    for (int mode : {RASTER_BLIT_MODE_COPY, RASTER_BLIT_MODE_COPY | RASTER_BLIT_FILTER_BILINEAR})
    {
        Raster_Clear(&dest, 0);
        Raster_ScaledBlit(&dest, &src, 1, 2, 10, 6, 0, 0, 2, 2, 1.0f, mode);
        EXPECT_EQ(CountEqual(dest, 0xff00ff00), 60);
        EXPECT_EQ(Raster_GetPixel(&dest, 1, 2), 0xff00ff00u);
        EXPECT_EQ(Raster_GetPixel(&dest, 10, 7), 0xff00ff00u);
        EXPECT_EQ(Raster_GetPixel(&dest, 11, 7), 0u);
        // Partly outside the destination: only the inside part is drawn.
        Raster_Clear(&dest, 0);
        Raster_ScaledBlit(&dest, &src, -4, 5, 10, 6, 0, 0, 2, 2, 1.0f, mode);
        EXPECT_EQ(CountEqual(dest, 0xff00ff00), 6 * 4);
        // Source areas that are not finite or lie outside the source draw nothing.
        Raster_Clear(&dest, 0);
        Raster_ScaledBlit(&dest, &src, 0, 0, 12, 9, -INFINITY, 0, INFINITY, 2, 1.0f, mode);
        Raster_ScaledBlit(&dest, &src, 0, 0, 12, 9, 1e30f, NAN, 2, 2, 1.0f, mode);
        Raster_ScaledBlit(&dest, &src, 0, 0, 12, 9, 5, 5, 2, 2, 1.0f, mode);
        EXPECT_EQ(CountEqual(dest, 0), 12 * 9);
    }
}

TEST(RasterScaledBlit, NearestDoublesPixelsAndBilinearKeepsEdgeColours)
{
    Raster_MemBitmap src(2, 1), dest(4, 1);
    src.getBits()[0] = 0xffff0000;
    src.getBits()[1] = 0x00000000; // transparent black
    Raster_ScaledBlit(&dest, &src, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f, RASTER_BLIT_MODE_COPY);
    EXPECT_EQ(dest.getBits()[0], 0xffff0000u);
    EXPECT_EQ(dest.getBits()[1], 0xffff0000u);
    EXPECT_EQ(dest.getBits()[2], 0u);

    Raster_ScaledBlit(&dest, &src, 0, 0, 4, 1, 0, 0, 2, 1, 1.0f,
                      RASTER_BLIT_MODE_COPY | RASTER_BLIT_FILTER_BILINEAR);
    EXPECT_EQ(dest.getBits()[0], 0xffff0000u);
    // Half way between the two: alpha halves, the colour stays red, not a darker red.
    const Raster_Pixel middle = dest.getBits()[2];
    EXPECT_GT(Raster_GetA(middle), 0x20u);
    EXPECT_LT(Raster_GetA(middle), 0xe0u);
    EXPECT_EQ(middle & 0xffffff, 0xff0000u);
}

TEST(RasterRotatedBlit, TurnsClockwiseAndLeavesPixelsOutsideTheSourceAlone)
{
    Raster_MemBitmap src(3, 3), dest(3, 3);
    Raster_Clear(&src, 0xff000000);
    Raster_PutPixel(&src, 1, 0, 0xffffffff, 1.0f, 0); // a mark at the top
    Raster_RotatedBlit(&dest, &src, 0, 0, 3, 3, 0, 0, 3, 3, 0.0f, true, 1.0f, 0);
    EXPECT_EQ(Raster_GetPixel(&dest, 1, 0), 0xffffffffu);

    Raster_RotatedBlit(&dest, &src, 0, 0, 3, 3, 0, 0, 3, 3, float(M_PI / 2), true, 1.0f, 0);
    EXPECT_EQ(Raster_GetPixel(&dest, 2, 1), 0xffffffffu); // top went to the right
    EXPECT_EQ(Raster_GetPixel(&dest, 1, 0), 0xff000000u);
    Raster_RotatedBlit(&dest, &src, 0, 0, 3, 3, 0, 0, 3, 3, float(M_PI), true, 1.0f, 0);
    EXPECT_EQ(Raster_GetPixel(&dest, 1, 2), 0xffffffffu);

    // At 45 degrees the corners of a large square map outside the source and stay untouched.
    Raster_MemBitmap big(20, 20), target(20, 20);
    Raster_Clear(&big, 0xff0000ff);
    Raster_Clear(&target, 0x11111111);
    Raster_RotatedBlit(&target, &big, 0, 0, 20, 20, 0, 0, 20, 20, float(M_PI / 4), true, 1.0f,
                       RASTER_BLIT_MODE_COPY | RASTER_BLIT_FILTER_BILINEAR);
    EXPECT_EQ(Raster_GetPixel(&target, 0, 0), 0x11111111u);
    EXPECT_EQ(Raster_GetPixel(&target, 19, 19), 0x11111111u);
    EXPECT_EQ(Raster_GetPixel(&target, 10, 10), 0xff0000ffu);
    // Destinations partly outside the bitmap are clipped.
    Raster_RotatedBlit(&target, &big, -10, 15, 20, 20, 0, 0, 20, 20, 1.0f, false, 1.0f, 0);
    EXPECT_EQ(Raster_GetPixel(&target, 19, 19), 0x11111111u);
}
