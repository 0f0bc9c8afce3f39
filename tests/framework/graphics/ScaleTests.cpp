// The editor drawn at a scale: the 2x artwork blitted as it is, decoded only once a scale above
// 1 is used; factors between drawn from the larger artwork; lines and text at the scale; the
// panel menu: the zoom and the sections a plug-in adds.
#include "GfxTestSupport.h"

#include "framework/graphics/IControl.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace
{

// Remembers the image files the editor asked for.
class CountingGraphics : public IGraphicsMac
{
public:
    using IGraphicsMac::IGraphicsMac;
    Raster_IBitmap* OSLoadBitmap(int id, const char* name) override
    {
        mLoaded.emplace_back(name);
        return IGraphicsMac::OSLoadBitmap(id, name);
    }
    int CountLoads(const std::string& name) const
    {
        return int(std::count(mLoaded.begin(), mLoaded.end(), name));
    }
    std::vector<std::string> mLoaded;
};

// Resource IDs of their own, so that no other test's bitmaps share the process-wide cache.
const int kStripID = 9101, kPlainID = 9102;
const int kFrame = 10;

// The 2x strip's pixel: red the frame, green 2, blue a checkerboard, so that a pixel read back
// tells whether it was copied as it is or resampled.
Raster_Pixel HiResPixel(int frame, int x, int y)
{
    return Raster_RGBA(unsigned(frame), 2u, (x + y) % 2 ? 255u : 0u, 255u);
}

class ScaleTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sResources = new TestResources;
        std::vector<Raster_Pixel> lo(size_t(kFrame * kFrame * 2));
        std::vector<Raster_Pixel> hi(size_t(4 * kFrame * kFrame * 2));
        for (int f = 0; f < 2; ++f)
        {
            std::fill(lo.begin() + f * kFrame * kFrame, lo.begin() + (f + 1) * kFrame * kFrame,
                      Raster_RGBA(unsigned(f), 1u, 0u, 255u));
            for (int y = 0; y < 2 * kFrame; ++y)
                for (int x = 0; x < 2 * kFrame; ++x)
                    hi[size_t((f * 2 * kFrame + y) * 2 * kFrame + x)] = HiResPixel(f, x, y);
        }
        WritePNG(sResources->ImagePath("STRIP.png"), kFrame, 2 * kFrame, lo);
        WritePNG(sResources->ImagePath("STRIP@2x.png"), 2 * kFrame, 4 * kFrame, hi);
        WritePNG(sResources->ImagePath("PLAIN.png"), kFrame, 2 * kFrame, lo);
    }
    static void TearDownTestSuite()
    {
        delete sResources;
        sResources = nullptr;
    }
    void SetUp() override
    {
        auto native = std::make_unique<HeadlessNativeLayer>(sResources->Root().c_str());
        mLayer = native.get();
        mGraphics = new CountingGraphics(&mPlug, 352, 568, 0, std::move(native));
        mGraphics->AttachPanelBackground(COLOR_WHITE);
        mStrip = mGraphics->AttachControl(new ISwitchControl(
            &mPlug, 30, 40, -1, mGraphics->LoadIBitmap(kStripID, "resources/img/STRIP.png", 2)));
        mPlain = mGraphics->AttachControl(new ISwitchControl(
            &mPlug, 100, 40, -1, mGraphics->LoadIBitmap(kPlainID, "resources/img/PLAIN.png", 2)));
        mGraphics->GetControl(mStrip)->SetValueFromPlug(1.0);
        mPlug.AttachGraphics(mGraphics);
        mGraphics->OpenWindow(nullptr);
    }
    void DrawAll() { mGraphics->Draw(IRECT(0, 0, 352, 568)); }
    Raster_Pixel Drawn(int x, int y) const
    {
        return Raster_GetPixel(mGraphics->GetDrawBitmap(), x, y);
    }

    static TestResources* sResources;
    GfxTestPlug mPlug;
    HeadlessNativeLayer* mLayer = nullptr;
    CountingGraphics* mGraphics = nullptr;
    int mStrip = -1, mPlain = -1;
};

TestResources* ScaleTest::sResources = nullptr;

const IMouseMod kRight(false, true);

TEST_F(ScaleTest, TwiceTheScaleCopiesThe2xArtworkPixelForPixel)
{
    DrawAll();
    EXPECT_EQ(mGraphics->CountLoads("resources/img/STRIP@2x.png"), 0);
    EXPECT_EQ(Drawn(35, 45), Raster_RGBA(1u, 1u, 0u, 255u));

    ASSERT_TRUE(mGraphics->SetScale(2.0));
    EXPECT_EQ(mGraphics->GetDrawBitmap()->getWidth(), 704);
    EXPECT_EQ(mGraphics->GetDrawBitmap()->getHeight(), 1136);
    DrawAll();
    // Frame 2 of the 2x strip, unfiltered, exactly over the control's 1x rectangle doubled.
    for (int y = 0; y < 2 * kFrame; ++y)
        for (int x = 0; x < 2 * kFrame; ++x)
            ASSERT_EQ(Drawn(60 + x, 80 + y), HiResPixel(1, x, 2 * kFrame + y)) << x << "," << y;
    EXPECT_EQ(Drawn(59, 80), COLOR_WHITE.Pack());
    EXPECT_EQ(Drawn(80, 100), COLOR_WHITE.Pack());
    DrawAll();
    // Decoded once per process (an earlier test in this process may have done it already).
    EXPECT_LE(mGraphics->CountLoads("resources/img/STRIP@2x.png"), 1);
}

TEST_F(ScaleTest, WithoutA2xFileTheBitmapIsEnlargedAndLookedForOnce)
{
    ASSERT_TRUE(mGraphics->SetScale(2.0));
    DrawAll();
    DrawAll();
    EXPECT_LE(mGraphics->CountLoads("resources/img/PLAIN@2x.png"), 1);
    EXPECT_EQ(Drawn(200, 80), Raster_RGBA(0u, 1u, 0u, 255u));
    EXPECT_EQ(Drawn(219, 99), Raster_RGBA(0u, 1u, 0u, 255u));
    EXPECT_EQ(Drawn(220, 100), COLOR_WHITE.Pack());
}

TEST_F(ScaleTest, AFactorBetweenIsDrawnFromTheLargerArtworkScaledDown)
{
    ASSERT_TRUE(mGraphics->SetScale(1.5));
    EXPECT_EQ(mGraphics->ScaledWidth(), 528);
    EXPECT_EQ(mGraphics->ScaledHeight(), 852);
    DrawAll();
    // (30, 40, 40, 50) covers (45, 60, 60, 75); inside, the checkerboard is averaged away.
    const Raster_Pixel p = Drawn(52, 67);
    EXPECT_EQ(Raster_GetR(p), 1u);
    EXPECT_EQ(Raster_GetG(p), 2u);
    EXPECT_NEAR(int(Raster_GetB(p)), 128, 40);
    EXPECT_EQ(Drawn(44, 67), COLOR_WHITE.Pack());
    EXPECT_EQ(Drawn(60, 67), COLOR_WHITE.Pack());
    // Each frame is resampled once and kept: the other frame, then the first again.
    mGraphics->GetControl(mStrip)->SetValueFromPlug(0.0);
    DrawAll();
    EXPECT_EQ(Raster_GetR(Drawn(52, 67)), 0u);
    EXPECT_EQ(Raster_GetG(Drawn(52, 67)), 2u);
    mGraphics->GetControl(mStrip)->SetValueFromPlug(1.0);
    DrawAll();
    EXPECT_EQ(Drawn(52, 67), p);
}

TEST_F(ScaleTest, RefusedScalesChangeNothing)
{
    for (double bad : {0.5, 0.0, 4.5, -1.0, std::nan("")})
        EXPECT_FALSE(mGraphics->SetScale(bad));
    EXPECT_EQ(mGraphics->GetScale(), 1.0);
    EXPECT_EQ(mGraphics->GetDrawBitmap()->getWidth(), 352);
}

TEST_F(ScaleTest, LinesAreAsWideAndTextAsTallAsTheScale)
{
    auto inkRows = [&](int x0, int x1, int y0, int y1)
    {
        int top = -1, bottom = -1;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if ((Drawn(x, y) & 0xFFFFFF) != 0xFFFFFF)
                {
                    top = top < 0 ? y : top;
                    bottom = y;
                }
        return std::make_pair(top, bottom);
    };
    IText style(40, COLOR_BLACK);
    IRECT box(10, 300, 300, 360);
    DrawAll();
    mGraphics->DrawIText(&style, "H", &box);
    const auto h1 = inkRows(10, 300, 300, 360);
    ASSERT_GE(h1.first, 0);

    ASSERT_TRUE(mGraphics->SetScale(2.0));
    DrawAll();
    mGraphics->DrawIText(&style, "H", &box);
    const auto h2 = inkRows(20, 600, 600, 720);
    EXPECT_NEAR(h2.second - h2.first + 1, 2 * (h1.second - h1.first + 1), 2);

    mGraphics->DrawLine(COLOR_BLACK, 2.0f, 200.0f, 10.0f, 200.0f);
    EXPECT_EQ(inkRows(0, 40, 395, 405), std::make_pair(400, 401));
    EXPECT_EQ(Drawn(4, 400) & 0xFFFFFF, 0u);
    EXPECT_EQ(Drawn(21, 401) & 0xFFFFFF, 0u);
    EXPECT_EQ(Drawn(22, 400), COLOR_WHITE.Pack());
}

TEST_F(ScaleTest, ZoomMenuOnThePanelScalesAndAsksForTheWindowSize)
{
    mLayer->SetNextMenuChoice(1);
    mLayer->MouseDown(300, 500, kRight);
    EXPECT_EQ(mLayer->GetLastMenuTexts(),
              std::vector<std::string>({"Zoom 100%", "Zoom 150%", "Zoom 200%"}));
    EXPECT_EQ(mGraphics->GetScale(), 1.5);
    EXPECT_EQ(mPlug.mResizes, std::vector<std::vector<int>>({{528, 852}}));
    EXPECT_EQ(mLayer->GetScreen()->getWidth(), 528);
    // A right-click on a control is not the panel's.
    const int menus = mLayer->GetMenuCount();
    mLayer->ViewMouse(ENativeMouse::kDown, true, 35 * 1.5 + 2, 852 - 45 * 1.5 - 3, 0);
    EXPECT_EQ(mLayer->GetMenuCount(), menus);
}

// A section with a plain item and a submenu, as a plug-in adds them.
class RecordingSection : public IPanelMenuSection
{
public:
    void AddItems(IPopupMenu& menu) override
    {
        mSub = std::make_unique<IPopupMenu>();
        mSub->AddItem("A");
        mSub->AddItem("B")->SetChecked(true);
        menu.AddItem(mName.c_str());
        menu.AddItem("Choose", mSub.get());
    }
    void OnChoice(int item, int subItem) override { mChoices.push_back({item, subItem}); }
    explicit RecordingSection(std::string name) : mName(std::move(name)) {}
    std::string mName;
    std::unique_ptr<IPopupMenu> mSub;
    std::vector<std::pair<int, int>> mChoices;
};

TEST_F(ScaleTest, PanelMenuSectionsFollowTheZoomAndReceiveTheirOwnChoices)
{
    auto first = std::make_unique<RecordingSection>("First");
    auto second = std::make_unique<RecordingSection>("Second");
    RecordingSection* a = first.get();
    RecordingSection* b = second.get();
    mGraphics->AddPanelMenuSection(std::move(first));
    mGraphics->AddPanelMenuSection(std::move(second));
    mGraphics->AddPanelMenuSection(nullptr);

    mLayer->SetNextMenuChoice(8, 0);
    mLayer->MouseDown(300, 500, kRight);
    const auto& shown = mLayer->GetLastMenu();
    ASSERT_EQ(shown.size(), 9u);
    EXPECT_EQ(shown[4].text, "First");
    EXPECT_EQ(shown[7].text, "Second");
    ASSERT_EQ(shown[8].submenu.size(), 2u);
    EXPECT_FALSE(shown[8].submenu[0].checked);
    EXPECT_TRUE(shown[8].submenu[1].checked);
    EXPECT_TRUE(a->mChoices.empty());
    EXPECT_EQ(b->mChoices, (std::vector<std::pair<int, int>>{{1, 0}}));

    mLayer->SetNextMenuChoice(4);
    mLayer->MouseDown(300, 500, kRight);
    EXPECT_EQ(a->mChoices, (std::vector<std::pair<int, int>>{{0, -1}}));
    // The zoom entries stay the graphics context's own; a separator chooses nothing.
    mLayer->SetNextMenuChoice(2);
    mLayer->MouseDown(300, 500, kRight);
    mLayer->SetNextMenuChoice(3);
    mLayer->MouseDown(300, 500, kRight);
    EXPECT_EQ(mGraphics->GetScale(), 2.0);
    EXPECT_EQ(a->mChoices.size() + b->mChoices.size(), 2u);
}

TEST(HiResArtworkName, GoesBeforeTheExtension)
{
    EXPECT_EQ(HiResArtworkName("resources/img/IN.png"), "resources/img/IN@2x.png");
    EXPECT_EQ(HiResArtworkName("a.dir/BG"), "a.dir/BG@2x");
    EXPECT_EQ(HiResArtworkName(nullptr), "@2x");
}

} // namespace
