#include <benchmark/benchmark.h>
#include <memory>
#include <vector>

#include "raster/RasterPNG.h"

namespace
{

// A knob strip like the editor's: 61 frames of 60 × 60 pixels with soft alpha edges.
Raster_MemBitmap MakeStrip()
{
    Raster_MemBitmap strip(60, 60 * 61);
    for (int y = 0; y < strip.getHeight(); ++y)
        for (int x = 0; x < 60; ++x)
        {
            const int dx = x - 30, dy = y % 60 - 30, d2 = dx * dx + dy * dy;
            const unsigned int alpha = d2 < 24 * 24 ? 255 : (d2 < 28 * 28 ? 128 : 0);
            strip.getBits()[y * strip.getRowSpan() + x] =
                Raster_RGBA(unsigned(x * 4), unsigned(y % 256), 0x60, alpha);
        }
    return strip;
}

void BM_DecodeKnobStripPNG(benchmark::State& state)
{
    Raster_MemBitmap strip = MakeStrip();
    std::vector<unsigned char> png;
    Raster_WritePNGToMemory(&strip, &png);
    for (auto _ : state)
    {
        std::unique_ptr<Raster_IBitmap> bitmap(Raster_LoadPNGFromMemory(png.data(), png.size()));
        benchmark::DoNotOptimize(bitmap.get());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(png.size()));
}
BENCHMARK(BM_DecodeKnobStripPNG);

void BM_CopyBlitFullFrame(benchmark::State& state)
{
    Raster_MemBitmap background(352, 568);
    Raster_SysBitmap frame(352, 568);
    Raster_Clear(&background, 0xff203040);
    for (auto _ : state)
    {
        Raster_Blit(&frame, &background, 0, 0, 0, 0, 352, 568, 1.0f, RASTER_BLIT_MODE_COPY);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 352 * 568);
}
BENCHMARK(BM_CopyBlitFullFrame);

void BM_AlphaBlitKnobFrame(benchmark::State& state)
{
    Raster_MemBitmap strip = MakeStrip();
    Raster_SysBitmap frame(352, 568);
    Raster_Clear(&frame, 0xff203040);
    const float weight = float(state.range(0)) / 100.0f;
    int knobFrame = 0;
    for (auto _ : state)
    {
        Raster_Blit(&frame, &strip, 146, 254, 0, knobFrame * 60, 60, 60, weight,
                    RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA);
        knobFrame = (knobFrame + 1) % 61;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 60 * 60);
}
BENCHMARK(BM_AlphaBlitKnobFrame)->Arg(100)->Arg(50);

} // namespace

BENCHMARK_MAIN();
