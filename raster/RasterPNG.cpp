#include "raster/RasterPNG.h"

#include "util/platform.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>
#include <vector>

namespace
{

// Files larger than this cannot hold an image within the pixel limit in any sane encoding.
const std::size_t kMaxFileSize = std::size_t(256) << 20;
// Ancillary chunks (text, profiles) above this size are refused rather than buffered.
const png_alloc_size_t kMaxChunkSize = png_alloc_size_t(8) << 20;

struct Source
{
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
};

// Everything the decoder changes lives here, outside the frame that calls setjmp, so its
// values are well defined after libpng jumps back on an error.
struct Decoder
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    Source source = {};
    Raster_IBitmap* given = nullptr;
    Raster_IBitmap* made = nullptr;
    std::vector<png_bytep> rows;

    ~Decoder()
    {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        delete made;
    }
};

void ReadData(png_structp png, png_bytep out, png_size_t count)
{
    Source* source = static_cast<Source*>(png_get_io_ptr(png));
    if (count > source->size - source->position)
        png_error(png, "truncated");
    std::memcpy(out, source->data + source->position, count);
    source->position += count;
}

void OnError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

// Asks libpng for 8-bit pixels whose four bytes are alpha, red, green, blue.
void RequestARGB(png_structp png, png_infop info)
{
    const int colourType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;

    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (transparency)
        png_set_tRNS_to_alpha(png);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (bitDepth < 8)
        png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) || transparency)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xff, PNG_FILLER_BEFORE);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// Reads everything before the pixels and checks the image against the limits; false on any
// error libpng reports.
bool ReadInfo(Decoder* d, png_uint_32* width, png_uint_32* height)
{
    if (setjmp(png_jmpbuf(d->png)))
        return false;
    png_set_read_fn(d->png, &d->source, ReadData);
    png_set_user_limits(d->png, RASTER_PNG_MAX_SIDE, RASTER_PNG_MAX_SIDE);
    png_set_chunk_malloc_max(d->png, kMaxChunkSize);
    png_read_info(d->png, d->info);

    *width = png_get_image_width(d->png, d->info);
    *height = png_get_image_height(d->png, d->info);
    if (*width == 0 || *height == 0 || (long long)*width * *height > RASTER_PNG_MAX_PIXELS)
        return false;
    RequestARGB(d->png, d->info);
    return png_get_rowbytes(d->png, d->info) == std::size_t(*width) * 4;
}

// Decodes into the given or a new bitmap; false on any error libpng reports.
bool Decode(Decoder* d)
{
    png_uint_32 width = 0, height = 0;
    if (!ReadInfo(d, &width, &height))
        return false;
    if (setjmp(png_jmpbuf(d->png)))
        return false;

    Raster_IBitmap* bitmap = d->given;
    if (bitmap)
        bitmap->resize(int(width), int(height));
    else
        bitmap = d->made = new Raster_MemBitmap(int(width), int(height), 4);
    if (bitmap->getWidth() != int(width) || bitmap->getHeight() != int(height))
        return false;

    d->rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        d->rows[y] = reinterpret_cast<png_bytep>(bitmap->getBits() +
                                                 std::ptrdiff_t(y) * bitmap->getRowSpan());
    png_read_image(d->png, d->rows.data());
    png_read_end(d->png, nullptr);

    for (png_uint_32 y = 0; y < height; ++y)
    {
        Raster_Pixel* p = reinterpret_cast<Raster_Pixel*>(d->rows[y]);
        for (png_uint_32 x = 0; x < width; ++x)
        {
            const unsigned char* b = reinterpret_cast<const unsigned char*>(p + x);
            p[x] = Raster_Pixel(b[0]) << 24 | Raster_Pixel(b[1]) << 16 | Raster_Pixel(b[2]) << 8 |
                   b[3];
        }
    }
    return true;
}

bool Start(Decoder* d, const void* data, std::size_t size)
{
    if (!data || size == 0)
        return false;
    d->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!d->png)
        return false;
    d->info = png_create_info_struct(d->png);
    if (!d->info)
        return false;
    d->source = Source{static_cast<const unsigned char*>(data), size, 0};
    return true;
}

// The file's bytes up to limit (all of them by default); false when it cannot be read or is
// larger than any image within the limits.
bool ReadFile(const char* path, std::vector<unsigned char>* data,
              std::size_t limit = kMaxFileSize + 1)
{
    if (!path)
        return false;
    std::FILE* file = FxOpenFile(path, "rb");
    if (!file)
        return false;
    unsigned char chunk[65536];
    bool ok = true;
    while (ok && data->size() < limit)
    {
        const std::size_t want = std::min(sizeof chunk, limit - data->size());
        const std::size_t got = std::fread(chunk, 1, want, file);
        if (data->size() + got > kMaxFileSize)
            ok = false;
        else
            data->insert(data->end(), chunk, chunk + got);
        if (got < want)
            break;
    }
    ok = ok && !std::ferror(file);
    std::fclose(file);
    return ok;
}

// Enough of a file for the chunks before its pixels in any ordinary PNG; one whose ancillary
// chunks run longer is read whole.
const std::size_t kHeaderReadSize = 64 * 1024;

bool ReadPNGSize(const std::vector<unsigned char>& data, png_uint_32* width, png_uint_32* height)
{
    Decoder d;
    return Start(&d, data.data(), data.size()) && ReadInfo(&d, width, height);
}

} // namespace

Raster_IBitmap* Raster_LoadPNGFromMemory(const void* data, std::size_t size, Raster_IBitmap* bitmap)
{
    Decoder d;
    if (!Start(&d, data, size))
        return nullptr;
    d.given = bitmap;
    if (!Decode(&d))
        return nullptr;
    if (d.made)
    {
        Raster_IBitmap* made = d.made;
        d.made = nullptr;
        return made;
    }
    return bitmap;
}

Raster_IBitmap* Raster_LoadPNG(const char* path, Raster_IBitmap* bitmap)
{
    std::vector<unsigned char> data;
    return ReadFile(path, &data) ? Raster_LoadPNGFromMemory(data.data(), data.size(), bitmap)
                                 : nullptr;
}

Raster_PNGFile* Raster_PNGFile::Open(const char* path)
{
    std::vector<unsigned char> data;
    png_uint_32 width = 0, height = 0;
    if (!ReadFile(path, &data, kHeaderReadSize))
        return nullptr;
    if (!ReadPNGSize(data, &width, &height))
    {
        const bool readWhole = data.size() < kHeaderReadSize;
        data.clear();
        if (readWhole || !ReadFile(path, &data) || !ReadPNGSize(data, &width, &height))
            return nullptr;
    }
    return new Raster_PNGFile(path, int(width), int(height));
}

Raster_PNGFile::Raster_PNGFile(const char* path, int width, int height)
    : mPath(path), mWidth(width), mHeight(height)
{
}

int Raster_PNGFile::getWidth() const
{
    return IsDecoded() ? mPixels.getWidth() : mWidth;
}

int Raster_PNGFile::getHeight() const
{
    return IsDecoded() ? mPixels.getHeight() : mHeight;
}

bool Raster_PNGFile::resize(int width, int height)
{
    return Pixels().resize(width, height);
}

Raster_MemBitmap& Raster_PNGFile::Pixels() const
{
    std::call_once(mDecodeOnce,
                   [this]
                   {
                       // Sizes handed out from the header must stay true: a file that no
                       // longer decodes to them gives transparent pixels of that size.
                       if (!Raster_LoadPNG(mPath.c_str(), &mPixels) ||
                           mPixels.getWidth() != mWidth || mPixels.getHeight() != mHeight)
                       {
                           mPixels.resize(0, 0);
                           mPixels.resize(mWidth, mHeight);
                       }
                       mDecoded.store(true, std::memory_order_release);
                   });
    return mPixels;
}

namespace
{

struct Encoder
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<unsigned char>* out = nullptr;
    std::vector<unsigned char> row;

    ~Encoder() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

void WriteData(png_structp png, png_bytep data, png_size_t count)
{
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void FlushData(png_structp) {}

bool Encode(Encoder* e, Raster_IBitmap* bitmap)
{
    if (setjmp(png_jmpbuf(e->png)))
        return false;
    const int width = bitmap->getWidth(), height = bitmap->getHeight();
    png_set_write_fn(e->png, e->out, WriteData, FlushData);
    png_set_IHDR(e->png, e->info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGBA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(e->png, e->info);
    e->row.resize(std::size_t(width) * 4);
    for (int y = 0; y < height; ++y)
    {
        const Raster_Pixel* p = bitmap->getBits() + std::ptrdiff_t(y) * bitmap->getRowSpan();
        for (int x = 0; x < width; ++x)
        {
            unsigned char* b = e->row.data() + std::size_t(x) * 4;
            b[0] = (unsigned char)Raster_GetR(p[x]);
            b[1] = (unsigned char)Raster_GetG(p[x]);
            b[2] = (unsigned char)Raster_GetB(p[x]);
            b[3] = (unsigned char)Raster_GetA(p[x]);
        }
        png_write_row(e->png, e->row.data());
    }
    png_write_end(e->png, nullptr);
    return true;
}

} // namespace

bool Raster_WritePNGToMemory(Raster_IBitmap* bitmap, std::vector<unsigned char>* out)
{
    if (!out)
        return false;
    out->clear();
    if (!bitmap || bitmap->getWidth() <= 0 || bitmap->getHeight() <= 0)
        return false;
    Encoder e;
    e.out = out;
    e.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (!e.png)
        return false;
    e.info = png_create_info_struct(e.png);
    if (!e.info || !Encode(&e, bitmap))
    {
        out->clear();
        return false;
    }
    return true;
}

bool Raster_WritePNG(const char* path, Raster_IBitmap* bitmap)
{
    std::vector<unsigned char> data;
    if (!path || !Raster_WritePNGToMemory(bitmap, &data))
        return false;
    std::FILE* file = FxOpenFile(path, "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && written;
}
