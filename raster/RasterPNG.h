// PNG decoding into 0xAARRGGBB bitmaps.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "raster/Raster.h"

// Largest image the loader accepts: any side above RASTER_PNG_MAX_SIDE or more than
// RASTER_PNG_MAX_PIXELS pixels is refused before any pixel memory is allocated. A side may be as
// long as any bitmap's: a knob strip of 61 frames at 2x is over 18000 pixels tall.
const int RASTER_PNG_MAX_SIDE = RASTER_MAX_DIMENSION;
const long long RASTER_PNG_MAX_PIXELS = 1LL << 24;

// Decodes PNG data of the given size. Every colour type and bit depth is converted to 8-bit
// straight-alpha pixels; images without alpha (or transparency chunk) come out opaque.
// Fills bitmap when one is given (resizing it), else makes a Raster_MemBitmap with line
// alignment 4 that the caller owns. Answers the bitmap, or null for data that is not a
// complete, valid PNG within the size limits (a given bitmap's contents are then unspecified).
Raster_IBitmap* Raster_LoadPNGFromMemory(const void* data, std::size_t size,
                                         Raster_IBitmap* bitmap = nullptr);

// Reads the file and decodes it as above; null when the file cannot be read.
Raster_IBitmap* Raster_LoadPNG(const char* path, Raster_IBitmap* bitmap = nullptr);

// A PNG file decoded when its pixels are first needed. Opening reads only what precedes the
// pixels, so the image's size is known at once while the decoding cost (and the memory) is paid
// by the first getBits, getRowSpan or resize, once, from whichever thread comes first.
class Raster_PNGFile final : public Raster_IBitmap
{
public:
    // Null when the file cannot be read or does not start as a PNG within the size limits.
    static Raster_PNGFile* Open(const char* path);

    Raster_Pixel* getBits() override { return Pixels().getBits(); }
    int getWidth() const override;
    int getHeight() const override;
    int getRowSpan() const override { return Pixels().getRowSpan(); }
    bool resize(int width, int height) override;
    bool IsDecoded() const { return mDecoded.load(std::memory_order_acquire); }

private:
    Raster_PNGFile(const char* path, int width, int height);
    Raster_MemBitmap& Pixels() const;

    const std::string mPath;
    const int mWidth, mHeight;
    mutable std::once_flag mDecodeOnce;
    mutable std::atomic<bool> mDecoded{false};
    mutable Raster_MemBitmap mPixels{0, 0, 4};
};

// Encodes the bitmap as an 8-bit RGBA PNG (straight alpha, as stored). Answers false for a
// null or empty bitmap or an encoding error; out is then left empty.
bool Raster_WritePNGToMemory(Raster_IBitmap* bitmap, std::vector<unsigned char>* out);

// Writes the encoding above to a file; false if it cannot be written completely.
bool Raster_WritePNG(const char* path, Raster_IBitmap* bitmap);
