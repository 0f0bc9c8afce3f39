#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <utility>

#include "raster/Raster.h"

namespace
{

const Raster_Pixel kInk = 0xffffffff;
// Drawn in add mode, a pixel hit twice would show 2 instead of 1.
const Raster_Pixel kOne = 0x01010101;

typedef std::set<std::pair<int, int>> Pixels;

Pixels Drawn(Raster_IBitmap& bitmap)
{
    Pixels drawn;
    for (int y = 0; y < bitmap.getHeight(); ++y)
        for (int x = 0; x < bitmap.getWidth(); ++x)
            if (Raster_GetPixel(&bitmap, x, y) != 0)
                drawn.insert({x, y});
    return drawn;
}

bool NoPixelAbove(Raster_IBitmap& bitmap, Raster_Pixel limit)
{
    for (int y = 0; y < bitmap.getHeight(); ++y)
        for (int x = 0; x < bitmap.getWidth(); ++x)
            if (Raster_GetPixel(&bitmap, x, y) > limit)
                return false;
    return true;
}

} // namespace

TEST(RasterPixel, PutAndGetClipToTheBitmap)
{
    Raster_MemBitmap b(3, 3);
    Raster_PutPixel(&b, 2, 2, 0x80ff0000, 1.0f, RASTER_BLIT_MODE_COPY);
    Raster_PutPixel(&b, 3, 0, kInk, 1.0f, 0);
    Raster_PutPixel(&b, -1, 0, kInk, 1.0f, 0);
    Raster_PutPixel(&b, 0, 3, kInk, 1.0f, 0);
    EXPECT_EQ(Raster_GetPixel(&b, 2, 2), 0x80ff0000u);
    EXPECT_EQ(Drawn(b).size(), 1u);
    EXPECT_EQ(Raster_GetPixel(&b, 3, 2), 0u);
    // Put pixel combines like a blit: copy with alpha over black, 255 + 127 × (0 − 255) ÷ 256.
    Raster_PutPixel(&b, 0, 0, 0x80ff0000, 1.0f, RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    EXPECT_EQ(Raster_GetPixel(&b, 0, 0), 0x80810000u);
}

TEST(RasterLine, CoversBothEndPointsOnce)
{
    Raster_MemBitmap b(8, 8);
    Raster_Line(&b, 1, 2, 5, 2, kOne, 1.0f, RASTER_BLIT_MODE_ADD, false);
    EXPECT_EQ(Drawn(b), (Pixels{{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}}));
    Raster_Clear(&b, 0);
    Raster_Line(&b, 3, 6, 3, 4, kOne, 1.0f, RASTER_BLIT_MODE_ADD, false);
    EXPECT_EQ(Drawn(b), (Pixels{{3, 4}, {3, 5}, {3, 6}}));
    Raster_Clear(&b, 0);
    Raster_Line(&b, 0, 0, 7, 7, kOne, 1.0f, RASTER_BLIT_MODE_ADD, false);
    EXPECT_EQ(Drawn(b).size(), 8u);
    EXPECT_TRUE(NoPixelAbove(b, kOne));
    Raster_Clear(&b, 0);
    Raster_Line(&b, 4, 4, 4, 4, kInk, 1.0f, 0, false);
    EXPECT_EQ(Drawn(b), (Pixels{{4, 4}}));
}

TEST(RasterLine, ClipsAtTheEdgesWithoutWalkingTheWholeLine)
{
    Raster_MemBitmap b(8, 8);
    Raster_Line(&b, -5, 3, 20, 3, kInk, 1.0f, 0, false);
    EXPECT_EQ(Drawn(b).size(), 8u);
    EXPECT_EQ(Raster_GetPixel(&b, 0, 3), kInk);
    EXPECT_EQ(Raster_GetPixel(&b, 7, 3), kInk);
    Raster_Clear(&b, 0);
    // Such a line would take minutes if drawn pixel by pixel outside the bitmap.
    Raster_Line(&b, -1e9f, -1e9f, 1e9f, 1e9f, kInk, 1.0f, 0, true);
    Raster_Line(&b, 3.0f, -3e9f, 3.0f, 3e9f, kInk, 1.0f, 0, false);
    EXPECT_EQ(Raster_GetPixel(&b, 3, 0), kInk);
    EXPECT_EQ(Raster_GetPixel(&b, 3, 7), kInk);
    Raster_Clear(&b, 0);
    Raster_Line(&b, -3, -3, -1, -9, kInk, 1.0f, 0, false);
    Raster_Line(&b, NAN, 0, 4, 4, kInk, 1.0f, 0, false);
    EXPECT_TRUE(Drawn(b).empty());
}

TEST(RasterLine, AntialiasedLineOnPixelCentresIsSolid)
{
    Raster_MemBitmap b(8, 8);
    Raster_Line(&b, 1, 3, 6, 3, kInk, 1.0f, 0, true);
    EXPECT_EQ(Drawn(b).size(), 6u);
    Raster_Clear(&b, 0);
    // Half way between two rows: both get half the colour.
    Raster_Line(&b, 1, 3.5f, 6, 3.5f, 0xff000000 | 0xc8c8c8, 1.0f, 0, true);
    EXPECT_EQ(Drawn(b).size(), 12u);
    EXPECT_EQ(Raster_GetPixel(&b, 2, 3), Raster_GetPixel(&b, 2, 4));
    EXPECT_EQ(Raster_GetR(Raster_GetPixel(&b, 2, 3)), 0x64u);
}

TEST(RasterCircle, TouchesItsFourExtremesAndEachPixelOnce)
{
    Raster_MemBitmap b(11, 11);
    Raster_Circle(&b, 5, 5, 3, kOne, 1.0f, RASTER_BLIT_MODE_ADD, false);
    const Pixels drawn = Drawn(b);
    for (auto p :
         {std::make_pair(8, 5), std::make_pair(2, 5), std::make_pair(5, 2), std::make_pair(5, 8)})
        EXPECT_TRUE(drawn.count(p)) << p.first << "," << p.second;
    EXPECT_FALSE(drawn.count({5, 5}));
    EXPECT_FALSE(drawn.count({9, 5}));
    EXPECT_TRUE(NoPixelAbove(b, kOne));
    // Symmetric about the centre.
    for (auto p : drawn)
        EXPECT_TRUE(drawn.count({10 - p.first, p.second}) && drawn.count({p.second, p.first}));

    Raster_Clear(&b, 0);
    Raster_FillCircle(&b, 5, 5, 3, kInk, 1.0f, 0, false);
    const Pixels filled = Drawn(b);
    EXPECT_TRUE(filled.count({5, 5}) && filled.count({8, 5}) && filled.count({5, 2}));
    EXPECT_FALSE(filled.count({9, 5}) || filled.count({8, 8}));
}

TEST(RasterCircle, ClipsAtTheBitmapEdge)
{
    Raster_MemBitmap b(6, 6);
    Raster_Circle(&b, 0, 0, 3, kInk, 1.0f, 0, true);
    Raster_FillCircle(&b, 6, 6, 4, kInk, 1.0f, 0, true);
    Raster_Circle(&b, 0, 0, 3, kInk, 1.0f, 0, false);
    EXPECT_EQ(Raster_GetPixel(&b, 3, 0), kInk);
    EXPECT_EQ(Raster_GetPixel(&b, 0, 3), kInk);
    EXPECT_EQ(Raster_GetPixel(&b, 5, 5), kInk);
    Raster_Circle(&b, 1e30f, 0, 1e30f, kInk, 1.0f, 0, true);
    Raster_FillCircle(&b, 3, 3, -1, kInk, 1.0f, 0, false);
}

TEST(RasterArc, CoversOnlyItsAnglesClockwiseFromUp)
{
    Raster_MemBitmap b(11, 11);
    Raster_Arc(&b, 5, 5, 3, 0.0f, float(M_PI / 2), kInk, 1.0f, 0, false);
    const Pixels drawn = Drawn(b);
    EXPECT_TRUE(drawn.count({5, 2}));  // up
    EXPECT_TRUE(drawn.count({8, 5}));  // right
    EXPECT_FALSE(drawn.count({5, 8})); // down
    EXPECT_FALSE(drawn.count({2, 5})); // left
    for (auto p : drawn)
        EXPECT_TRUE(p.first >= 5 && p.second <= 5) << p.first << "," << p.second;

    // A span across −π: from left (−π/2) through up to right.
    Raster_Clear(&b, 0);
    Raster_Arc(&b, 5, 5, 3, float(-M_PI / 2), float(M_PI / 2), kInk, 1.0f, 0, false);
    EXPECT_TRUE(Drawn(b).count({2, 5}));
    EXPECT_FALSE(Drawn(b).count({5, 8}));
}

TEST(RasterRoundRect, RoundsItsCornersAndDrawsEachPixelOnce)
{
    Raster_MemBitmap b(12, 10);
    Raster_RoundRect(&b, 1, 1, 10, 8, 2, kOne, 1.0f, RASTER_BLIT_MODE_ADD, false);
    const Pixels drawn = Drawn(b);
    EXPECT_TRUE(NoPixelAbove(b, kOne));
    EXPECT_FALSE(drawn.count({1, 1}));
    EXPECT_FALSE(drawn.count({10, 8}));
    EXPECT_TRUE(drawn.count({5, 1}) && drawn.count({5, 8}) && drawn.count({1, 4}) &&
                drawn.count({10, 4}));
    EXPECT_TRUE(drawn.count({3, 1}) && drawn.count({1, 3}));
    for (auto p : drawn)
        EXPECT_TRUE(p.first >= 1 && p.first <= 10 && p.second >= 1 && p.second <= 8);

    // Radius 0 is a plain outline with four corners, each drawn once.
    Raster_Clear(&b, 0);
    Raster_RoundRect(&b, 0, 0, 4, 3, 0, kOne, 1.0f, RASTER_BLIT_MODE_ADD, false);
    EXPECT_EQ(Drawn(b).size(), 10u);
    EXPECT_TRUE(NoPixelAbove(b, kOne));
    Raster_Clear(&b, 0);
    Raster_RoundRect(&b, 2, 2, 1, 1, 5, kOne, 1.0f, RASTER_BLIT_MODE_ADD, true);
    EXPECT_EQ(Drawn(b), (Pixels{{2, 2}}));

    // Far edges beyond the range of int: only the edges crossing the bitmap show.
    Raster_Clear(&b, 0);
    Raster_RoundRect(&b, 3, 4, INT_MAX, INT_MAX, 0, kInk, 1.0f, 0, false);
    EXPECT_EQ(Drawn(b).size(), 9u + 5u);
    Raster_RoundRect(&b, -5, 1, INT_MAX, 3, 1, kInk, 1.0f, 0, false);
    EXPECT_EQ(Drawn(b).size(), 14u + 24u);
    Raster_RoundRect(&b, INT_MAX - 1, 0, INT_MAX, 5, INT_MAX, kInk, 1.0f, 0, true);
    EXPECT_EQ(Drawn(b).size(), 38u);
}

TEST(RasterFill, RectsClipAndCombine)
{
    Raster_MemBitmap b(5, 4);
    Raster_FillRect(&b, -2, -2, 4, 4, kInk, 1.0f, 0);
    EXPECT_EQ(Drawn(b), (Pixels{{0, 0}, {1, 0}, {0, 1}, {1, 1}}));
    Raster_FillRect(&b, 4, 3, 100, 100, 0x80ff0000, 1.0f,
                    RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    EXPECT_EQ(Raster_GetPixel(&b, 4, 3), 0x80810000u);
    Raster_FillRect(&b, 0, 0, 5, 4, kInk, 0.0f, 0);
    EXPECT_EQ(Drawn(b).size(), 5u);
    Raster_FillRect(&b, INT_MAX, INT_MAX, INT_MAX, INT_MAX, kInk, 1.0f, 0);
}

TEST(RasterFill, PolygonsIncludeTheirEdgesAndVertices)
{
    Raster_MemBitmap b(8, 8);
    Raster_FillTriangle(&b, 0, 0, 4, 0, 0, 4, kOne, 1.0f, RASTER_BLIT_MODE_ADD);
    EXPECT_EQ(Drawn(b).size(), 15u);
    EXPECT_TRUE(Drawn(b).count({4, 0}) && Drawn(b).count({0, 4}) && Drawn(b).count({2, 2}));
    EXPECT_FALSE(Drawn(b).count({3, 2}));
    EXPECT_TRUE(NoPixelAbove(b, kOne));

    Raster_Clear(&b, 0);
    const int xs[] = {1, 3, 3, 1}, ys[] = {1, 1, 3, 3};
    Raster_FillConvexPolygon(&b, xs, ys, 4, kOne, 1.0f, RASTER_BLIT_MODE_ADD);
    EXPECT_EQ(Drawn(b).size(), 9u);
    EXPECT_TRUE(NoPixelAbove(b, kOne));

    // Far outside or partly outside: clipped, no time spent on rows outside.
    Raster_Clear(&b, 0);
    Raster_FillTriangle(&b, -100000000, 4, 100000000, 4, 0, 100000000, kInk, 1.0f, 0);
    EXPECT_EQ(Drawn(b).size(), 32u);
    Raster_FillConvexPolygon(&b, xs, ys, 0, kInk, 1.0f, 0);
    Raster_FillConvexPolygon(&b, nullptr, ys, 4, kInk, 1.0f, 0);
}
