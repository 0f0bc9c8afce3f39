#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "raster/RasterPNG.h"
#include "tools/ArtworkLayout.h"

namespace
{

const char* const kFiles[] = {"BG.png",   "IN.png",  "OUT.png",  "LOW.png",
                              "HIGH.png", "BUS.png", "XFMR.png", "MODEL.png"};

std::vector<char> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Committed(const char* file)
{
    return std::string(VELTAR_ARTWORK_DIR) + "/" + file;
}

TEST(Artwork, GeneratorReproducesTheCommittedFilesByteForByte)
{
    const std::string out = VELTAR_ARTWORK_OUT;
    ASSERT_EQ(std::system(("mkdir -p '" + out + "'").c_str()), 0);
    // The committed files came from an earlier run, so equality also shows the output is stable.
    ASSERT_EQ(std::system(("'" + std::string(GEN_ARTWORK) + "' '" + out + "'").c_str()), 0);
    for (const char* file : kFiles)
    {
        const std::vector<char> made = ReadFile(out + "/" + file);
        ASSERT_FALSE(made.empty()) << file;
        EXPECT_TRUE(made == ReadFile(Committed(file)))
            << file
            << " differs from the committed copy; regenerate with gen_artwork resources/img";
    }
}

TEST(Artwork, StripsHoldWholeFramesOfTheLayoutSize)
{
    std::unique_ptr<Raster_IBitmap> bg(Raster_LoadPNG(Committed("BG.png").c_str()));
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->getWidth(), kPanelWidth);
    EXPECT_EQ(bg->getHeight(), kPanelHeight);
    for (const ArtworkControl& c : kArtworkControls)
    {
        std::unique_ptr<Raster_IBitmap> strip(Raster_LoadPNG(Committed(c.file).c_str()));
        ASSERT_TRUE(strip) << c.file;
        EXPECT_EQ(strip->getWidth(), c.frameWidth) << c.file;
        EXPECT_EQ(strip->getHeight(), c.frameHeight * c.frames) << c.file;
        // Opaque frames look the same however the editor composites them.
        for (int y = 0; y < strip->getHeight(); y += 7)
            for (int x = 0; x < strip->getWidth(); x += 5)
                ASSERT_EQ(Raster_GETA(Raster_GetPixel(strip.get(), x, y)), 255u) << c.file;
    }
}

TEST(Artwork, FramesOfConsecutivePositionsDiffer)
{
    for (const ArtworkControl& c : kArtworkControls)
    {
        std::unique_ptr<Raster_IBitmap> strip(Raster_LoadPNG(Committed(c.file).c_str()));
        ASSERT_TRUE(strip) << c.file;
        for (int f = 1; f < c.frames; ++f)
        {
            bool differs = false;
            for (int y = 0; y < c.frameHeight && !differs; ++y)
                for (int x = 0; x < c.frameWidth && !differs; ++x)
                    differs = Raster_GetPixel(strip.get(), x, (f - 1) * c.frameHeight + y) !=
                              Raster_GetPixel(strip.get(), x, f * c.frameHeight + y);
            EXPECT_TRUE(differs) << c.file << " frame " << f;
        }
    }
}

TEST(Artwork, ControlsLieInsideThePanelWithoutOverlapping)
{
    // The left and top edges the editor places its controls at.
    const int places[][2] = {{102, 19},  {102, 187}, {47, 347}, {217, 347},
                             {278, 144}, {5, 144},   {105, 455}};
    int i = 0;
    for (const ArtworkControl& c : kArtworkControls)
    {
        EXPECT_EQ(c.left, places[i][0]) << c.file;
        EXPECT_EQ(c.top, places[i][1]) << c.file;
        ++i;
        EXPECT_GE(c.left, 0) << c.file;
        EXPECT_GE(c.top, 0) << c.file;
        EXPECT_LE(c.left + c.frameWidth, kPanelWidth) << c.file;
        EXPECT_LE(c.top + c.frameHeight, kPanelHeight) << c.file;
    }
    for (const ArtworkControl& a : kArtworkControls)
        for (const ArtworkControl& b : kArtworkControls)
        {
            if (&a == &b)
                continue;
            const bool apart = a.left + a.frameWidth <= b.left || b.left + b.frameWidth <= a.left ||
                               a.top + a.frameHeight <= b.top || b.top + b.frameHeight <= a.top;
            EXPECT_TRUE(apart) << a.file << " overlaps " << b.file;
        }
}

} // namespace
