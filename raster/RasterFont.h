// Text drawn into raster bitmaps with a native font, its glyphs rendered once and kept.
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "raster/Raster.h"
// The native font layer, whose Win32-style names (RECT, HFONT, DT_ flags) the text calls take;
// kept out of Raster.h so that code next to windows.h can use bitmaps.
#include "wincompat/wincompat.h"

// SetFromHFont option: the cached font deletes the native font when it is replaced or the
// cached font is destroyed. Other option bits are accepted and have no effect here.
const int RASTER_FONT_FLAG_OWNS_HFONT = 0x400;

// DrawText flag on top of the DT_ flags of the native layer: the text colour's alpha scales
// the glyphs' coverage (without it text is drawn as if its colour were opaque).
const unsigned int RASTER_DT_USEFGALPHA = 0x40000000u;

// SetBkMode values: TRANSPARENT leaves the background alone, OPAQUE fills the text's extent
// with the background colour first.
enum
{
    RASTER_BKMODE_TRANSPARENT = 1,
    RASTER_BKMODE_OPAQUE = 2,
};

class Raster_CachedFont
{
public:
    Raster_CachedFont() = default;
    Raster_CachedFont(const Raster_CachedFont&) = delete;
    Raster_CachedFont& operator=(const Raster_CachedFont&) = delete;
    virtual ~Raster_CachedFont();

    // Uses the native font from now on, dropping the cached glyphs of the previous one.
    virtual void SetFromHFont(HFONT font, int flags);
    // Colours are 0xAARRGGBB.
    virtual void SetTextColor(Raster_Pixel colour) { mTextColor = colour; }
    virtual void SetBkColor(Raster_Pixel colour) { mBkColor = colour; }
    // Kept for callers that set it; no text effect here uses it.
    virtual void SetEffectColor(Raster_Pixel colour) { mEffectColor = colour; }
    virtual void SetBkMode(int mode) { mBkMode = mode; }
    // How glyphs combine with the bitmap: a RASTER_BLIT_MODE_ (the source alpha is always used,
    // since it carries the glyph's coverage) and a weight.
    virtual void SetCombineMode(int mode, float weight)
    {
        mCombineMode = mode;
        mCombineWeight = weight;
    }
    // Draws text (length −1: up to its terminating zero; UTF-8, with bytes that are not valid
    // UTF-8 read as Latin-1) into rect. Lines break at '\n'. Flags: DT_CENTER, DT_RIGHT,
    // DT_VCENTER, DT_BOTTOM, DT_NOCLIP (without it glyphs are clipped to rect), DT_CALCRECT
    // (draw nothing; set rect to the text's extent from its left and top) and
    // RASTER_DT_USEFGALPHA. Answers the text's height; 0 without a font, rect or text.
    // bitmap may be null with DT_CALCRECT.
    virtual int DrawText(Raster_IBitmap* bitmap, const char* text, int length, RECT* rect,
                         unsigned int flags);
    virtual Raster_Pixel GetTextColor() const { return mTextColor; }
    virtual HFONT GetHFont() const { return mFont; }
    // Height of one line of text in pixels; 0 without a font.
    virtual int GetLineHeight() const { return mMetrics.tmHeight; }
    // Draws one character with its pen position at (x, y), y being the top of the line;
    // answers false if the font has no image for it. Clipped to clip when one is given.
    virtual bool DrawGlyph(Raster_IBitmap* bitmap, unsigned int character, int x, int y,
                           const RECT* clip);

private:
    struct Glyph
    {
        int left = 0; // image's left edge from the pen
        int top = 0;  // image's top edge above the baseline
        int width = 0;
        int height = 0;
        int advance = 0;
        bool valid = false;
        std::vector<unsigned char> coverage;
    };

    const Glyph& GetGlyph(unsigned int character);
    long long LineWidth(const char* text, int length);
    void DrawLine(Raster_IBitmap* bitmap, const char* text, int length, long long x, long long y,
                  const RECT& clip, Raster_Pixel colour);
    void BlendGlyph(Raster_IBitmap* bitmap, const Glyph& glyph, long long x, long long y,
                    const RECT& clip, Raster_Pixel colour);
    void ReleaseFont();

    HFONT mFont = nullptr;
    bool mOwnsFont = false;
    TEXTMETRIC mMetrics = {};
    Raster_Pixel mTextColor = 0xff000000u;
    Raster_Pixel mBkColor = 0xffffffffu;
    Raster_Pixel mEffectColor = 0xff808080u;
    int mBkMode = RASTER_BKMODE_TRANSPARENT;
    int mCombineMode = RASTER_BLIT_MODE_COPY;
    float mCombineWeight = 1.0f;
    // Fonts are shared by every editor in the process; the glyph cache is filled while drawing.
    std::mutex mLock;
    std::unordered_map<unsigned int, Glyph> mGlyphs;
};
