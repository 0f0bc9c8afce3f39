#include "GfxTestSupport.h"

#include "raster/RasterPNG.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace
{

StandInAdapter::Options EditorOptions(EAPI api)
{
    StandInAdapter::Options options;
    options.nParams = kNumParams;
    options.channelIO = "1-1 2-2";
    options.effectName = "GfxTest";
    options.uniqueID = 0x47667831; // "Gfx1"
    options.api = api;
    options.tempo = 120.0;
    return options;
}

} // namespace

GfxTestPlug::GfxTestPlug(EAPI api) : StandInAdapter(EditorOptions(api))
{
    GetParam(kInput)->InitDouble("Input", 0.0, 0.0, 24.0, 0.1, "dB");
    GetParam(kOutput)->InitDouble("Output", 0.0, -24.0, 24.0, 0.1, "dB");
    GetParam(kLow)->InitDouble("Low", 0.5, 0.0, 1.0, 0.01);
    GetParam(kHigh)->InitDouble("High", 0.5, 0.0, 1.0, 0.01);
    GetParam(kTransformer)->InitBool("Transformer", true);
    GetParam(kBus)->InitBool("Bus", true);
    GetParam(kModel)->InitEnum("Model", 0, 3);
    GetParam(kModel)->SetDisplayText(0, "Tube");
    GetParam(kModel)->SetDisplayText(1, "Line A");
    GetParam(kModel)->SetDisplayText(2, "Line B");
}

Raster_Pixel FramePixel(int resourceID, int frame)
{
    return Raster_RGBA(unsigned(frame), unsigned(resourceID), 7u, 255u);
}

bool WritePNG(const std::string& path, int width, int height, const std::vector<Raster_Pixel>& px)
{
    Raster_MemBitmap bitmap(width, height, 1);
    if (bitmap.getWidth() != width || bitmap.getHeight() != height)
        return false;
    std::copy(px.begin(), px.end(), bitmap.getBits());
    return Raster_WritePNG(path.c_str(), &bitmap);
}

namespace
{

void WriteStrip(const std::string& path, int id, int frameW, int frameH, int nFrames)
{
    std::vector<Raster_Pixel> px(size_t(frameW) * size_t(frameH) * size_t(nFrames));
    for (int f = 0; f < nFrames; ++f)
        for (int i = 0; i < frameW * frameH; ++i)
            px[size_t(f * frameW * frameH + i)] = FramePixel(id, f);
    WritePNG(path, frameW, frameH * nFrames, px);
}

} // namespace

TestResources::TestResources()
{
    std::filesystem::create_directories(mFolder.Path() / "resources" / "img");
    WriteStrip(ImagePath("BG.png"), 108, 352, 568, 1);
    WriteStrip(ImagePath("IN.png"), 101, kKnobSize, kKnobSize, 61);
    WriteStrip(ImagePath("OUT.png"), 102, kKnobSize, kKnobSize, 61);
    WriteStrip(ImagePath("LOW.png"), 104, kKnobSize, kKnobSize, 61);
    WriteStrip(ImagePath("HIGH.png"), 105, kKnobSize, kKnobSize, 61);
    WriteStrip(ImagePath("BUS.png"), 103, kSwitchW, kSwitchH, 2);
    WriteStrip(ImagePath("XFMR.png"), 107, kSwitchW, kSwitchH, 2);
    WriteStrip(ImagePath("MODEL.png"), 106, kModelW, kModelH, 3);
}

TestResources::~TestResources() = default;

IGraphicsMac* BuildTestEditor(GfxTestPlug* plug, const std::string& root,
                              HeadlessNativeLayer** layer)
{
    auto native = std::make_unique<HeadlessNativeLayer>(root.c_str());
    if (layer)
        *layer = native.get();
    IGraphicsMac* g = new IGraphicsMac(plug, 352, 568, 0, std::move(native));
    g->SetBundleID("com.QuillstoneAudio.vst3.VELTAR");
    g->AttachBackground(108, "resources/img/BG.png");
    struct Knob
    {
        int x, y, param, id;
        const char* file;
    };
    const Knob knobs[] = {{102, 19, 0, 101, "resources/img/IN.png"},
                          {102, 187, 1, 102, "resources/img/OUT.png"},
                          {47, 347, 2, 104, "resources/img/LOW.png"},
                          {217, 347, 3, 105, "resources/img/HIGH.png"}};
    for (const Knob& k : knobs)
        g->AttachControl(new IKnobMultiControl(plug, k.x, k.y, k.param,
                                               g->LoadIBitmap(k.id, k.file, 61), kVertical, 4.0));
    const Knob switches[] = {{278, 144, 5, 103, "resources/img/BUS.png"},
                             {5, 144, 4, 107, "resources/img/XFMR.png"},
                             {105, 455, 6, 106, "resources/img/MODEL.png"}};
    for (const Knob& s : switches)
    {
        const int frames = s.id == 106 ? 3 : 2;
        g->AttachControl(
            new ISwitchControl(plug, s.x, s.y, s.param, g->LoadIBitmap(s.id, s.file, frames)));
    }
    plug->AttachGraphics(g);
    return g;
}

TestResources* EditorTest::sResources = nullptr;
