// veltar-render --snapshot, run as a user runs it, against the editor drawn in this process the
// way a host's view shows it; and the pieces behind it.
#include "Snapshot.h"
#include "PendingFile.h"

#include "framework/graphics/IGraphics.h"
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"
#include "raster/RasterPNG.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace veltar_render;
namespace fs = std::filesystem;

namespace
{

using Image = std::unique_ptr<Raster_IBitmap>;

const std::string kResources = VELTAR_BUNDLE_PATH "/Contents/Resources";

Raster_Pixel Pixel(Raster_IBitmap& image, int x, int y)
{
    return image.getBits()[y * image.getRowSpan() + x];
}

// Pixels of a that differ from b within the rectangle at (x, y) of the given size, where b is
// read from (bx, by) on.
int CountDifferences(Raster_IBitmap& a, int x, int y, int width, int height, Raster_IBitmap& b,
                     int bx, int by)
{
    int count = 0;
    for (int row = 0; row < height; ++row)
    {
        for (int column = 0; column < width; ++column)
        {
            count += Pixel(a, x + column, y + row) != Pixel(b, bx + column, by + row);
        }
    }
    return count;
}

int CountDifferences(Raster_IBitmap& a, Raster_IBitmap& b)
{
    return CountDifferences(a, 0, 0, a.getWidth(), a.getHeight(), b, 0, 0);
}

// A strip of the committed artwork and its frame height.
struct Strip
{
    Image image;
    int frameHeight = 0;
};

Strip LoadStrip(const char* name, int frames)
{
    Strip strip;
    strip.image.reset(Raster_LoadPNG((std::string(VELTAR_ARTWORK_DIR "/") + name).c_str()));
    EXPECT_NE(strip.image, nullptr) << name;
    if (strip.image)
    {
        strip.frameHeight = strip.image->getHeight() / frames;
    }
    return strip;
}

class SnapshotCommand : public TempFolderTest
{
protected:
    // Runs the renderer in the test's folder, with the bundle built next to it.
    int Run(const std::string& arguments)
    {
        const std::string command = "cd '" + mDir.string() + "' && '" VELTAR_RENDER_EXE "' " +
                                    arguments + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    Image Snapshot(const std::string& arguments)
    {
        EXPECT_EQ(Run("--snapshot shot.png " + arguments), 0) << arguments;
        Image image(Raster_LoadPNG((mDir / "shot.png").c_str()));
        EXPECT_NE(image, nullptr) << arguments;
        fs::remove(mDir / "shot.png");
        return image;
    }

    bool IsEmpty() const { return fs::is_empty(mDir); }
};

struct PlugRelease
{
    void operator()(IFxVST3* plug) const
    {
        plug->terminate();
        plug->release();
    }
};

} // namespace

TEST_F(SnapshotCommand, DefaultSnapshotIsWhatAnOpenedEditorShows)
{
    const Image shot = Snapshot("");
    ASSERT_NE(shot, nullptr);
    EXPECT_EQ(shot->getWidth(), 352);
    EXPECT_EQ(shot->getHeight(), 568);

    // The editor opened in a view the way a host opens it: its first timer tick paints the
    // controls, all dirty, onto the screen.
    SetPlatformResourceRoot(kResources.c_str());
    std::unique_ptr<IFxVST3, PlugRelease> plug(MakePlug());
    SetPlatformResourceRoot(nullptr);
    plug->initialize(nullptr);
    auto* graphics = dynamic_cast<IGraphicsMac*>(plug->GetGUI());
    ASSERT_NE(graphics, nullptr);
    ASSERT_NE(graphics->OpenWindow(nullptr), nullptr);
    auto* view = static_cast<HeadlessNativeLayer*>(graphics->GetNativeLayer());
    ASSERT_TRUE(view->RunFrame());
    Raster_IBitmap& screen = *view->GetScreen();
    ASSERT_EQ(screen.getWidth(), 352);
    ASSERT_EQ(screen.getHeight(), 568);
    EXPECT_EQ(CountDifferences(*shot, screen), 0);
    graphics->CloseWindow();
}

// The README shows the default snapshot; a change of the artwork or the layout must renew it.
TEST_F(SnapshotCommand, TheReadmePictureIsCurrent)
{
    const Image shot = Snapshot("");
    const Image committed(Raster_LoadPNG(VELTAR_DOCS_DIR "/snapshot-default.png"));
    ASSERT_TRUE(shot && committed);
    ASSERT_EQ(committed->getWidth(), shot->getWidth());
    ASSERT_EQ(committed->getHeight(), shot->getHeight());
    EXPECT_EQ(CountDifferences(*shot, *committed), 0)
        << "run: build/tools/veltar-render --snapshot docs/snapshot-default.png";
}

TEST_F(SnapshotCommand, SwitchesShowTheFramesOfTheValuesSet)
{
    const Image standard = Snapshot("");
    const Image model2 = Snapshot("--set Model=2");
    const Image xfmr0 = Snapshot("--set transformer=0");
    ASSERT_TRUE(standard && model2 && xfmr0);
    const Strip model = LoadStrip("MODEL.png", 3);
    const Strip xfmr = LoadStrip("XFMR.png", 2);
    ASSERT_TRUE(model.image && xfmr.image);
    ASSERT_EQ(model.image->getWidth(), 142);
    ASSERT_EQ(model.frameHeight, 100);
    const int xfmrWidth = xfmr.image->getWidth();

    EXPECT_GT(CountDifferences(*model2, 105, 455, 142, 100, *standard, 105, 455), 0);
    EXPECT_EQ(CountDifferences(*model2, 105, 455, 142, 100, *model.image, 0, 2 * 100), 0);
    EXPECT_EQ(CountDifferences(*standard, 105, 455, 142, 100, *model.image, 0, 0), 0);
    EXPECT_EQ(CountDifferences(*xfmr0, 5, 144, xfmrWidth, xfmr.frameHeight, *xfmr.image, 0, 0), 0);
    EXPECT_EQ(CountDifferences(*standard, 5, 144, xfmrWidth, xfmr.frameHeight, *xfmr.image, 0,
                               xfmr.frameHeight),
              0);
    // Only the switch that was set changes: everything else is the default picture.
    EXPECT_EQ(CountDifferences(*model2, *standard),
              CountDifferences(*model2, 105, 455, 142, 100, *standard, 105, 455));
}

TEST_F(SnapshotCommand, ProgramsAndValueNamesDrawLikeTheirNumbers)
{
    const Image numbers = Snapshot("--set Model=2 --set Transformer=0 --set Input=6");
    const Image names = Snapshot("--set Model=NK --set Transformer=in --set Input=6");
    ASSERT_EQ(Run("--save-fxp warm.fxp --set Model=NK --set Input=6"), 0);
    const Image program = Snapshot("--load-fxp warm.fxp --set transformer=in");
    ASSERT_TRUE(numbers && names && program);
    EXPECT_EQ(CountDifferences(*names, *numbers), 0);
    EXPECT_EQ(CountDifferences(*program, *numbers), 0);
    EXPECT_GT(CountDifferences(*program, *Snapshot("--set Transformer=in")), 0);
}

// The step between vertically neighbouring pixels (green; the panel is brushed across) that
// only one in a hundred exceed: how sharp the picture's edges are. Enlarging a picture smoothly
// halves it.
int SharpStep(Raster_IBitmap& image)
{
    std::vector<int> steps;
    for (int y = 1; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            steps.push_back(std::abs(int(Raster_GetG(Pixel(image, x, y))) -
                                     int(Raster_GetG(Pixel(image, x, y - 1)))));
    std::sort(steps.begin(), steps.end());
    return steps[steps.size() * 99 / 100];
}

// The share of pixels that differ from the one above within each 2 × 2 block: none for a picture
// enlarged by repeating pixels.
double DetailWithinBlocks(Raster_IBitmap& image)
{
    int differ = 0, pairs = 0;
    for (int y = 1; y < image.getHeight(); y += 2)
        for (int x = 0; x < image.getWidth(); ++x, ++pairs)
            differ += Pixel(image, x, y) != Pixel(image, x, y - 1);
    return double(differ) / pairs;
}

TEST_F(SnapshotCommand, AtTwiceTheScaleTheEditorIsDrawnFromThe2xArtwork)
{
    const Image shot = Snapshot("--scale 2 --set Model=1");
    const Image standard = Snapshot("");
    ASSERT_TRUE(shot && standard);
    ASSERT_EQ(shot->getWidth(), 704);
    ASSERT_EQ(shot->getHeight(), 1136);
    const Image bg(Raster_LoadPNG(VELTAR_ARTWORK_DIR "/BG@2x.png"));
    const Strip model = LoadStrip("MODEL@2x.png", 3);
    ASSERT_TRUE(bg && model.image);
    // Above the first knob only the panel shows, pixel for pixel; the selector's middle frame
    // sits at its place doubled.
    EXPECT_EQ(CountDifferences(*shot, 0, 0, 704, 38, *bg, 0, 0), 0);
    EXPECT_EQ(CountDifferences(*shot, 210, 910, 284, 200, *model.image, 0, 200), 0);
    // Sharper than the 1x picture enlarged, and with detail of its own inside each 2 × 2 block.
    Raster_MemBitmap enlarged(704, 1136);
    Raster_ScaledBlit(&enlarged, standard.get(), 0, 0, 704, 1136, 0.0f, 0.0f, 352.0f, 568.0f, 1.0f,
                      RASTER_BLIT_MODE_COPY | RASTER_BLIT_FILTER_BILINEAR);
    const int sharp = SharpStep(*shot), blurred = SharpStep(enlarged);
    const double detail = DetailWithinBlocks(*shot);
    std::printf("edge step: 1x %d, 2x %d, 1x enlarged %d; detail within blocks %.2f\n",
                SharpStep(*standard), sharp, blurred, detail);
    EXPECT_GT(sharp, blurred * 5 / 4);
    EXPECT_GT(detail, 0.5);
}

// The README shows the 2x panel too.
TEST_F(SnapshotCommand, TheReadme2xPictureIsCurrent)
{
    const Image shot = Snapshot("--scale 2");
    const Image committed(Raster_LoadPNG(VELTAR_DOCS_DIR "/snapshot-default@2x.png"));
    ASSERT_TRUE(shot && committed);
    ASSERT_EQ(committed->getWidth(), shot->getWidth());
    ASSERT_EQ(committed->getHeight(), shot->getHeight());
    EXPECT_EQ(CountDifferences(*shot, *committed), 0)
        << "run: build/tools/veltar-render --snapshot docs/snapshot-default@2x.png --scale 2";
}

TEST_F(SnapshotCommand, RefusalsExitWithStatus2AndWriteNothing)
{
    EXPECT_EQ(Run("--snapshot shot.png --set Loudness=3"), 2);
    EXPECT_EQ(Run("--snapshot shot.png --set Model=3"), 2);
    EXPECT_EQ(Run("--snapshot shot.png --set Bypass=1"), 2);
    EXPECT_EQ(Run("--snapshot shot.png --plugin '" + mDir.string() + "'"), 2);
    EXPECT_EQ(Run("--snapshot shot.png --plugin nowhere.vst3"), 2);
    EXPECT_EQ(Run("--snapshot shot.png --scale 5"), 2);
    EXPECT_TRUE(IsEmpty());
    EXPECT_EQ(Run("--snapshot missing/shot.png"), 2);
    EXPECT_EQ(Run("--snapshot shot.jpg"), 2);
    EXPECT_EQ(Run("--snapshot shot.png --load-fxp missing.fxp"), 2);
    fs::create_directory(mDir / "taken.png");
    EXPECT_EQ(Run("--snapshot taken.png"), 2);
    EXPECT_TRUE(fs::is_empty(mDir / "taken.png"));
    fs::remove(mDir / "taken.png");
    EXPECT_TRUE(IsEmpty());
}

TEST(EditorSnapshot, SettingsAreAllCheckedBeforeAnyIsSet)
{
    EditorSnapshot snapshot;
    ASSERT_TRUE(snapshot.Create(kResources)) << snapshot.GetError();
    ASSERT_EQ(snapshot.GetParameters().size(), 7u);
    EXPECT_EQ(snapshot.GetParameters()[6].title, "Model");
    EXPECT_EQ(snapshot.GetParameters()[6].stepCount, 2);

    EXPECT_FALSE(snapshot.Apply({{"Model", "2"}, {"Input", "25"}}));
    EXPECT_NE(snapshot.GetError().find("Input=25 is out of range"), std::string::npos);
    EXPECT_EQ(snapshot.GetParameter(6), 0.0);
    EXPECT_FALSE(snapshot.Apply({{"Model", "1.5"}}));

    ASSERT_TRUE(snapshot.Apply({{"model", "QUAD"}, {"Input", "12"}, {"High", "0.7"}}));
    EXPECT_EQ(snapshot.GetParameter(6), 1.0);
    EXPECT_NEAR(snapshot.GetParameter(0), 12.0, 1e-9);
    // The controls follow at once, before anything is drawn.
    IGraphics* graphics = snapshot.GetGraphics();
    ASSERT_NE(graphics, nullptr);
    graphics->ApplyPendingParamValues();
    EXPECT_EQ(graphics->GetControl(7)->GetValue(), 0.5);
    Raster_IBitmap* image = snapshot.Draw();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->getWidth(), 352);
    EXPECT_EQ(image->getHeight(), 568);
}

TEST(EditorSnapshot, BundleResourcesFromTheFolderOrTheModule)
{
    std::string resources;
    std::string error;
    ASSERT_TRUE(FindBundleResources(VELTAR_BUNDLE_PATH "/", resources, error)) << error;
    EXPECT_EQ(resources, kResources);
    ASSERT_TRUE(FindBundleResources(VELTAR_BUNDLE_PATH "/Contents/x86_64-linux/VELTAR.so",
                                    resources, error))
        << error;
    EXPECT_TRUE(fs::equivalent(resources, kResources)) << resources;
    EXPECT_FALSE(FindBundleResources("/no/such/VELTAR.vst3", resources, error));
    EXPECT_NE(error.find("/no/such/VELTAR.vst3"), std::string::npos);
}

TEST(WritePNGFile, WritesTheImageWholeOrNotAtAll)
{
    std::string pattern = (fs::temp_directory_path() / "veltar-png-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    Raster_MemBitmap image(3, 2);
    for (int i = 0; i < 6; ++i)
    {
        image.getBits()[(i / 3) * image.getRowSpan() + i % 3] = Raster_RGBA(40u * i, 7u, 9u, 255u);
    }
    std::string error;
    ASSERT_TRUE(WritePNGFile((dir / "a.png").string(), &image, error)) << error;
    const Image back(Raster_LoadPNG((dir / "a.png").c_str()));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(CountDifferences(*back, image), 0);

    EXPECT_FALSE(WritePNGFile((dir / "no/b.png").string(), &image, error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
    Raster_MemBitmap empty;
    EXPECT_FALSE(WritePNGFile((dir / "c.png").string(), &empty, error));
    {
        PendingFile abandoned;
        ASSERT_TRUE(abandoned.Open((dir / "d.png").string()));
        ASSERT_TRUE(abandoned.Write("x", 1));
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    fs::remove_all(dir);
}
