// VELTAR's editor from the built module, opened in an X11 window as a Linux host opens it:
// the Input knob dragged, the Bus switch clicked, the window captured. Needs an X display (CI
// runs these under xvfb-run); without one they are skipped.
#include "HostedPlugin.h"

#include "PlugFrame.h"
#include "RunLoop.h"
#include "X11TestDisplay.h"

#include "raster/RasterPNG.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using veltartest::HostedPlugin;

namespace
{

// The host's component handler: what the editor reported, as "b0", "p0", "e0", "b5" …
class EditLog : public Vst::IComponentHandler
{
public:
    tresult PLUGIN_API beginEdit(Vst::ParamID id) override { return Add('b', id); }
    tresult PLUGIN_API performEdit(Vst::ParamID id, Vst::ParamValue) override
    {
        return Add('p', id);
    }
    tresult PLUGIN_API endEdit(Vst::ParamID id) override { return Add('e', id); }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID, void** obj) override
    {
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 2; }
    uint32 PLUGIN_API release() override { return 1; }

    std::vector<std::string> edits;

private:
    tresult Add(char kind, Vst::ParamID id)
    {
        edits.push_back(kind + std::to_string(id));
        return kResultOk;
    }
};

constexpr int kInputX = 176, kInputY = 93; // centre of the Input knob
constexpr int kBusX = 312, kBusY = 192;    // centre of the Bus switch
constexpr Vst::ParamID kInputID = 0, kBusID = 5;

// Distinct colours in a rectangle of the capture: artwork has many, an unpainted window one.
size_t Colours(Raster_IBitmap* bitmap, int x, int y, int w, int h)
{
    std::set<Raster_Pixel> colours;
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            colours.insert(Raster_GetPixel(bitmap, i, j));
    return colours.size();
}

bool SameArea(Raster_IBitmap* a, Raster_IBitmap* b, int x, int y, int w, int h)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            if (Raster_GetPixel(a, i, j) != Raster_GetPixel(b, i, j))
                return false;
    return true;
}

// The window's capture once done(capture) holds: the editor draws on its own connection, which the
// server may serve after the test's, so a capture is retried for a while before it counts.
template <class Done>
std::unique_ptr<Raster_IBitmap> CaptureWhen(X11TestDisplay& x, unsigned long window, Done done)
{
    std::unique_ptr<Raster_IBitmap> capture;
    for (int i = 0; i < 50; ++i)
    {
        x.Sync();
        capture = x.Capture(window);
        if (!capture || done(capture.get()))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return capture;
}

TEST(VeltarX11Editor, KnobSwitchAndScreen)
{
    std::unique_ptr<X11TestDisplay> x = X11TestDisplay::Open();
    if (!x)
        GTEST_SKIP() << "no X display";
    HostedPlugin plug;
    EditLog handler;
    ASSERT_EQ(plug.controller->setComponentHandler(&handler), kResultOk);
    vst3host::RunLoop loop;
    vst3host::PlugFrame frame(&loop);
    IPlugView* view = plug.controller->createView(Vst::ViewType::kEditor);
    ASSERT_NE(view, nullptr);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 352);
    EXPECT_EQ(size.getHeight(), 568);
    ASSERT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultOk);
    view->setFrame(&frame);
    const unsigned long parent = x->CreateWindow(size.getWidth(), size.getHeight());
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)),
                             kPlatformTypeX11EmbedWindowID),
              kResultOk);
    const auto children = x->Children(parent);
    ASSERT_EQ(children.size(), 1u);
    const unsigned long editor = children[0];
    auto pump = [&]
    {
        x->Sync();
        loop.FireEvents();
        loop.FireTimers();
    };
    pump();
    std::unique_ptr<Raster_IBitmap> before =
        CaptureWhen(*x, editor, [](Raster_IBitmap* c) { return Colours(c, 0, 0, 352, 568) > 50u; });
    ASSERT_NE(before, nullptr);
    EXPECT_GT(Colours(before.get(), 0, 0, 352, 568), 50u);

    x->Press(editor, 1, kInputX, kInputY);
    for (int dy = 10; dy <= 60; dy += 10)
    {
        x->Motion(editor, kInputX, kInputY - dy, kHeldLeft);
        pump();
    }
    x->Release(editor, 1, kInputX, kInputY - 60, kHeldLeft);
    x->Press(editor, 1, kBusX, kBusY);
    x->Release(editor, 1, kBusX, kBusY);
    pump();

    // One gesture per control: the knob's begin, one perform per move and end, then the switch.
    const std::vector<std::string> expected = {"b0", "p0", "p0", "p0", "p0", "p0",
                                               "p0", "e0", "b5", "p5", "e5"};
    EXPECT_EQ(handler.edits, expected);
    EXPECT_EQ(plug.controller->getParamNormalized(kBusID), 0.0);
    EXPECT_GT(plug.controller->getParamNormalized(kInputID), 0.0);

    std::unique_ptr<Raster_IBitmap> after =
        CaptureWhen(*x, editor,
                    [&](Raster_IBitmap* c)
                    {
                        return !SameArea(before.get(), c, 102, 19, 148, 148) &&
                               !SameArea(before.get(), c, 278, 144, 69, 96);
                    });
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(SameArea(before.get(), after.get(), 102, 19, 148, 148));
    EXPECT_FALSE(SameArea(before.get(), after.get(), 278, 144, 69, 96));
    EXPECT_TRUE(SameArea(before.get(), after.get(), 0, 400, 40, 100));
    EXPECT_TRUE(Raster_WritePNG("veltar_x11_editor.png", after.get()));

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(loop.GetTimerCount(), 0);
    EXPECT_EQ(loop.GetEventHandlerCount(), 0);
    EXPECT_EQ(view->release(), 0u);
    plug.controller->setComponentHandler(nullptr);
    x->DestroyWindow(parent);
}

// A host whose desktop is scaled by 2: a 704 × 1136 editor drawn from the bundle's 2x artwork,
// whose knob follows the mouse where it is drawn.
TEST(VeltarX11Editor, ContentScale2)
{
    std::unique_ptr<X11TestDisplay> x = X11TestDisplay::Open();
    if (!x)
        GTEST_SKIP() << "no X display";
    HostedPlugin plug;
    EditLog handler;
    ASSERT_EQ(plug.controller->setComponentHandler(&handler), kResultOk);
    vst3host::RunLoop loop;
    vst3host::PlugFrame frame(&loop);
    IPlugView* view = plug.controller->createView(Vst::ViewType::kEditor);
    ASSERT_NE(view, nullptr);
    view->setFrame(&frame);
    {
        FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
        ASSERT_TRUE(scaling);
        ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
    }
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 704);
    EXPECT_EQ(size.getHeight(), 1136);
    const unsigned long parent = x->CreateWindow(size.getWidth(), size.getHeight());
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)),
                             kPlatformTypeX11EmbedWindowID),
              kResultOk);
    const unsigned long editor = x->Children(parent).at(0);
    auto pump = [&]
    {
        x->Sync();
        loop.FireEvents();
        loop.FireTimers();
    };
    pump();
    EXPECT_EQ(x->Size(editor), std::make_pair(704, 1136));
    std::unique_ptr<Raster_IBitmap> panel(
        Raster_LoadPNG(VELTAR_BUNDLE "/Contents/Resources/resources/img/BG@2x.png"));
    ASSERT_TRUE(panel);
    std::unique_ptr<Raster_IBitmap> screen = CaptureWhen(
        *x, editor, [&](Raster_IBitmap* c) { return SameArea(c, panel.get(), 0, 0, 704, 38); });
    ASSERT_TRUE(screen);
    // Above the first knob only the panel shows, pixel for pixel as the 2x artwork has it.
    EXPECT_TRUE(SameArea(screen.get(), panel.get(), 0, 0, 704, 38));

    x->Press(editor, 1, 2 * kInputX, 2 * kInputY);
    x->Motion(editor, 2 * kInputX, 2 * kInputY - 40, kHeldLeft);
    pump();
    x->Release(editor, 1, 2 * kInputX, 2 * kInputY - 40, kHeldLeft);
    pump();
    EXPECT_EQ(handler.edits, std::vector<std::string>({"b0", "p0", "e0"}));
    // 20 editor pixels of a 4 × 148 pixel sweep.
    EXPECT_NEAR(plug.controller->getParamNormalized(kInputID), 20.0 / (4.0 * 148.0), 1e-9);

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(view->release(), 0u);
    plug.controller->setComponentHandler(nullptr);
    x->DestroyWindow(parent);
}

// The editor of an instance opened in a window of a host whose desktop has that scale, with the
// host's run loop; closed and released with the holder.
struct OpenEditor
{
    OpenEditor(X11TestDisplay& display, HostedPlugin& plug, float scale) : x(display)
    {
        frame = std::make_unique<vst3host::PlugFrame>(&loop);
        view = plug.controller->createView(Vst::ViewType::kEditor);
        view->setFrame(frame.get());
        FUnknownPtr<IPlugViewContentScaleSupport> scaling(view);
        scaling->setContentScaleFactor(scale);
        ViewRect size;
        view->getSize(&size);
        parent = x.CreateWindow(size.getWidth(), size.getHeight());
        view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)),
                       kPlatformTypeX11EmbedWindowID);
        window = x.Children(parent).at(0);
    }
    ~OpenEditor()
    {
        view->removed();
        view->release();
        x.DestroyWindow(parent);
    }
    // One turn of the host's loop: events, then the editor's timer, which reads the meters.
    void Pump()
    {
        x.Sync();
        loop.FireEvents();
        loop.FireTimers();
    }

    X11TestDisplay& x;
    vst3host::RunLoop loop;
    std::unique_ptr<vst3host::PlugFrame> frame;
    IPlugView* view = nullptr;
    unsigned long parent = 0, window = 0;
};

// Where the meters and their lamps are on the panel (editor pixels).
struct Area
{
    int x, y, w, h;
};
constexpr Area kInputMeter = {31, 241, 16, 96}, kOutputMeter = {305, 241, 16, 96};
constexpr Area kInputLamp = {32, 242, 14, 14}, kInputBar = {31, 259, 16, 78};

bool SameArea(Raster_IBitmap* a, Raster_IBitmap* b, const Area& area, int scale)
{
    return SameArea(a, b, area.x * scale, area.y * scale, area.w * scale, area.h * scale);
}

// The host plays until the editor shows what done(capture) asks for, a block a turn of its
// loop and a turn every timer period, for at most ten seconds.
template <class Done>
std::unique_ptr<Raster_IBitmap> PlayUntil(OpenEditor& editor, HostedPlugin& plug,
                                          const veltartest::Stereo& block, Done done)
{
    std::unique_ptr<Raster_IBitmap> capture;
    for (int i = 0; i < 250; ++i)
    {
        plug.Process(block, {int(block.Size())});
        editor.Pump();
        capture = editor.x.Capture(editor.window);
        if (!capture || done(capture.get()))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
    return capture;
}

veltartest::Stereo Tone(double db, double hz, int frames)
{
    veltartest::Stereo s(static_cast<size_t>(frames));
    const double a = std::pow(10.0, db / 20.0);
    for (int n = 0; n < frames; ++n)
        s.left[size_t(n)] = s.right[size_t(n)] =
            a * std::sin(2.0 * std::acos(-1.0) * hz * n / 48000.0);
    return s;
}

class VeltarX11Meters : public ::testing::TestWithParam<int>
{
};

// The meters rise with a -6 dBFS tone in and out and fall back to the unlit face in silence; a
// full-scale sample lights the input's lamp, which stays lit through the silence until it is
// clicked. Pictures, not times: the ballistics' own figures are tested on the meters alone.
TEST_P(VeltarX11Meters, FollowTheSignalAndTheClipLampWaitsForAClick)
{
    std::unique_ptr<X11TestDisplay> x = X11TestDisplay::Open();
    if (!x)
        GTEST_SKIP() << "no X display";
    const int scale = GetParam();
    HostedPlugin plug;
    ASSERT_EQ(plug.Setup(48000.0, Vst::kSample64, 1024), kResultOk);
    OpenEditor editor(*x, plug, float(scale));
    const veltartest::Stereo silence(960), tone = Tone(-6.0, 997.0, 960);
    std::unique_ptr<Raster_IBitmap> quiet = PlayUntil(
        editor, plug, silence, [&](Raster_IBitmap* c) { return Colours(c, 0, 0, 352, 100) > 50u; });
    ASSERT_NE(quiet, nullptr);

    std::unique_ptr<Raster_IBitmap> playing =
        PlayUntil(editor, plug, tone,
                  [&](Raster_IBitmap* c)
                  {
                      return !SameArea(quiet.get(), c, kInputMeter, scale) &&
                             !SameArea(quiet.get(), c, kOutputMeter, scale);
                  });
    ASSERT_NE(playing, nullptr);
    EXPECT_FALSE(SameArea(quiet.get(), playing.get(), kInputMeter, scale));
    EXPECT_FALSE(SameArea(quiet.get(), playing.get(), kOutputMeter, scale));
    EXPECT_TRUE(SameArea(quiet.get(), playing.get(), kInputLamp, scale));
    EXPECT_TRUE(Raster_WritePNG(("veltar_x11_meters@" + std::to_string(scale) + "x.png").c_str(),
                                playing.get()));

    std::unique_ptr<Raster_IBitmap> fallen =
        PlayUntil(editor, plug, silence,
                  [&](Raster_IBitmap* c)
                  {
                      return SameArea(quiet.get(), c, kInputMeter, scale) &&
                             SameArea(quiet.get(), c, kOutputMeter, scale);
                  });
    ASSERT_NE(fallen, nullptr);
    EXPECT_TRUE(SameArea(quiet.get(), fallen.get(), kInputMeter, scale));
    EXPECT_TRUE(SameArea(quiet.get(), fallen.get(), kOutputMeter, scale));

    veltartest::Stereo clip = silence;
    clip.left[100] = 1.0;
    plug.Process(clip, {int(clip.Size())});
    std::unique_ptr<Raster_IBitmap> lit =
        PlayUntil(editor, plug, silence,
                  [&](Raster_IBitmap* c) { return !SameArea(quiet.get(), c, kInputLamp, scale); });
    ASSERT_NE(lit, nullptr);
    EXPECT_FALSE(SameArea(quiet.get(), lit.get(), kInputLamp, scale));
    // Long after the peak has fallen, the lamp is still lit.
    std::unique_ptr<Raster_IBitmap> later =
        PlayUntil(editor, plug, silence,
                  [&](Raster_IBitmap* c) { return SameArea(quiet.get(), c, kInputBar, scale); });
    ASSERT_NE(later, nullptr);
    EXPECT_FALSE(SameArea(quiet.get(), later.get(), kInputLamp, scale));

    const int cx = (kInputMeter.x + kInputMeter.w / 2) * scale, cy = 300 * scale;
    x->Press(editor.window, 1, cx, cy);
    x->Release(editor.window, 1, cx, cy);
    std::unique_ptr<Raster_IBitmap> cleared =
        PlayUntil(editor, plug, silence,
                  [&](Raster_IBitmap* c) { return SameArea(quiet.get(), c, kInputLamp, scale); });
    ASSERT_NE(cleared, nullptr);
    EXPECT_TRUE(SameArea(quiet.get(), cleared.get(), kInputMeter, scale));
}

INSTANTIATE_TEST_SUITE_P(Scales, VeltarX11Meters, ::testing::Values(1, 2));

} // namespace
