#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <png.h>
#include <string>
#include <vector>
#include <zlib.h>

#include "raster/RasterPNG.h"

#include "TempFolder.h"

namespace
{

typedef std::vector<unsigned char> Bytes;

// What to write: rows hold the raw sample bytes libpng expects for the colour type and depth.
struct Image
{
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool interlaced = false;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    bool hasTransparentColour = false;
    png_color_16 transparentColour = {};
    std::vector<Bytes> rows;
};

void AppendData(png_structp png, png_bytep data, png_size_t n)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

void NoFlush(png_structp) {}

// Each piece of state the jump may skip lives in the caller.
bool WriteImage(png_structp png, png_infop info, const Image& image, Bytes* out,
                std::vector<png_bytep>* rows)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, out, AppendData, NoFlush);
    png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), image.bitDepth,
                 image.colourType, image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty())
        png_set_PLTE(png, info, image.palette.data(), int(image.palette.size()));
    if (!image.paletteAlpha.empty())
        png_set_tRNS(png, info, image.paletteAlpha.data(), int(image.paletteAlpha.size()), nullptr);
    if (image.hasTransparentColour)
        png_set_tRNS(png, info, nullptr, 0, &image.transparentColour);
    for (const Bytes& row : image.rows)
        rows->push_back(const_cast<png_bytep>(row.data()));
    png_set_rows(png, info, rows->data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

Bytes Encode(const Image& image)
{
    Bytes out;
    std::vector<png_bytep> rows;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!WriteImage(png, info, image, &out, &rows))
        out.clear();
    png_destroy_write_struct(&png, &info);
    return out;
}

Image Rgba(int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.colourType = PNG_COLOR_TYPE_RGBA;
    for (int y = 0; y < height; ++y)
    {
        Bytes row;
        for (int x = 0; x < width; ++x)
            row.insert(row.end(),
                       {png_byte(x * 16), png_byte(y * 16), 0x80, png_byte(0x40 + x + y)});
        image.rows.push_back(row);
    }
    return image;
}

// A PNG's chunks after the signature, to take files apart and put them back together.
struct Chunk
{
    std::string type;
    Bytes data;
};

std::vector<Chunk> Chunks(const Bytes& png)
{
    std::vector<Chunk> chunks;
    for (std::size_t pos = 8; pos + 12 <= png.size();)
    {
        const std::size_t length =
            std::size_t(png[pos]) << 24 | png[pos + 1] << 16 | png[pos + 2] << 8 | png[pos + 3];
        chunks.push_back(Chunk{std::string(png.begin() + pos + 4, png.begin() + pos + 8),
                               Bytes(png.begin() + pos + 8, png.begin() + pos + 8 + length)});
        pos += 12 + length;
    }
    return chunks;
}

Bytes Assemble(const std::vector<Chunk>& chunks)
{
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    for (const Chunk& c : chunks)
    {
        const uint32_t length = uint32_t(c.data.size());
        out.insert(out.end(), {png_byte(length >> 24), png_byte(length >> 16),
                               png_byte(length >> 8), png_byte(length)});
        Bytes body(c.type.begin(), c.type.end());
        body.insert(body.end(), c.data.begin(), c.data.end());
        const uint32_t crc = uint32_t(crc32(0, body.data(), uInt(body.size())));
        out.insert(out.end(), body.begin(), body.end());
        out.insert(out.end(),
                   {png_byte(crc >> 24), png_byte(crc >> 16), png_byte(crc >> 8), png_byte(crc)});
    }
    return out;
}

class RasterPNG : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_FALSE(mFolder.Path().empty()); }

    // Writes the bytes to a new file in the test's directory; answers its path.
    std::string WriteFile(const Bytes& data)
    {
        const std::string path = mFolder.File("image" + std::to_string(mCount++) + ".png");
        std::FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (!f)
            return path;
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
        return path;
    }

    // Writes the bytes to a file in the test's directory and loads it.
    std::unique_ptr<Raster_IBitmap> LoadFile(const Bytes& data)
    {
        return std::unique_ptr<Raster_IBitmap>(Raster_LoadPNG(WriteFile(data).c_str()));
    }

    testsupport::TempFolder mFolder{"rasterpng"};
    int mCount = 0;
};

} // namespace

TEST_F(RasterPNG, RgbaAndRgbLoadAsArgbWords)
{
    auto rgba = LoadFile(Encode(Rgba(3, 2)));
    ASSERT_TRUE(rgba);
    EXPECT_EQ(rgba->getWidth(), 3);
    EXPECT_EQ(rgba->getHeight(), 2);
    EXPECT_EQ(rgba->getRowSpan(), 4);
    EXPECT_EQ(Raster_GetPixel(rgba.get(), 2, 1), 0x43201080u);

    Image rgb;
    rgb.rows = {{0x11, 0x22, 0x33}};
    auto opaque = LoadFile(Encode(rgb));
    ASSERT_TRUE(opaque);
    EXPECT_EQ(Raster_GetPixel(opaque.get(), 0, 0), 0xff112233u);
}

TEST_F(RasterPNG, GreyImagesBecomeOpaqueGreyPixels)
{
    Image grey;
    grey.colourType = PNG_COLOR_TYPE_GRAY;
    grey.width = 2;
    grey.rows = {{0x7f, 0x00}};
    auto eight = LoadFile(Encode(grey));
    ASSERT_TRUE(eight);
    EXPECT_EQ(Raster_GetPixel(eight.get(), 0, 0), 0xff7f7f7fu);
    EXPECT_EQ(Raster_GetPixel(eight.get(), 1, 0), 0xff000000u);

    Image bits = grey;
    bits.bitDepth = 1;
    bits.width = 3;
    bits.rows = {{0xa0}}; // 1, 0, 1
    auto one = LoadFile(Encode(bits));
    ASSERT_TRUE(one);
    EXPECT_EQ(Raster_GetPixel(one.get(), 0, 0), 0xffffffffu);
    EXPECT_EQ(Raster_GetPixel(one.get(), 1, 0), 0xff000000u);
    EXPECT_EQ(Raster_GetPixel(one.get(), 2, 0), 0xffffffffu);

    Image greyAlpha = grey;
    greyAlpha.colourType = PNG_COLOR_TYPE_GRAY_ALPHA;
    greyAlpha.rows = {{0x7f, 0x10, 0x20, 0xff}};
    auto withAlpha = LoadFile(Encode(greyAlpha));
    ASSERT_TRUE(withAlpha);
    EXPECT_EQ(Raster_GetPixel(withAlpha.get(), 0, 0), 0x107f7f7fu);
    EXPECT_EQ(Raster_GetPixel(withAlpha.get(), 1, 0), 0xff202020u);

    Image keyed = grey;
    keyed.hasTransparentColour = true;
    keyed.transparentColour.gray = 0x7f;
    auto transparent = LoadFile(Encode(keyed));
    ASSERT_TRUE(transparent);
    EXPECT_EQ(Raster_GetPixel(transparent.get(), 0, 0), 0x007f7f7fu);
    EXPECT_EQ(Raster_GetPixel(transparent.get(), 1, 0), 0xff000000u);
}

TEST_F(RasterPNG, SixteenBitSamplesKeepTheirHighByte)
{
    Image deep;
    deep.bitDepth = 16;
    deep.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    deep.rows = {{0x12, 0xff, 0x34, 0x00, 0x56, 0x80, 0x9a, 0x01}};
    auto bitmap = LoadFile(Encode(deep));
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(Raster_GetPixel(bitmap.get(), 0, 0), 0x9a123456u);
}

TEST_F(RasterPNG, PalettesExpandWithTheirTransparency)
{
    Image indexed;
    indexed.colourType = PNG_COLOR_TYPE_PALETTE;
    indexed.bitDepth = 4;
    indexed.width = 3;
    indexed.palette = {{0x10, 0x20, 0x30}, {0x40, 0x50, 0x60}, {0x70, 0x80, 0x90}};
    indexed.rows = {{0x01, 0x20}}; // indices 0, 1, 2
    auto plain = LoadFile(Encode(indexed));
    ASSERT_TRUE(plain);
    EXPECT_EQ(Raster_GetPixel(plain.get(), 0, 0), 0xff102030u);
    EXPECT_EQ(Raster_GetPixel(plain.get(), 2, 0), 0xff708090u);

    indexed.paletteAlpha = {0x00, 0x80}; // the third entry is left opaque
    auto translucent = LoadFile(Encode(indexed));
    ASSERT_TRUE(translucent);
    EXPECT_EQ(Raster_GetPixel(translucent.get(), 0, 0), 0x00102030u);
    EXPECT_EQ(Raster_GetPixel(translucent.get(), 1, 0), 0x80405060u);
    EXPECT_EQ(Raster_GetPixel(translucent.get(), 2, 0), 0xff708090u);
}

TEST_F(RasterPNG, InterlacedImagesAndGivenBitmapsLoad)
{
    Image image = Rgba(9, 7);
    const Bytes plain = Encode(image);
    image.interlaced = true;
    const Bytes interlaced = Encode(image);
    std::unique_ptr<Raster_IBitmap> a(Raster_LoadPNGFromMemory(plain.data(), plain.size()));
    Raster_MemBitmap given(2, 2);
    Raster_IBitmap* b = Raster_LoadPNGFromMemory(interlaced.data(), interlaced.size(), &given);
    ASSERT_TRUE(a);
    ASSERT_EQ(b, &given);
    ASSERT_EQ(given.getWidth(), 9);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 9; ++x)
            ASSERT_EQ(Raster_GetPixel(a.get(), x, y), Raster_GetPixel(&given, x, y));
}

TEST_F(RasterPNG, WrittenBitmapsReadBackUnchanged)
{
    Raster_MemBitmap bitmap(5, 3);
    for (int i = 0; i < 15; ++i)
        Raster_PutPixel(&bitmap, i % 5, i / 5,
                        0x01020304u * Raster_Pixel(i + 1) + 0x0f000000u * Raster_Pixel(i), 1.0f, 0);
    Bytes data;
    ASSERT_TRUE(Raster_WritePNGToMemory(&bitmap, &data));
    std::unique_ptr<Raster_IBitmap> back(Raster_LoadPNGFromMemory(data.data(), data.size()));
    ASSERT_TRUE(back);
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(Raster_GetPixel(back.get(), i % 5, i / 5),
                  Raster_GetPixel(&bitmap, i % 5, i / 5));
    Raster_MemBitmap empty;
    EXPECT_FALSE(Raster_WritePNGToMemory(&empty, &data));
    EXPECT_TRUE(data.empty());
    EXPECT_FALSE(Raster_WritePNG(mFolder.File("missing/x.png").c_str(), &bitmap));
}

TEST_F(RasterPNG, TruncatedOrMislabelledDataLoadsNothing)
{
    const Bytes good = Encode(Rgba(4, 4));
    for (std::size_t n = 0; n < good.size(); ++n)
    {
        std::unique_ptr<Raster_IBitmap> b(Raster_LoadPNGFromMemory(good.data(), n));
        ASSERT_FALSE(b) << "length " << n;
    }
    EXPECT_FALSE(LoadFile(Bytes(good.begin(), good.begin() + long(good.size() / 2))));
    Bytes badSignature = good;
    badSignature[1] = 'Q';
    EXPECT_FALSE(LoadFile(badSignature));
    EXPECT_FALSE(Raster_LoadPNGFromMemory(nullptr, 100));
    EXPECT_FALSE(Raster_LoadPNG(mFolder.File("absent.png").c_str()));
    EXPECT_FALSE(Raster_LoadPNG(mFolder.Str().c_str()));
    EXPECT_FALSE(Raster_LoadPNG(nullptr));

    // Damaged compressed data with a correct checksum.
    std::vector<Chunk> chunks = Chunks(good);
    for (Chunk& c : chunks)
        if (c.type == "IDAT")
            for (std::size_t i = 2; i < c.data.size(); ++i)
                c.data[i] ^= 0x5a;
    Raster_MemBitmap given(1, 1);
    const Bytes damaged = Assemble(chunks);
    EXPECT_FALSE(Raster_LoadPNGFromMemory(damaged.data(), damaged.size(), &given));
}

TEST_F(RasterPNG, HugeOrEmptyDeclaredSizesLoadNothing)
{
    const Bytes good = Encode(Rgba(2, 2));
    ASSERT_TRUE(LoadFile(Assemble(Chunks(good))));
    auto withSize = [&](uint32_t width, uint32_t height)
    {
        std::vector<Chunk> chunks = Chunks(good);
        Bytes& ihdr = chunks[0].data;
        const png_byte w[] = {png_byte(width >> 24), png_byte(width >> 16), png_byte(width >> 8),
                              png_byte(width)};
        const png_byte h[] = {png_byte(height >> 24), png_byte(height >> 16), png_byte(height >> 8),
                              png_byte(height)};
        std::copy(w, w + 4, ihdr.begin());
        std::copy(h, h + 4, ihdr.begin() + 4);
        return Assemble(chunks);
    };
    for (auto size : {std::make_pair(0x7fffffffu, 1u), std::make_pair(1u, 100000u),
                      std::make_pair(16384u, 16384u), std::make_pair(0u, 2u),
                      std::make_pair(0xffffffffu, 0xffffffffu)})
    {
        const Bytes data = withSize(size.first, size.second);
        std::unique_ptr<Raster_IBitmap> b(Raster_LoadPNGFromMemory(data.data(), data.size()));
        EXPECT_FALSE(b) << size.first << " x " << size.second;
    }
}

TEST_F(RasterPNG, PaletteImagesWithoutPaletteEntriesLoadNothing)
{
    Image indexed;
    indexed.colourType = PNG_COLOR_TYPE_PALETTE;
    indexed.palette = {{1, 2, 3}};
    indexed.rows = {{0}};
    const Bytes good = Encode(indexed);
    ASSERT_TRUE(LoadFile(good));

    std::vector<Chunk> noPalette, emptyPalette;
    for (const Chunk& c : Chunks(good))
    {
        if (c.type != "PLTE")
            noPalette.push_back(c);
        emptyPalette.push_back(c.type == "PLTE" ? Chunk{"PLTE", {}} : c);
    }
    EXPECT_FALSE(LoadFile(Assemble(noPalette)));
    EXPECT_FALSE(LoadFile(Assemble(emptyPalette)));
}

TEST_F(RasterPNG, FilesOpenWithTheirSizeAndDecodeOnFirstUse)
{
    Raster_MemBitmap bitmap(5, 3);
    for (int i = 0; i < 15; ++i)
        Raster_PutPixel(&bitmap, i % 5, i / 5, 0xff000000u | Raster_Pixel(0x010203 * (i + 1)), 1.0f,
                        0);
    Bytes data;
    ASSERT_TRUE(Raster_WritePNGToMemory(&bitmap, &data));
    const std::string path = WriteFile(data);
    std::unique_ptr<Raster_PNGFile> file(Raster_PNGFile::Open(path.c_str()));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->getWidth(), 5);
    EXPECT_EQ(file->getHeight(), 3);
    EXPECT_FALSE(file->IsDecoded());
    std::unique_ptr<Raster_IBitmap> loaded(Raster_LoadPNG(path.c_str()));
    EXPECT_EQ(file->getRowSpan(), loaded->getRowSpan());
    EXPECT_TRUE(file->IsDecoded());
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(Raster_GetPixel(file.get(), i % 5, i / 5),
                  Raster_GetPixel(&bitmap, i % 5, i / 5));

    // Rows that turn out unreadable after a sound header keep the size already handed out.
    std::vector<Chunk> chunks = Chunks(data);
    for (Chunk& c : chunks)
        if (c.type == "IDAT")
            for (std::size_t i = 2; i < c.data.size(); ++i)
                c.data[i] ^= 0x5a;
    std::unique_ptr<Raster_PNGFile> damaged(
        Raster_PNGFile::Open(WriteFile(Assemble(chunks)).c_str()));
    ASSERT_TRUE(damaged);
    EXPECT_EQ(Raster_GetPixel(damaged.get(), 4, 2), 0u);
    EXPECT_EQ(damaged->getWidth(), 5);
    EXPECT_EQ(damaged->getHeight(), 3);

    // So does a file replaced by another image before its first use.
    const std::string replaced = WriteFile(data);
    std::unique_ptr<Raster_PNGFile> early(Raster_PNGFile::Open(replaced.c_str()));
    ASSERT_TRUE(early);
    std::FILE* f = std::fopen(replaced.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    const Bytes other = Encode(Rgba(9, 9));
    std::fwrite(other.data(), 1, other.size(), f);
    std::fclose(f);
    EXPECT_EQ(Raster_GetPixel(early.get(), 4, 2), 0u);
    EXPECT_EQ(early->getWidth(), 5);

    Bytes badSignature = data;
    badSignature[1] = 'Q';
    EXPECT_FALSE(Raster_PNGFile::Open(WriteFile(badSignature).c_str()));
    EXPECT_FALSE(Raster_PNGFile::Open(WriteFile(Bytes(data.begin(), data.begin() + 20)).c_str()));
    EXPECT_FALSE(Raster_PNGFile::Open(mFolder.File("absent.png").c_str()));
    EXPECT_FALSE(Raster_PNGFile::Open(nullptr));
}
