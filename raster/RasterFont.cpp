#include "raster/RasterFont.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "raster/RasterCombine.h"

using namespace raster_detail;

namespace
{

// Next character of UTF-8 text at i, advancing i past it. A byte that does not start a
// complete, well-formed sequence stands for itself as Latin-1, so plain 8-bit texts still show.
unsigned int NextCharacter(const char* text, int length, int& i)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    const unsigned int lead = s[i];
    const int extra = (lead >= 0xc2 && lead < 0xe0)   ? 1
                      : (lead >= 0xe0 && lead < 0xf0) ? 2
                      : (lead >= 0xf0 && lead < 0xf5) ? 3
                                                      : 0;
    bool complete = extra > 0 && i + extra < length;
    for (int k = 1; complete && k <= extra; ++k)
        complete = (s[i + k] & 0xc0) == 0x80;
    if (!complete)
    {
        ++i;
        return lead;
    }
    unsigned int code = lead & (0x3fu >> extra);
    for (int k = 1; k <= extra; ++k)
        code = code << 6 | (s[i + k] & 0x3fu);
    i += extra + 1;
    return code;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

} // namespace

Raster_CachedFont::~Raster_CachedFont()
{
    ReleaseFont();
}

void Raster_CachedFont::ReleaseFont()
{
    if (mOwnsFont)
        DeleteObject(mFont);
    mFont = nullptr;
    mOwnsFont = false;
    mMetrics = TEXTMETRIC{};
    mGlyphs.clear();
}

void Raster_CachedFont::SetFromHFont(HFONT font, int flags)
{
    std::lock_guard<std::mutex> guard(mLock);
    if (font == mFont)
    {
        mOwnsFont = font && (flags & RASTER_FONT_FLAG_OWNS_HFONT) != 0;
        return;
    }
    ReleaseFont();
    if (!font || !GetTextMetrics(font, &mMetrics))
        return;
    mFont = font;
    mOwnsFont = (flags & RASTER_FONT_FLAG_OWNS_HFONT) != 0;
}

const Raster_CachedFont::Glyph& Raster_CachedFont::GetGlyph(unsigned int character)
{
    auto found = mGlyphs.find(character);
    if (found != mGlyphs.end())
        return found->second;
    Glyph& glyph = mGlyphs[character];
    GLYPHMETRICS m = {};
    const unsigned int size = GetGlyphOutline(mFont, character, GGO_GRAY8_BITMAP, &m, 0, nullptr);
    if (size == GDI_ERROR)
        return glyph;
    glyph.coverage.resize(size);
    if (size > 0 && GetGlyphOutline(mFont, character, GGO_GRAY8_BITMAP, &m, size,
                                    glyph.coverage.data()) != size)
        return glyph;
    glyph.left = m.gmptGlyphOrigin.x;
    glyph.top = m.gmptGlyphOrigin.y;
    glyph.width = int(m.gmBlackBoxX);
    glyph.height = int(m.gmBlackBoxY);
    glyph.advance = m.gmCellIncX;
    glyph.valid = true;
    return glyph;
}

long long Raster_CachedFont::LineWidth(const char* text, int length)
{
    long long width = 0;
    for (int i = 0; i < length;)
        width += GetGlyph(NextCharacter(text, length, i)).advance;
    return width;
}

void Raster_CachedFont::BlendGlyph(Raster_IBitmap* bitmap, const Glyph& glyph, long long x,
                                   long long y, const RECT& clip, Raster_Pixel colour)
{
    const RECT bounds = Intersect(clip, RECT{0, 0, bitmap->getWidth(), bitmap->getHeight()});
    const long long left = x + glyph.left, top = y + mMetrics.tmAscent - glyph.top;
    const long long x0 = std::max<long long>(left, bounds.left);
    const long long x1 = std::min<long long>(left + glyph.width, bounds.right);
    const long long y0 = std::max<long long>(top, bounds.top);
    const long long y1 = std::min<long long>(top + glyph.height, bounds.bottom);
    if (x0 >= x1 || y0 >= y1)
        return;
    const unsigned int alpha = Raster_GetA(colour);
    const Raster_Pixel rgb = colour & 0x00ffffffu;
    const int span = bitmap->getRowSpan();
    // The glyph's coverage becomes the source alpha, so every mode composites through it.
    WithCombiner(mCombineMode | RASTER_BLIT_USE_ALPHA, mCombineWeight,
                 [&](auto op)
                 {
                     for (int row = y0; row < y1; ++row)
                     {
                         const unsigned char* cover =
                             glyph.coverage.data() + std::size_t(row - top) * glyph.width;
                         Raster_Pixel* p = bitmap->getBits() + std::ptrdiff_t(row) * span;
                         for (int col = x0; col < x1; ++col)
                         {
                             const unsigned int c = cover[col - left];
                             if (c != 0)
                                 p[col] =
                                     op(p[col], rgb | Raster_Pixel((c * alpha + 127) / 255) << 24);
                         }
                     }
                 });
}

void Raster_CachedFont::DrawLine(Raster_IBitmap* bitmap, const char* text, int length, long long x,
                                 long long y, const RECT& clip, Raster_Pixel colour)
{
    for (int i = 0; i < length && x < clip.right;)
    {
        const Glyph& glyph = GetGlyph(NextCharacter(text, length, i));
        if (glyph.valid)
            BlendGlyph(bitmap, glyph, x, y, clip, colour);
        x += glyph.advance;
    }
}

int Raster_CachedFont::DrawText(Raster_IBitmap* bitmap, const char* text, int length, RECT* rect,
                                unsigned int flags)
{
    std::lock_guard<std::mutex> guard(mLock);
    if (!mFont || !text || !rect)
        return 0;
    if (length < 0)
        length = int(std::strlen(text));

    struct Line
    {
        int start, length;
        long long width;
    };
    std::vector<Line> lines;
    for (int start = 0; start <= length;)
    {
        const char* end =
            static_cast<const char*>(std::memchr(text + start, '\n', std::size_t(length - start)));
        const int stop = end ? int(end - text) : length;
        lines.push_back(Line{start, stop - start, LineWidth(text + start, stop - start)});
        start = stop + 1;
    }
    long long width = 0;
    for (const Line& line : lines)
        width = std::max(width, line.width);
    const int lineHeight = mMetrics.tmHeight;
    const long long height = length > 0 ? (long long)lines.size() * lineHeight : 0;
    // Positions are worked out wide: rectangles near the limits of int are cut, not wrapped.
    auto toInt = [](long long v)
    { return int(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, v))); };

    if (flags & DT_CALCRECT)
    {
        rect->right = toInt((long long)rect->left + (length > 0 ? width : 0));
        rect->bottom = toInt((long long)rect->top + height);
        return toInt(height);
    }
    if (!bitmap || length == 0)
        return toInt(height);

    long long y = rect->top;
    if (flags & DT_VCENTER)
        y = rect->top + ((long long)rect->bottom - rect->top - height) / 2;
    else if (flags & DT_BOTTOM)
        y = rect->bottom - height;
    const RECT whole = {0, 0, bitmap->getWidth(), bitmap->getHeight()};
    const RECT clip = (flags & DT_NOCLIP) ? whole : Intersect(whole, *rect);
    const Raster_Pixel colour =
        (flags & RASTER_DT_USEFGALPHA) ? mTextColor : (mTextColor | 0xff000000u);

    for (const Line& line : lines)
    {
        if (y >= clip.bottom)
            break;
        long long x = rect->left;
        if (flags & DT_CENTER)
            x = rect->left + ((long long)rect->right - rect->left - line.width) / 2;
        else if (flags & DT_RIGHT)
            x = rect->right - line.width;
        if (y + lineHeight > clip.top)
        {
            const RECT box = Intersect(
                clip, RECT{toInt(x), toInt(y), toInt(x + line.width), toInt(y + lineHeight)});
            if (mBkMode == RASTER_BKMODE_OPAQUE && box.left < box.right && box.top < box.bottom)
            {
                Raster_FillRect(bitmap, box.left, box.top, box.right - box.left,
                                box.bottom - box.top, mBkColor, mCombineWeight, mCombineMode);
            }
            DrawLine(bitmap, text + line.start, line.length, x, y, clip, colour);
        }
        y += lineHeight;
    }
    return toInt(height);
}

bool Raster_CachedFont::DrawGlyph(Raster_IBitmap* bitmap, unsigned int character, int x, int y,
                                  const RECT* clip)
{
    std::lock_guard<std::mutex> guard(mLock);
    if (!mFont || !bitmap)
        return false;
    const Glyph& glyph = GetGlyph(character);
    if (!glyph.valid)
        return false;
    BlendGlyph(bitmap, glyph, x, y,
               clip ? *clip : RECT{0, 0, bitmap->getWidth(), bitmap->getHeight()},
               mTextColor | 0xff000000u);
    return true;
}
