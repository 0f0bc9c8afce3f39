#include "wincompat/wincompat.h"

#include "util/platform.h"
#include "wincompat/FontFiles.h"
#include <algorithm>
#include <cmath>
#include <cstring>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <mutex>
#include <string>
#include <vector>

struct HFONT__
{
    // The font file's bytes, which FreeType reads from for as long as the face lives: read
    // through the C library, so that a UTF-8 path reaches the file on every platform.
    std::vector<unsigned char> file;
    FT_Face face = nullptr;
    bool monochrome = false;
    TEXTMETRIC metrics = {};
    std::string family;
    // FreeType faces are not safe to use from two threads at once, and fonts are shared by
    // every editor in the process.
    std::mutex lock;
};

namespace
{

// Heights beyond this are certainly mistakes and would make glyph images of gigabytes.
const int kMaxPixelHeight = 2048;
const int kDefaultHeight = 12;

// FreeType's library object (and fontconfig's default configuration, where the font files are
// found through it) are process-wide and not thread-safe for face creation; every font made
// goes through this lock.
std::mutex& LibraryLock()
{
    static std::mutex lock;
    return lock;
}

FT_Library Library()
{
    static FT_Library library = nullptr;
    static bool tried = false;
    if (!tried)
    {
        tried = true;
        if (FT_Init_FreeType(&library) != 0)
            library = nullptr;
    }
    return library;
}

// Scales the face so that ascent plus descent (the cell) is the requested height, as a Win32
// font of positive height does, and fills the metrics from the design units so that the line
// height comes out exactly as asked.
bool SizeFace(HFONT font, int height)
{
    FT_Face face = font->face;
    double em = height < 0 ? -height : height;
    double cell = 0.0;
    if (FT_IS_SCALABLE(face) && face->units_per_EM > 0)
        cell = double(face->ascender - face->descender) / face->units_per_EM;
    if (height > 0 && cell > 0.0)
        em = height / cell;
    FT_F26Dot6 size = std::max<FT_F26Dot6>(64, FT_F26Dot6(std::lround(em * 64.0)));
    if (FT_Set_Char_Size(face, 0, size, 72, 72) != 0)
        return false;

    TEXTMETRIC& m = font->metrics;
    if (cell > 0.0)
    {
        double ascent = em * face->ascender / face->units_per_EM;
        double descent = em * -face->descender / face->units_per_EM;
        m.tmHeight = height > 0 ? height : int(std::lround(ascent + descent));
        m.tmAscent = std::min(m.tmHeight, int(std::lround(ascent)));
    }
    else
    {
        m.tmHeight = int((face->size->metrics.ascender - face->size->metrics.descender + 63) >> 6);
        m.tmAscent = int((face->size->metrics.ascender + 63) >> 6);
    }
    m.tmDescent = m.tmHeight - m.tmAscent;
    m.tmMaxCharWidth = int((face->size->metrics.max_advance + 63) >> 6);
    m.tmAveCharWidth = m.tmMaxCharWidth;
    if (FT_Load_Char(face, 'x', FT_LOAD_DEFAULT) == 0)
        m.tmAveCharWidth = int((face->glyph->advance.x + 32) >> 6);
    return m.tmHeight > 0;
}

bool ReadFontFile(const std::string& path, std::vector<unsigned char>* bytes)
{
    std::FILE* f = FxOpenFile(path.c_str(), "rb");
    if (!f)
        return false;
    unsigned char piece[65536];
    size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, f)) > 0)
        bytes->insert(bytes->end(), piece, piece + got);
    const bool ok = !std::ferror(f) && !bytes->empty();
    std::fclose(f);
    return ok;
}

void CopyCoverage(const FT_Bitmap& bitmap, unsigned char* out)
{
    const unsigned int width = bitmap.width;
    for (unsigned int y = 0; y < bitmap.rows; ++y)
    {
        const unsigned char* row = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
        unsigned char* dest = out + std::size_t(y) * width;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
        {
            for (unsigned int x = 0; x < width; ++x)
                dest[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        }
        else
        {
            std::memcpy(dest, row, width);
        }
    }
}

} // namespace

HFONT CreateFont(int height, int /*width*/, int /*escapement*/, int /*orientation*/, int weight,
                 unsigned int italic, unsigned int /*underline*/, unsigned int /*strikeOut*/,
                 unsigned int /*charSet*/, unsigned int /*outPrecision*/,
                 unsigned int /*clipPrecision*/, unsigned int quality,
                 unsigned int /*pitchAndFamily*/, const char* faceName)
{
    if (height == 0)
        height = kDefaultHeight;
    height = std::max(-kMaxPixelHeight, std::min(kMaxPixelHeight, height));

    std::lock_guard<std::mutex> guard(LibraryLock());
    FT_Library library = Library();
    FontFile file;
    if (!library || !FindFontFile(faceName, weight, italic != 0, &file))
        return nullptr;

    HFONT font = new HFONT__;
    if (!ReadFontFile(file.path, &font->file) ||
        FT_New_Memory_Face(library, font->file.data(), static_cast<FT_Long>(font->file.size()),
                           file.index, &font->face) != 0)
    {
        delete font;
        return nullptr;
    }
    font->monochrome = quality == NONANTIALIASED_QUALITY;
    font->family = file.family;
    if (!SizeFace(font, height))
    {
        FT_Done_Face(font->face);
        delete font;
        return nullptr;
    }
    return font;
}

bool DeleteObject(HFONT font)
{
    if (!font)
        return false;
    {
        std::lock_guard<std::mutex> guard(LibraryLock());
        FT_Done_Face(font->face);
    }
    delete font;
    return true;
}

bool GetTextMetrics(HFONT font, TEXTMETRIC* metrics)
{
    if (!font || !metrics)
        return false;
    *metrics = font->metrics;
    return true;
}

int GetTextFace(HFONT font, int count, char* name)
{
    if (!font || !name || count <= 0)
        return 0;
    int length = std::min(count - 1, int(font->family.size()));
    std::memcpy(name, font->family.data(), std::size_t(length));
    name[length] = 0;
    return length;
}

unsigned int GetGlyphOutline(HFONT font, unsigned int character, unsigned int format,
                             GLYPHMETRICS* metrics, unsigned int bufferSize, void* buffer)
{
    if (!font || !metrics || (format != GGO_METRICS && format != GGO_GRAY8_BITMAP))
        return GDI_ERROR;
    std::lock_guard<std::mutex> guard(font->lock);
    FT_Int32 load =
        FT_LOAD_DEFAULT | (font->monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Char(font->face, character, load) != 0)
        return GDI_ERROR;
    FT_GlyphSlot slot = font->face->glyph;
    if (FT_Render_Glyph(slot, font->monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return GDI_ERROR;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return GDI_ERROR;

    metrics->gmBlackBoxX = bitmap.width;
    metrics->gmBlackBoxY = bitmap.rows;
    metrics->gmptGlyphOrigin.x = slot->bitmap_left;
    metrics->gmptGlyphOrigin.y = slot->bitmap_top;
    metrics->gmCellIncX = short((slot->advance.x + 32) >> 6);
    metrics->gmCellIncY = 0;
    if (format == GGO_METRICS)
        return 0;

    const unsigned int size = bitmap.width * bitmap.rows;
    if (buffer && bufferSize >= size)
        CopyCoverage(bitmap, static_cast<unsigned char*>(buffer));
    return size;
}
