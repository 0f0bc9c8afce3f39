#include "framework/graphics/FontStorage.h"
#include "framework/graphics/IGraphics.h"

#include <algorithm>

namespace
{

// The cached font takes the native font over (it deletes it when replaced or destroyed).
const int kFontOptions = 0x600;

HFONT MakeNativeFont(const IText& text, int height)
{
    static const unsigned int kQualities[] = {DEFAULT_QUALITY, NONANTIALIASED_QUALITY,
                                              ANTIALIASED_QUALITY, ANTIALIASED_QUALITY};
    const unsigned int quality =
        text.mQuality >= 0 && text.mQuality <= 3 ? kQualities[text.mQuality] : 3u;
    const int esc = text.mOrientation * 10;
    return CreateFont(height, 0, esc, esc, text.mStyle == IText::kStyleBold ? FW_BOLD : FW_NORMAL,
                      text.mStyle == IText::kStyleItalic ? 1u : 0u, 0, 0, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, text.mFont);
}

} // namespace

Raster_CachedFont* IGraphics::CacheFont(IText* text)
{
    Raster_CachedFont* font = s_fontCache.Find(*text);
    if (!font)
    {
        const int h = std::max(text->mSize, 2);
        HFONT native = MakeNativeFont(*text, h);
        if (!native)
            return nullptr;
        font = new Raster_CachedFont;
        font->SetFromHFont(native, kFontOptions);
        const int lineHeight = font->GetLineHeight();
        if (lineHeight > 0 && lineHeight != h)
        {
            const int h2 = int(double(h) * double(h) / double(lineHeight) + 0.5);
            if (HFONT retry = MakeNativeFont(*text, h2))
                font->SetFromHFont(retry, kFontOptions);
        }
        s_fontCache.Add(font, *text);
    }
    text->mCached = font;
    return font;
}

bool IGraphics::DrawIText(IText* text, const char* str, IRECT* rect, bool measure)
{
    if (!str || !str[0])
        return true;
    Raster_CachedFont* font = text->mCached ? text->mCached : CacheFont(text);
    if (!font)
        return false;
    font->SetTextColor(text->mColor.Pack());
    unsigned int flags = DT_NOCLIP;
    if (text->mAlign == IText::kAlignCenter)
        flags |= DT_CENTER;
    else if (text->mAlign == IText::kAlignFar)
        flags |= DT_RIGHT;
    if (text->mColor.A < 255)
        flags |= RASTER_DT_USEFGALPHA;
    if (measure)
    {
        RECT r = {0, 0, 0, 0};
        font->DrawText(nullptr, str, -1, &r, flags | DT_CALCRECT);
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (text->mAlign == IText::kAlignCenter)
        {
            rect->L = int(double(rect->L + rect->R) * 0.5) - w / 2;
            rect->R = rect->L + w;
        }
        else if (text->mAlign == IText::kAlignFar)
            rect->L = rect->R - w;
        else
            rect->R = rect->L + w;
        rect->B = rect->T + h;
        return true;
    }
    if (mScale != 1.0)
    {
        // Laid out again at the scaled size rather than enlarged, so the glyphs stay sharp.
        IText scaled = *text;
        scaled.mSize = std::max(1, ScaledLength(text->mSize, mScale));
        scaled.mCached = nullptr;
        font = CacheFont(&scaled);
        if (!font)
            return false;
        font->SetTextColor(text->mColor.Pack());
    }
    const IRECT s = ScaledRect(*rect, mScale);
    RECT r = {s.L, s.T, s.R, s.B};
    font->DrawText(mDrawBitmap.get(), str, -1, &r, flags);
    return true;
}

bool IGraphics::MeasureIText(IText* text, const char* str, IRECT* destRect)
{
    return DrawIText(text, str, destRect, true);
}
