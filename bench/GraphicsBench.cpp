// The editor's drawing costs on the product's own artwork: a full paint of the 352 × 568 panel,
// the redraw after one knob moved (the common case while a user drags or the host automates),
// and decoding every PNG once. Paints run at the scale given in percent (100: the panel's own
// pixels, 200: the 2x artwork); the first instance's load at 1x and at 2x.
#include "framework/core/testing/StandInAdapter.h"
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "raster/RasterPNG.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace
{

StandInAdapter::Options BenchOptions()
{
    StandInAdapter::Options options;
    options.nParams = 7;
    options.channelIO = "1-1 2-2";
    options.effectName = "Bench";
    options.uniqueID = 0x42656e31; // "Ben1"
    options.tempo = 120.0;
    options.recordsHost = false;
    return options;
}

// Only the editor is measured: the host side answers nothing.
class BenchPlug : public StandInAdapter
{
public:
    BenchPlug() : StandInAdapter(BenchOptions())
    {
        for (int i = 0; i < 4; ++i)
            GetParam(i)->InitDouble("Knob", 0.5, 0.0, 1.0, 0.01);
        for (int i = 4; i < 6; ++i)
            GetParam(i)->InitBool("Switch", true);
        GetParam(6)->InitEnum("Model", 0, 3);
    }
};

struct Strip
{
    int id;
    const char* file;
    int frames;
};
const Strip kStrips[] = {{108, "resources/img/BG.png", 1},    {101, "resources/img/IN.png", 61},
                         {102, "resources/img/OUT.png", 61},  {104, "resources/img/LOW.png", 61},
                         {105, "resources/img/HIGH.png", 61}, {103, "resources/img/BUS.png", 2},
                         {107, "resources/img/XFMR.png", 2},  {106, "resources/img/MODEL.png", 3}};

struct Editor
{
    BenchPlug plug;
    HeadlessNativeLayer* layer = nullptr;
    IGraphicsMac* graphics = nullptr;

    explicit Editor(double scale = 1.0)
    {
        auto native = std::make_unique<HeadlessNativeLayer>(VELTAR_SOURCE_DIR);
        layer = native.get();
        graphics = new IGraphicsMac(&plug, 352, 568, 0, std::move(native));
        graphics->AttachBackground(108, kStrips[0].file);
        const int pos[7][3] = {{102, 19, 0},  {102, 187, 1}, {47, 347, 2}, {217, 347, 3},
                               {278, 144, 5}, {5, 144, 4},   {105, 455, 6}};
        for (int i = 0; i < 7; ++i)
        {
            const Strip& s = kStrips[i + 1];
            IBitmap bitmap = graphics->LoadIBitmap(s.id, s.file, s.frames);
            if (i < 4)
                graphics->AttachControl(
                    new IKnobMultiControl(&plug, pos[i][0], pos[i][1], pos[i][2], bitmap));
            else
                graphics->AttachControl(
                    new ISwitchControl(&plug, pos[i][0], pos[i][1], pos[i][2], bitmap));
        }
        plug.AttachGraphics(graphics);
        graphics->SetScale(scale);
        graphics->OpenWindow(nullptr);
        layer->RunFrame();
        layer->RunFrame();
    }
    bool Loaded() const { return graphics->GetControl(1)->GetRECT()->W() > 0; }
};

double Scale(const benchmark::State& state)
{
    return double(state.range(0)) / 100.0;
}

void BM_FullPaint(benchmark::State& state)
{
    Editor editor(Scale(state));
    if (!editor.Loaded())
        state.SkipWithError("artwork not found under " VELTAR_SOURCE_DIR "/resources/img");
    const IRECT all(0, 0, 352, 568);
    for (auto _ : state)
    {
        editor.graphics->SetAllControlsDirty();
        editor.graphics->Draw(all);
        benchmark::DoNotOptimize(editor.graphics->GetBits());
    }
}
BENCHMARK(BM_FullPaint)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

// One timer tick and the paint it asks for, after the host moved one knob.
void BM_RedrawOneKnob(benchmark::State& state)
{
    Editor editor(Scale(state));
    if (!editor.Loaded())
        state.SkipWithError("artwork not found under " VELTAR_SOURCE_DIR "/resources/img");
    int i = 0;
    for (auto _ : state)
    {
        editor.graphics->SetParameterFromPlug(0, double(++i % 61) / 60.0, true);
        editor.layer->RunFrame();
        editor.layer->RunFrame();
    }
}
BENCHMARK(BM_RedrawOneKnob)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

std::unique_ptr<Raster_IBitmap> Decode(const std::string& file, benchmark::State& state)
{
    const std::string path = std::string(VELTAR_SOURCE_DIR "/") + file;
    std::unique_ptr<Raster_IBitmap> bitmap(Raster_LoadPNG(path.c_str()));
    if (!bitmap)
        state.SkipWithError(("cannot decode " + path).c_str());
    return bitmap;
}

// What the first editor of a process costs until its panel is on the screen: decoding the
// bitmaps its scale needs (the process-wide cache keeps them for every later editor, so here
// they are decoded beside it), building the editor and its first paint.
void BM_FirstInstance(benchmark::State& state)
{
    const double scale = Scale(state);
    for (auto _ : state)
    {
        for (const Strip& s : kStrips)
        {
            benchmark::DoNotOptimize(Decode(s.file, state).get());
            if (scale > 1.0)
                benchmark::DoNotOptimize(Decode(HiResArtworkName(s.file), state).get());
        }
        Editor editor(scale);
        benchmark::DoNotOptimize(editor.graphics->GetBits());
    }
}
BENCHMARK(BM_FirstInstance)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void BM_DecodeAllPNGs(benchmark::State& state)
{
    for (auto _ : state)
        for (const Strip& s : kStrips)
            benchmark::DoNotOptimize(Decode(s.file, state).get());
}
BENCHMARK(BM_DecodeAllPNGs)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
