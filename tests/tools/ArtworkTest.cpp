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

const char* const kFiles[] = {
    "BG.png",     "IN.png",      "OUT.png",      "LOW.png",         "HIGH.png",
    "BUS.png",    "XFMR.png",    "MODEL.png",    "METER_IN.png",    "METER_OUT.png",
    "BG@2x.png",  "IN@2x.png",   "OUT@2x.png",   "LOW@2x.png",      "HIGH@2x.png",
    "BUS@2x.png", "XFMR@2x.png", "MODEL@2x.png", "METER_IN@2x.png", "METER_OUT@2x.png"};

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
                ASSERT_EQ(Raster_GetA(Raster_GetPixel(strip.get(), x, y)), 255u) << c.file;
    }
}

std::string HiRes(const char* file)
{
    const std::string name = file;
    return name.substr(0, name.size() - 4) + "@2x.png";
}

TEST(Artwork, The2xFilesAreTheSameDrawingAtTwiceTheResolution)
{
    std::vector<const char*> files = {"BG.png"};
    for (const ArtworkControl& c : kArtworkControls)
        files.push_back(c.file);
    for (const char* file : files)
    {
        std::unique_ptr<Raster_IBitmap> lo(Raster_LoadPNG(Committed(file).c_str()));
        std::unique_ptr<Raster_IBitmap> hi(Raster_LoadPNG(Committed(HiRes(file).c_str()).c_str()));
        ASSERT_TRUE(lo && hi) << file;
        ASSERT_EQ(hi->getWidth(), 2 * lo->getWidth()) << file;
        ASSERT_EQ(hi->getHeight(), 2 * lo->getHeight()) << file;
        // Each 1x pixel is the average of the four 2x pixels over it (both reduce one drawing),
        // so frames and positions line up and nothing is shifted.
        for (int y = 0; y < lo->getHeight(); y += 3)
            for (int x = 0; x < lo->getWidth(); x += 3)
            {
                const Raster_Pixel p = Raster_GetPixel(lo.get(), x, y);
                unsigned sum[3] = {0, 0, 0};
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i)
                    {
                        const Raster_Pixel q = Raster_GetPixel(hi.get(), 2 * x + i, 2 * y + j);
                        sum[0] += Raster_GetR(q);
                        sum[1] += Raster_GetG(q);
                        sum[2] += Raster_GetB(q);
                    }
                ASSERT_NEAR(double(sum[0]) / 4, Raster_GetR(p), 1.5)
                    << file << " " << x << "," << y;
                ASSERT_NEAR(double(sum[1]) / 4, Raster_GetG(p), 1.5)
                    << file << " " << x << "," << y;
                ASSERT_NEAR(double(sum[2]) / 4, Raster_GetB(p), 1.5)
                    << file << " " << x << "," << y;
            }
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
    // The left and top edges the editor places its controls at (the meters' come from the
    // layout the editor and the generator share).
    const int places[][2] = {{102, 19},
                             {102, 187},
                             {47, 347},
                             {217, 347},
                             {278, 144},
                             {5, 144},
                             {105, 455},
                             {kPanelMeters[0].left, kPanelMeters[0].top},
                             {kPanelMeters[1].left, kPanelMeters[1].top}};
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
