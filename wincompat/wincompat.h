// Win32-style font calls on FreeType and fontconfig: the native text layer under the raster
// library's cached fonts. Only what text rendering needs is here: making and deleting a font,
// its metrics, and one glyph's coverage image.
#pragma once

struct RECT
{
    int left;
    int top;
    int right;
    int bottom;
};

struct POINT
{
    int x;
    int y;
};

struct HFONT__;
typedef HFONT__* HFONT;

// Weights, qualities and pitches with their Win32 values, so callers written against the
// Win32 names pass the same numbers.
enum
{
    FW_DONTCARE = 0,
    FW_NORMAL = 400,
    FW_BOLD = 700,
};

enum
{
    DEFAULT_CHARSET = 1,
    OUT_DEFAULT_PRECIS = 0,
    CLIP_DEFAULT_PRECIS = 0,
    DEFAULT_QUALITY = 0,
    NONANTIALIASED_QUALITY = 3,
    ANTIALIASED_QUALITY = 4,
    DEFAULT_PITCH = 0,
    FIXED_PITCH = 1,
    VARIABLE_PITCH = 2,
};

// DrawText flags (used by the raster library's cached font).
enum
{
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_SINGLELINE = 0x20,
    DT_NOCLIP = 0x100,
    DT_CALCRECT = 0x400,
};

// Makes a font. A positive height is the cell height (ascent plus descent) in pixels, a negative
// one the em height, 0 a default of 12. The face is looked up by name through fontconfig; when
// no installed face carries that family name a monospaced face is used, and failing that any
// face, so a font is made whenever the system has one. Escapement, orientation, underline,
// strike-out, character set and the precisions are accepted and not applied. Quality
// NONANTIALIASED_QUALITY renders two-level glyphs, every other quality antialiased ones.
// Answers null when no face can be opened. Delete with DeleteObject.
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight,
                 unsigned int italic, unsigned int underline, unsigned int strikeOut,
                 unsigned int charSet, unsigned int outPrecision, unsigned int clipPrecision,
                 unsigned int quality, unsigned int pitchAndFamily, const char* faceName);

// Deletes a font made by CreateFont; false for null.
bool DeleteObject(HFONT font);

struct TEXTMETRIC
{
    int tmHeight;  // ascent + descent: the line height
    int tmAscent;  // baseline below the top of the line
    int tmDescent; // bottom of the line below the baseline
    int tmAveCharWidth;
    int tmMaxCharWidth;
};

// Fills the font's metrics; false for a null font or metrics.
bool GetTextMetrics(HFONT font, TEXTMETRIC* metrics);

// Copies the family name of the face actually used (which may differ from the one asked for)
// into name, truncated to count − 1 characters; answers the length copied, 0 on failure.
int GetTextFace(HFONT font, int count, char* name);

struct GLYPHMETRICS
{
    unsigned int gmBlackBoxX; // coverage image width
    unsigned int gmBlackBoxY; // coverage image height
    POINT gmptGlyphOrigin;    // image's left edge from the pen, top edge above the baseline
    short gmCellIncX;         // pen advance in pixels
    short gmCellIncY;
};

enum
{
    GGO_METRICS = 0,
    GGO_GRAY8_BITMAP = 6,
};

const unsigned int GDI_ERROR = 0xFFFFFFFFu;

// One character's glyph. GGO_METRICS fills only the metrics and answers 0. GGO_GRAY8_BITMAP
// answers the size of the coverage image, gmBlackBoxX × gmBlackBoxY bytes, one byte per pixel
// from 0 (empty) to 255 (covered), rows top-down and packed without padding; the image is
// written when buffer is non-null and bufferSize is at least that size. Unlike Win32 the levels
// span 0–255 rather than 0–64. Answers GDI_ERROR for a null font, an unknown format or a glyph
// that cannot be rendered.
unsigned int GetGlyphOutline(HFONT font, unsigned int character, unsigned int format,
                             GLYPHMETRICS* metrics, unsigned int bufferSize, void* buffer);
