// Oversampling in the plug-in object, linked in and driven as a host and a user drive it: the
// panel menu, what the host hears of a change (latency, a changed project), the process mode's
// factor, a factor changed between blocks, and the meters at every factor.
#include "plugin/VELTAR.h"

#include "HeadlessPanelTest.h"
#include "StereoSignal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

class OversamplingPlugin : public HeadlessPanelTest
{
};

// Texts and ticks of a submenu, a tick shown as "*" before the text.
std::vector<std::string> Ticked(const HeadlessNativeLayer::ShownMenuItem& item)
{
    std::vector<std::string> out;
    for (const auto& entry : item.submenu)
        out.push_back((entry.checked ? "*" : "") + entry.text);
    return out;
}

TEST_F(OversamplingPlugin, PanelMenuOffersBothFactorsBelowTheZoomWithTheChoiceTicked)
{
    auto menu = Menu();
    ASSERT_EQ(menu.size(), 8u);
    EXPECT_EQ(menu[0].text, "Zoom 100%");
    EXPECT_EQ(menu[4].text, "Oversampling");
    EXPECT_EQ(Ticked(menu[4]), (std::vector<std::string>{"*Off", "2×", "4×", "8×"}));
    EXPECT_EQ(menu[5].text, "Oversampling when rendering");
    EXPECT_EQ(Ticked(menu[5]), (std::vector<std::string>{"*Same", "2×", "4×", "8×"}));
    EXPECT_EQ(menu[7].text, "Presets");

    ASSERT_TRUE(Choose("Oversampling", "4×"));
    ASSERT_TRUE(Choose("Oversampling when rendering", "8×"));
    menu = Menu();
    EXPECT_EQ(Ticked(menu[4]), (std::vector<std::string>{"Off", "2×", "*4×", "8×"}));
    EXPECT_EQ(Ticked(menu[5]), (std::vector<std::string>{"Same", "2×", "4×", "*8×"}));
    EXPECT_EQ(plug->GetOversampling(), (OversamplingChoice{4, 8}));
}

TEST_F(OversamplingPlugin, ChoiceInTheEditorTellsTheHostTheNewLatencyAndAChangedProject)
{
    EXPECT_EQ(plug->getLatencySamples(), 0u);
    for (const char* factor : {"2×", "4×", "8×", "Off"})
    {
        SCOPED_TRACE(factor);
        handler.Clear();
        ASSERT_TRUE(Choose("Oversampling", factor));
        const int chosen = factor[0] == 'O' ? 1 : factor[0] - '0';
        EXPECT_EQ(plug->getLatencySamples(),
                  static_cast<uint32>(Oversampler::LatencyFrames(chosen)));
        EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kLatencyChanged});
        EXPECT_EQ(handler.GetRestartThreads(),
                  std::vector<std::thread::id>{std::this_thread::get_id()});
        EXPECT_EQ(handler.GetDirtyMarks(), std::vector<bool>{true});
    }
    // The factor for rendering does not change the realtime latency; the same choice again is no
    // change at all.
    handler.Clear();
    ASSERT_TRUE(Choose("Oversampling when rendering", "8×"));
    ASSERT_TRUE(Choose("Oversampling", "Off"));
    EXPECT_TRUE(handler.GetRestartFlags().empty());
    EXPECT_EQ(handler.GetDirtyMarks(), std::vector<bool>{true});
}

TEST_F(OversamplingPlugin, TheProcessModeSaysWhichFactorIsInEffect)
{
    plug->SetOversampling({2, 8});
    ProcessSetup offline = {kOffline, kSample32, 512, 48000.0};
    ProcessSetup realtime = {kRealtime, kSample32, 512, 48000.0};
    handler.Clear();
    ASSERT_EQ(plug->setupProcessing(offline), kResultOk);
    EXPECT_EQ(plug->getLatencySamples(), static_cast<uint32>(Oversampler::LatencyFrames(8)));
    ASSERT_EQ(plug->setupProcessing(realtime), kResultOk);
    EXPECT_EQ(plug->getLatencySamples(), static_cast<uint32>(Oversampler::LatencyFrames(2)));
    // The host reads the latency after a setup of its own; a choice made offline is announced.
    EXPECT_TRUE(handler.GetRestartFlags().empty());
    ASSERT_EQ(plug->setupProcessing(offline), kResultOk);
    plug->SetOversamplingFromGUI({2, OversamplingChoice::kSameAsRealtime});
    EXPECT_EQ(plug->getLatencySamples(), static_cast<uint32>(Oversampler::LatencyFrames(2)));
    EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kLatencyChanged});
}

TEST_F(OversamplingPlugin, AFactorChangedBetweenBlocksTakesEffectAtTheNextOne)
{
    // Oversampled at low drive, the chain's output is the chain's at the host rate delayed by the
    // latency, to within the filters' accuracy and the gains' rise over those few frames.
    constexpr size_t kFrames = 24000;
    veltartest::Stereo in(kFrames), out(kFrames);
    for (size_t n = 0; n < kFrames; ++n)
        in.left[n] = in.right[n] = 0.01 * std::sin(6.283185307179586 * 1000.0 / 48000.0 * n);
    plug->SetSampleRate(48000.0);
    ChannelStrip chain;
    const veltartest::Stereo reference =
        veltartest::RunChain(chain, in, {48000.0, 1.0, 1.0, 0.5, 0.5, 1, 1, 0});
    const size_t half = kFrames / 2;
    for (size_t pos = 0; pos < kFrames; pos += 500)
    {
        if (pos == half)
            plug->SetOversamplingFromGUI({4, OversamplingChoice::kSameAsRealtime});
        double* inputs[2] = {in.left.data() + pos, in.right.data() + pos};
        double* outputs[2] = {out.left.data() + pos, out.right.data() + pos};
        plug->ProcessDoubleReplacing(inputs, outputs, 500);
    }
    for (size_t n = 0; n < half; ++n)
        ASSERT_EQ(out.left[n], reference.left[n]) << n;
    const size_t latency = static_cast<size_t>(Oversampler::LatencyFrames(4));
    // The new filters start from silence: only their outermost taps reach the first frames; once
    // they are full, the delayed signal comes out.
    for (size_t n = half; n < half + latency / 4; ++n)
        ASSERT_LT(std::fabs(out.left[n]), 1e-6) << n;
    for (size_t n = half + 2 * latency; n < kFrames; ++n)
        ASSERT_NEAR(out.left[n], reference.left[n - latency], 1e-4) << n;
}

// At the host's rate the chain measures as it goes, oversampled the plug-in scans the host's
// buffers: either way the meters read the samples the host gave and got.
TEST_F(OversamplingPlugin, TheMetersReadTheHostsSamplesAtEveryFactor)
{
    constexpr int kBlock = 256;
    plug->SetSampleRate(48000.0);
    plug->SetBlockSize(kBlock);
    plug->SetInputChannelConnections(0, 2, true);
    plug->SetOutputChannelConnections(0, 2, true);
    veltartest::Stereo in(kBlock), out(kBlock);
    for (size_t n = 0; n < kBlock; ++n)
    {
        in.left[n] = 0.8 * std::sin(0.3 * double(n));
        in.right[n] = -0.3 * std::cos(0.11 * double(n));
    }
    const auto expectLevels = [](const LevelBlock& block, const veltartest::Stereo& signal)
    {
        double peak = 0.0, sum = 0.0;
        for (const std::vector<double>* channel : {&signal.left, &signal.right})
            for (double x : *channel)
            {
                peak = std::max(peak, std::fabs(x));
                sum += x * x;
            }
        EXPECT_EQ(block.peak, peak);
        EXPECT_NEAR(block.meanSquare, sum / (2 * kBlock), 1e-12);
    };
    for (int factor : {1, 2, 8, 1})
    {
        SCOPED_TRACE(factor);
        ASSERT_TRUE(plug->SetOversampling({factor, OversamplingChoice::kSameAsRealtime}));
        double* inputs[2] = {in.left.data(), in.right.data()};
        double* outputs[2] = {out.left.data(), out.right.data()};
        plug->AttachInputBuffers(0, 2, inputs, kBlock);
        plug->AttachOutputBuffers(0, 2, outputs);
        plug->ProcessBuffers(0.0, kBlock);
        const LevelMeters& meters = *plug->GetLevelMeters();
        expectLevels(meters.LastBlock(LevelMeters::kInputSide), in);
        expectLevels(meters.LastBlock(LevelMeters::kOutputSide), out);
    }
}

} // namespace

TEST_F(OversamplingPlugin, ProgramFilesAndPresetsLeaveTheSessionsFactorsAlone)
{
    plug->SetOversampling({4, 8});
    ByteChunk program;
    ASSERT_TRUE(plug->SaveProgramToChunk(&program));
    EXPECT_EQ(program.Size(), 84);
    PlugPtr other(MakePlug());
    other->initialize(nullptr);
    ASSERT_TRUE(
        other->LoadProgramFromMemory(program.GetBytes(), static_cast<size_t>(program.Size())));
    EXPECT_EQ(other->GetOversampling(), OversamplingChoice());
    plug->SetOversampling({2, OversamplingChoice::kSameAsRealtime});
    ASSERT_TRUE(
        plug->LoadProgramFromMemory(program.GetBytes(), static_cast<size_t>(program.Size())));
    EXPECT_TRUE(plug->RestorePreset(0));
    EXPECT_EQ(plug->GetOversampling(),
              (OversamplingChoice{2, OversamplingChoice::kSameAsRealtime}));
}
