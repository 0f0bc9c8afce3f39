#include "tools/artwork/Canvas.h"

#include <map>
#include <memory>

#include "raster/RasterFont.h"
#include "raster/RasterPNG.h"

namespace
{

// Reduces a canvas to outScale times panel resolution, averaging each block of canvas pixels
// that makes one output pixel.
void Reduce(Canvas& canvas, Raster_IBitmap* out, int outX, int outY, int outScale)
{
    const int block = kScale / outScale;
    const int w = canvas.bitmap.getWidth() / block, h = canvas.bitmap.getHeight() / block;
    Raster_Pixel* src = canvas.bitmap.getBits();
    const int span = canvas.bitmap.getRowSpan();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            unsigned int r = 0, g = 0, b = 0;
            for (int j = 0; j < block; ++j)
                for (int i = 0; i < block; ++i)
                {
                    const Raster_Pixel p =
                        src[std::ptrdiff_t(y * block + j) * span + x * block + i];
                    r += Raster_GetR(p);
                    g += Raster_GetG(p);
                    b += Raster_GetB(p);
                }
            const unsigned int n = unsigned(block * block);
            Raster_PutPixel(out, outX + x, outY + y,
                            Raster_RGBA((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n, 255),
                            1.0f, RASTER_BLIT_MODE_COPY);
        }
}

// Fonts at canvas resolution, made once per size and weight.
class Fonts
{
public:
    Raster_CachedFont* Get(double size, bool bold)
    {
        const int height = -int(size * kScale + 0.5);
        auto& slot = mFonts[height * 2 + (bold ? 1 : 0)];
        if (!slot)
        {
            slot.reset(new Raster_CachedFont);
            slot->SetFromHFont(CreateFont(height, 0, 0, 0, bold ? FW_BOLD : 400, 0, 0, 0, 0, 0, 0,
                                          0, 0, "DejaVu Sans Condensed"),
                               RASTER_FONT_FLAG_OWNS_HFONT);
        }
        return slot.get();
    }

private:
    std::map<int, std::unique_ptr<Raster_CachedFont>> mFonts;
};

Fonts gFonts;

} // namespace

void CopyPanelUnder(Canvas& panel, Canvas* frame)
{
    Raster_Blit(&frame->bitmap, &panel.bitmap, 0, 0, frame->left * kScale, frame->top * kScale,
                frame->bitmap.getWidth(), frame->bitmap.getHeight(), 1.0f, RASTER_BLIT_MODE_COPY);
}

Strip::Strip(int frameWidth, int frameHeight, int frames) : mFrameHeight(frameHeight)
{
    for (int s = 0; s < kOutScales; ++s)
        mBitmaps[s].resize(frameWidth * (s + 1), frameHeight * frames * (s + 1));
}

void Strip::Add(Canvas& frame, int index)
{
    for (int s = 0; s < kOutScales; ++s)
        Reduce(frame, &mBitmaps[s], 0, index * mFrameHeight * (s + 1), s + 1);
}

bool Strip::Write(const char* outDir, const std::string& file)
{
    const std::string base = std::string(outDir) + "/" + file.substr(0, file.size() - 4);
    return Raster_WritePNG((base + ".png").c_str(), &mBitmaps[0]) &&
           Raster_WritePNG((base + "@2x.png").c_str(), &mBitmaps[1]);
}

void Text(Canvas& canvas, const char* text, double cx, double cy, double size, bool bold, Rgb ink,
          double alpha)
{
    Raster_CachedFont* font = gFonts.Get(size, bold);
    const int w = 400 * kScale, h = 60 * kScale;
    for (int pass = 0; pass < 2; ++pass)
    {
        const double dy = pass == 0 ? 0.6 : 0.0;
        RECT r;
        r.left = int(canvas.X(cx) - w / 2);
        r.right = r.left + w;
        r.top = int(canvas.Y(cy + dy) - h / 2);
        r.bottom = r.top + h;
        font->SetTextColor(pass == 0 ? Raster_RGBA(0, 0, 0, Clamp8(110 * alpha))
                                     : Pack(ink, alpha));
        font->DrawText(&canvas.bitmap, text, -1, &r,
                       DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | RASTER_DT_USEFGALPHA);
    }
}

void Stroke(Canvas& canvas, double x1, double y1, double x2, double y2, double width, Rgb colour,
            double alpha)
{
    const double dx = x2 - x1, dy = y2 - y1, len = std::sqrt(dx * dx + dy * dy);
    const double nx = -dy / len * width / 2, ny = dx / len * width / 2;
    const int xs[4] = {int(canvas.X(x1 + nx)), int(canvas.X(x2 + nx)), int(canvas.X(x2 - nx)),
                       int(canvas.X(x1 - nx))};
    const int ys[4] = {int(canvas.Y(y1 + ny)), int(canvas.Y(y2 + ny)), int(canvas.Y(y2 - ny)),
                       int(canvas.Y(y1 - ny))};
    Raster_FillConvexPolygon(&canvas.bitmap, xs, ys, 4, Pack(colour), float(alpha),
                             RASTER_BLIT_MODE_COPY);
}

double Disc(double d, double r, double soft)
{
    return soft > 0.0 ? 1.0 - SmoothStep(r - soft, r + soft, d) : (d <= r ? 1.0 : 0.0);
}
