// veltar_text_sample OUT.png: the editor's text in the sizes and styles controls use, drawn as
// the graphics context draws it (its font cache and FreeType), so that the Linux and the Windows
// builds' pictures can be held against each other pixel for pixel.
#include "framework/graphics/IGraphics.h"
#include "raster/RasterFont.h"
#include "raster/RasterPNG.h"
#include "util/platform.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const std::vector<std::string> args = FxUtf8Arguments(argc, argv);
    if (args.size() != 2)
    {
        std::fprintf(stderr, "usage: veltar_text_sample OUT.png\n");
        return 2;
    }
    Raster_MemBitmap bitmap(480, 300);
    Raster_Clear(&bitmap, 0xFF303438);
    struct Line
    {
        int size, style;
        IColor colour;
        const char* text;
    };
    const Line lines[] = {
        {8, IText::kStyleNormal, COLOR_WHITE, "VELTAR console channel 0123456789"},
        {10, IText::kStyleNormal, COLOR_WHITE, "Input 12.50 dB  Output -3.2 dB  Zoom 150%"},
        {13, IText::kStyleNormal, COLOR_ORANGE,
         "SRPP QUAD NK  in out  \xC3\x84\xC3\x96\xC3\x9C \xC3\x9F \xE2\x82\xAC"},
        {13, IText::kStyleBold, COLOR_WHITE, "Bold: Oversampling 2x 4x"},
        {13, IText::kStyleItalic, COLOR_WHITE, "Italic: Presets / Factory"},
        {20, IText::kStyleNormal, IColor(160, 255, 255, 255), "Half-transparent 20"},
        {32, IText::kStyleBold, COLOR_RED, "VELTAR 32"},
    };
    int top = 6;
    for (const Line& line : lines)
    {
        IText style(line.size, line.colour, nullptr, line.style, IText::kAlignNear);
        Raster_CachedFont* font = IGraphics::CacheFont(&style);
        if (!font)
        {
            std::fprintf(stderr, "no font for size %d\n", line.size);
            return 1;
        }
        font->SetTextColor(line.colour.Pack());
        RECT r = {8, top, 472, top + font->GetLineHeight()};
        font->DrawText(&bitmap, line.text, -1, &r,
                       DT_NOCLIP | (line.colour.A < 255 ? RASTER_DT_USEFGALPHA : 0u));
        top = r.bottom + 6;
    }
    return Raster_WritePNG(args[1].c_str(), &bitmap) ? 0 : 1;
}
