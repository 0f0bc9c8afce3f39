#include <climits>
#include <gtest/gtest.h>
#include <memory>

#include "raster/RasterFont.h"

namespace
{

HFONT MakeFont(int height, unsigned int quality = DEFAULT_QUALITY)
{
    return CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, "Monaco");
}

struct Extent
{
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};

// Where pixels differ from the background.
Extent Inked(Raster_IBitmap& bitmap, Raster_Pixel background)
{
    Extent e;
    for (int y = 0; y < bitmap.getHeight(); ++y)
        for (int x = 0; x < bitmap.getWidth(); ++x)
            if (Raster_GetPixel(&bitmap, x, y) != background)
            {
                e.left = std::min(e.left, x);
                e.top = std::min(e.top, y);
                e.right = std::max(e.right, x);
                e.bottom = std::max(e.bottom, y);
                ++e.count;
            }
    return e;
}

class RasterFont : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HFONT native = MakeFont(12);
        ASSERT_NE(native, nullptr) << "no font installed";
        mFont.SetFromHFont(native, 0x600);
        mFont.SetTextColor(0xff000000);
    }
    Raster_CachedFont mFont;
};

} // namespace

TEST(NativeFont, FallsBackToAMonospacedFaceOfTheAskedCellHeight)
{
    HFONT font = MakeFont(12);
    ASSERT_NE(font, nullptr);
    TEXTMETRIC m;
    ASSERT_TRUE(GetTextMetrics(font, &m));
    EXPECT_EQ(m.tmHeight, 12);
    EXPECT_GT(m.tmAscent, m.tmDescent);
    char face[64];
    EXPECT_GT(GetTextFace(font, sizeof face, face), 0);

    GLYPHMETRICS narrow, wide;
    ASSERT_EQ(GetGlyphOutline(font, 'i', GGO_METRICS, &narrow, 0, nullptr), 0u);
    ASSERT_EQ(GetGlyphOutline(font, 'W', GGO_METRICS, &wide, 0, nullptr), 0u);
    EXPECT_EQ(narrow.gmCellIncX, wide.gmCellIncX) << face << " is not monospaced";
    EXPECT_GT(wide.gmCellIncX, 0);

    // The coverage image is only written into a buffer large enough for it.
    GLYPHMETRICS m2;
    const unsigned int size = GetGlyphOutline(font, 'W', GGO_GRAY8_BITMAP, &m2, 0, nullptr);
    ASSERT_NE(size, GDI_ERROR);
    EXPECT_EQ(size, m2.gmBlackBoxX * m2.gmBlackBoxY);
    std::vector<unsigned char> small(size > 0 ? size - 1 : 0, 0xab);
    GetGlyphOutline(font, 'W', GGO_GRAY8_BITMAP, &m2, unsigned(small.size()), small.data());
    for (unsigned char c : small)
        ASSERT_EQ(c, 0xab);
    EXPECT_EQ(GetGlyphOutline(font, 'W', 99, &m2, 0, nullptr), GDI_ERROR);
    EXPECT_EQ(GetGlyphOutline(nullptr, 'W', GGO_METRICS, &m2, 0, nullptr), GDI_ERROR);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_FALSE(DeleteObject(nullptr));
}

TEST_F(RasterFont, MeasuresAndDrawsText)
{
    EXPECT_EQ(mFont.GetLineHeight(), 12);
    RECT r = {10, 20, 10, 20};
    EXPECT_EQ(mFont.DrawText(nullptr, "Hello", -1, &r, DT_CALCRECT), 12);
    EXPECT_EQ(r.left, 10);
    EXPECT_GT(r.right - r.left, 20);
    EXPECT_EQ(r.bottom, 32);
    const int width = r.right - r.left;

    Raster_MemBitmap b(100, 40);
    Raster_Clear(&b, 0xffffffff);
    RECT area = {0, 0, 100, 40};
    EXPECT_EQ(mFont.DrawText(&b, "Hello", -1, &area, DT_NOCLIP), 12);
    const Extent e = Inked(b, 0xffffffff);
    EXPECT_GT(e.count, 20);
    EXPECT_GE(e.left, 0);
    EXPECT_LT(e.right, width);
    EXPECT_LT(e.bottom, 12);
}

TEST_F(RasterFont, AlignsLeftCentreAndRight)
{
    Raster_MemBitmap b(120, 20);
    RECT area = {0, 0, 120, 20};
    int lefts[3];
    const unsigned int flags[3] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    for (int i = 0; i < 3; ++i)
    {
        Raster_Clear(&b, 0xffffffff);
        mFont.DrawText(&b, "abc", 3, &area, flags[i] | DT_NOCLIP);
        lefts[i] = Inked(b, 0xffffffff).left;
    }
    RECT measured = {0, 0, 0, 0};
    mFont.DrawText(nullptr, "abc", 3, &measured, DT_CALCRECT);
    const int width = measured.right;
    EXPECT_LT(lefts[0], lefts[1]);
    EXPECT_LT(lefts[1], lefts[2]);
    EXPECT_NEAR(lefts[1] - lefts[0], (120 - width) / 2, 1);
    EXPECT_NEAR(lefts[2] - lefts[0], 120 - width, 1);
}

TEST_F(RasterFont, ClipsToTheRectangleUnlessToldNotTo)
{
    Raster_MemBitmap b(100, 20);
    Raster_Clear(&b, 0xffffffff);
    RECT narrow = {0, 0, 8, 20};
    mFont.DrawText(&b, "WWWWWW", -1, &narrow, 0);
    EXPECT_LT(Inked(b, 0xffffffff).right, 8);
    Raster_Clear(&b, 0xffffffff);
    mFont.DrawText(&b, "WWWWWW", -1, &narrow, DT_NOCLIP);
    EXPECT_GE(Inked(b, 0xffffffff).right, 8);
    // Text running off the bitmap is cut at its edges, even from rectangles at the limits of int.
    RECT outside = {-30, -5, 200, 40};
    mFont.DrawText(&b, "WWWWWWWWWWWWWWWWWWWWWWWWWW", -1, &outside, DT_NOCLIP | DT_RIGHT);
    mFont.SetBkMode(RASTER_BKMODE_OPAQUE);
    RECT extreme = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    for (unsigned int flags :
         {0u, unsigned(DT_CENTER | DT_VCENTER), unsigned(DT_RIGHT | DT_BOTTOM)})
        mFont.DrawText(&b, "WW\nWW", -1, &extreme, flags);
    RECT far = {INT_MAX - 3, INT_MAX - 3, 0, 0};
    mFont.DrawText(&b, "WW", -1, &far, DT_CALCRECT);
    EXPECT_EQ(far.right, INT_MAX);
    EXPECT_EQ(far.bottom, INT_MAX);
}

TEST_F(RasterFont, ColourAlphaIsUsedOnlyWhenAskedFor)
{
    Raster_MemBitmap b(60, 20);
    RECT area = {0, 0, 60, 20};
    Raster_Clear(&b, 0xffffffff);
    mFont.SetTextColor(0x00ff0000);
    EXPECT_EQ(mFont.GetTextColor(), 0x00ff0000u);
    mFont.DrawText(&b, "Hi", -1, &area, DT_NOCLIP | RASTER_DT_USEFGALPHA);
    EXPECT_EQ(Inked(b, 0xffffffff).count, 0);
    mFont.DrawText(&b, "Hi", -1, &area, DT_NOCLIP);
    EXPECT_GT(Inked(b, 0xffffffff).count, 0);
}

TEST_F(RasterFont, Utf8CharactersCountOnceAndBadInputIsHarmless)
{
    RECT one = {0, 0, 0, 0}, accented = {0, 0, 0, 0}, broken = {0, 0, 0, 0}, empty = {0, 0, 0, 0};
    mFont.DrawText(nullptr, "e", -1, &one, DT_CALCRECT);
    mFont.DrawText(nullptr, "\xc3\xa9", -1, &accented, DT_CALCRECT);
    mFont.DrawText(nullptr, "\xc3", -1, &broken, DT_CALCRECT); // cut-off sequence: one Latin-1 byte
    EXPECT_EQ(accented.right, one.right);
    EXPECT_EQ(broken.right, one.right);
    EXPECT_EQ(mFont.DrawText(nullptr, "", -1, &empty, DT_CALCRECT), 0);
    EXPECT_EQ(empty.right, 0);

    Raster_MemBitmap b(10, 10);
    RECT r = {0, 0, 10, 10};
    EXPECT_EQ(mFont.DrawText(&b, nullptr, -1, &r, 0), 0);
    EXPECT_EQ(mFont.DrawText(&b, "x", -1, nullptr, 0), 0);
    Raster_CachedFont unset;
    EXPECT_EQ(unset.DrawText(&b, "x", -1, &r, 0), 0);
    EXPECT_EQ(unset.GetLineHeight(), 0);
    EXPECT_FALSE(unset.DrawGlyph(&b, 'x', 0, 0, nullptr));
    EXPECT_TRUE(mFont.DrawGlyph(&b, 'x', 0, 0, nullptr));
}

TEST_F(RasterFont, TwoLinesAreTwiceAsHigh)
{
    RECT r = {0, 0, 0, 0};
    EXPECT_EQ(mFont.DrawText(nullptr, "ab\ncd", -1, &r, DT_CALCRECT), 24);
    EXPECT_EQ(r.bottom, 24);
}

TEST(RasterFontQuality, NonAntialiasedTextUsesOnlyTheTextColour)
{
    Raster_CachedFont font;
    font.SetFromHFont(MakeFont(16, NONANTIALIASED_QUALITY), RASTER_FONT_FLAG_OWNS_HFONT);
    font.SetTextColor(0xff000000);
    Raster_MemBitmap b(80, 20);
    Raster_Clear(&b, 0xffffffff);
    RECT area = {0, 0, 80, 20};
    font.DrawText(&b, "Wave", -1, &area, DT_NOCLIP);
    int inked = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 80; ++x)
        {
            const Raster_Pixel p = Raster_GetPixel(&b, x, y);
            ASSERT_TRUE(p == 0xffffffffu || p == 0xff000000u) << std::hex << p;
            inked += p == 0xff000000u;
        }
    EXPECT_GT(inked, 10);
}
