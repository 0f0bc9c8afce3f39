// PNG data of any shape: a decoded bitmap has a sane size and every pixel of it can be read.
// libpng refuses chunks whose checksum is wrong, which would keep the fuzzer at the first chunk;
// the first input byte says whether the checksums are set right before decoding.
#include "FuzzCheck.h"

#include "raster/RasterPNG.h"

#include <zlib.h>

#include <cstring>
#include <memory>
#include <vector>

namespace
{
unsigned int ReadBE32(const unsigned char* p)
{
    return (unsigned(p[0]) << 24) | (unsigned(p[1]) << 16) | (unsigned(p[2]) << 8) | p[3];
}

void FixChunkChecksums(std::vector<unsigned char>& png)
{
    size_t pos = 8;
    while (pos + 12 <= png.size())
    {
        const size_t length = ReadBE32(&png[pos]);
        if (length > png.size() - pos - 12)
            return;
        const uLong crc = crc32(0L, &png[pos + 4], static_cast<uInt>(length + 4));
        unsigned char* out = &png[pos + 8 + length];
        out[0] = static_cast<unsigned char>(crc >> 24);
        out[1] = static_cast<unsigned char>(crc >> 16);
        out[2] = static_cast<unsigned char>(crc >> 8);
        out[3] = static_cast<unsigned char>(crc);
        pos += 12 + length;
    }
}

void CheckBitmap(Raster_IBitmap* bitmap)
{
    const int w = bitmap->getWidth();
    const int h = bitmap->getHeight();
    FUZZ_CHECK(w > 0 && h > 0 && w <= RASTER_PNG_MAX_SIDE && h <= RASTER_PNG_MAX_SIDE);
    FUZZ_CHECK(static_cast<long long>(w) * h <= RASTER_PNG_MAX_PIXELS);
    FUZZ_CHECK(bitmap->getRowSpan() >= w);
    const Raster_Pixel* bits = bitmap->getBits();
    FUZZ_CHECK(bits);
    // Summing makes every pixel a real read that AddressSanitizer checks.
    Raster_Pixel sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            sum += bits[static_cast<size_t>(y) * bitmap->getRowSpan() + x];
    volatile Raster_Pixel sink = sum;
    (void)sink;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const unsigned char mode = data[0];
    std::vector<unsigned char> png(data + 1, data + size);
    if (mode & 1)
        FixChunkChecksums(png);

    if (mode & 2)
    {
        // Decoding into a bitmap the caller has: on failure its contents are unspecified, but
        // it must still be a consistent bitmap.
        Raster_MemBitmap bitmap(3, 5);
        if (Raster_LoadPNGFromMemory(png.data(), png.size(), &bitmap))
            CheckBitmap(&bitmap);
        FUZZ_CHECK(bitmap.getWidth() >= 0 && bitmap.getHeight() >= 0);
        FUZZ_CHECK(static_cast<long long>(bitmap.getWidth()) * bitmap.getHeight() <=
                   RASTER_PNG_MAX_PIXELS);
    }
    else
    {
        std::unique_ptr<Raster_IBitmap> bitmap(Raster_LoadPNGFromMemory(png.data(), png.size()));
        if (bitmap)
            CheckBitmap(bitmap.get());
    }
    return 0;
}
