#include "framework/graphics/IGraphicsStructs.h"
#include "framework/graphics/IPopupMenu.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(IRECTTest, UnionTreatsAllZeroAsEmpty)
{
    const IRECT r(1, 2, 3, 4);
    EXPECT_EQ(IRECT().Union(r), r);
    EXPECT_EQ(r.Union(IRECT()), r);
    EXPECT_EQ(r.Union(IRECT(-5, 3, 2, 10)), IRECT(-5, 2, 3, 10));
    // A rectangle at the origin with a size is not empty.
    EXPECT_FALSE(IRECT(0, 0, 1, 0).Empty());
}

TEST(IRECTTest, ContainsIncludesLeftTopExcludesRightBottom)
{
    const IRECT r(10, 20, 30, 40);
    EXPECT_TRUE(r.Contains(10, 20));
    EXPECT_TRUE(r.Contains(29, 39));
    EXPECT_FALSE(r.Contains(30, 25));
    EXPECT_FALSE(r.Contains(15, 40));
    EXPECT_FALSE(IRECT().Contains(0, 0));
}

TEST(IRECTTest, OverlapIsInclusiveOnTheRightAndBottomOnly)
{
    const IRECT a(0, 0, 10, 10), b(10, 0, 20, 10);
    EXPECT_TRUE(a.Intersects(b));
    EXPECT_FALSE(b.Intersects(a));
    const IRECT clipped = a.Intersect(b);
    EXPECT_EQ(clipped, IRECT(10, 0, 10, 10));
    EXPECT_EQ(clipped.W(), 0);
    EXPECT_TRUE(b.Intersect(a).Empty());
    EXPECT_FALSE(IRECT().Intersects(a));
    EXPECT_FALSE(a.Intersects(IRECT()));
    EXPECT_EQ(IRECT(0, 0, 10, 10).Intersect(IRECT(5, -5, 20, 7)), IRECT(5, 0, 10, 7));
}

TEST(IColorTest, PacksAlphaInTheTopByte)
{
    EXPECT_EQ(IColor(0x12, 0x34, 0x56, 0x78).Pack(), 0x12345678u);
    EXPECT_EQ(COLOR_ORANGE.Pack(), 0xffff7f00u);
    EXPECT_EQ(COLOR_TRANSPARENT.Pack(), 0u);
    EXPECT_EQ(IColor::FromPixel(0x80ff0102u), IColor(0x80, 0xff, 1, 2));
}

TEST(IChannelBlendTest, MethodsMapToRasterModes)
{
    EXPECT_EQ(BlendToRasterMode(nullptr), RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    EXPECT_EQ(BlendWeight(nullptr), 1.0f);
    const IChannelBlend none(0), clobber(1), add(2), dodge(3), odd(7, 0.5f);
    EXPECT_EQ(BlendToRasterMode(&none), RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    EXPECT_EQ(BlendToRasterMode(&clobber), RASTER_BLIT_MODE_COPY);
    EXPECT_EQ(BlendToRasterMode(&add), RASTER_BLIT_MODE_ADD | RASTER_BLIT_USE_ALPHA);
    EXPECT_EQ(BlendToRasterMode(&dodge), RASTER_BLIT_MODE_DODGE | RASTER_BLIT_USE_ALPHA);
    EXPECT_EQ(BlendToRasterMode(&odd), RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
    EXPECT_EQ(BlendWeight(&odd), 0.5f);
}

TEST(IBitmapTest, FrameSizeIsIntegerDivisionAlongTheFrameAxis)
{
    const IBitmap vertical(nullptr, 50, 3050, 61);
    EXPECT_EQ(vertical.FrameWidth(), 50);
    EXPECT_EQ(vertical.FrameHeight(), 50);
    const IBitmap horizontal(nullptr, 100, 7, 3, true);
    EXPECT_EQ(horizontal.FrameWidth(), 33);
    EXPECT_EQ(horizontal.FrameHeight(), 7);
}

TEST(ITextTest, Defaults)
{
    const IText t;
    EXPECT_STREQ(t.mFont, "Monaco");
    EXPECT_EQ(t.mSize, 10);
    EXPECT_EQ(t.mColor, DEFAULT_TEXT_COLOR);
    EXPECT_EQ(t.mAlign, IText::kAlignCenter);
    EXPECT_EQ(t.mCached, nullptr);
    const IText longFace(12, COLOR_RED, "A face name that is much longer than thirty-one chars");
    EXPECT_EQ(std::strlen(longFace.mFont), size_t(IText::kFaceLen - 1));
}

TEST(IPopupMenuTest, InsertionCheckingAndPrefixes)
{
    IPopupMenu menu;
    menu.AddItem("b");
    menu.AddItem("c");
    menu.AddItem("a", -5);
    menu.AddItem("d", 99);
    ASSERT_EQ(menu.GetNItems(), 4);
    EXPECT_STREQ(menu.GetItemText(0), "a");
    EXPECT_STREQ(menu.GetItemText(3), "d");
    EXPECT_STREQ(menu.GetItemText(4), "");
    EXPECT_EQ(menu.GetItem(-1), nullptr);

    menu.CheckItem(0, true);
    menu.CheckItem(3, true);
    menu.CheckItemAlone(2);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(menu.IsItemChecked(i), i == 2) << i;

    EXPECT_STREQ(menu.GetDisplayText(1).Get(), "b");
    menu.SetPrefix(2);
    menu.SetPrefix(4);
    EXPECT_EQ(menu.GetPrefix(), 2);
    EXPECT_STREQ(menu.GetDisplayText(1).Get(), "02: b");
    menu.SetPrefix(3);
    EXPECT_STREQ(menu.GetDisplayText(0).Get(), "001: a");

    IPopupMenu sub;
    IPopupMenuItem* item = menu.AddItem("more", &sub);
    EXPECT_EQ(item->GetSubmenu(), &sub);
    EXPECT_TRUE(menu.AddSeparator()->GetIsSeparator());
    EXPECT_EQ(menu.GetChosenItemIdx(), -1);
}
