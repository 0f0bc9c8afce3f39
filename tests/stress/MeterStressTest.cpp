// The level meters' hand-over between a host's audio thread and its UI thread, called the way
// hosts call: blocks of any size through IAudioProcessor::process on one thread, the editor's
// timer, clicks on the meters and the window opened and closed on another, no lock taken by the
// test. Built with -DVELTAR_SANITIZE=thread this must report no data race; the UI must still see
// every clip and the loudest peak.
#include "framework/core/LevelMeters.h"
#include "framework/graphics/IMeterControl.h"
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <random>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr int kMaxBlock = 512;
constexpr double kRate = 48000.0;

struct PlugRelease
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};

// Plays a tone of random level in blocks of random length; every 50th block clips.
void Play(IFxVST3& plug, unsigned seed, const std::atomic<bool>& stop, long& blocks)
{
    std::mt19937 rng(seed);
    std::vector<float> left(kMaxBlock), right(kMaxBlock);
    float* ins[2] = {left.data(), right.data()};
    std::vector<float> outLeft(kMaxBlock), outRight(kMaxBlock);
    float* outs[2] = {outLeft.data(), outRight.data()};
    AudioBusBuffers in, out;
    in.numChannels = out.numChannels = 2;
    in.channelBuffers32 = ins;
    out.channelBuffers32 = outs;
    ProcessData data;
    data.symbolicSampleSize = kSample32;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    double phase = 0.0;
    while (!stop)
    {
        const int n = int(rng() % (kMaxBlock + 1));
        const double level = std::uniform_real_distribution<double>(0.01, 0.9)(rng);
        for (int s = 0; s < n; ++s, phase += 0.07)
            left[size_t(s)] = right[size_t(s)] = float(level * std::sin(phase));
        if (++blocks % 50 == 0 && n > 0)
            left[0] = 1.0f;
        data.numSamples = n;
        plug.process(data);
    }
}

} // namespace

TEST(MeterStress, AudioAndEditorThreadsShareTheMetersWithoutALock)
{
    SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
    std::unique_ptr<IFxVST3, PlugRelease> plug(MakePlug());
    SetPlatformResourceRoot(nullptr);
    ASSERT_EQ(plug->initialize(nullptr), kResultOk);
    ProcessSetup setup = {kRealtime, kSample32, kMaxBlock, kRate};
    ASSERT_EQ(plug->setupProcessing(setup), kResultOk);
    ASSERT_EQ(plug->setActive(true), kResultOk);
    auto* editor = dynamic_cast<IGraphicsMac*>(plug->GetGUI());
    ASSERT_NE(editor, nullptr);
    auto* layer = static_cast<HeadlessNativeLayer*>(editor->GetNativeLayer());
    auto* inputMeter = dynamic_cast<IMeterControl*>(editor->GetControl(editor->GetNControls() - 2));
    ASSERT_NE(inputMeter, nullptr);

    std::atomic<bool> stop{false};
    long blocks = 0;
    std::thread audio(Play, std::ref(*plug), 11u, std::cref(stop), std::ref(blocks));
    long frames = 0, lampsSeen = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end)
    {
        ASSERT_NE(editor->OpenWindow(nullptr), nullptr);
        for (int i = 0; i < 20; ++i, ++frames)
        {
            layer->RunFrame();
            if (inputMeter->IsClipLit())
            {
                ++lampsSeen;
                layer->MouseDown(39, 300, IMouseMod(true));
                layer->MouseUp(39, 300, IMouseMod(true));
                EXPECT_FALSE(inputMeter->IsClipLit());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        editor->CloseWindow();
    }
    stop = true;
    audio.join();
    EXPECT_GT(blocks, 100);
    EXPECT_GT(frames, 100);
    EXPECT_GT(lampsSeen, 2);
    plug->setActive(false);
    plug->terminate();
}

// Measured on one thread, read on another as fast as it goes: the loudest peak and a clip reach
// the reader, whichever block they are in.
TEST(MeterStress, EveryPeakAndClipCrossesToTheReadingThread)
{
    LevelMeters meters;
    std::atomic<bool> done{false};
    std::thread producer(
        [&]
        {
            std::mt19937 rng(5);
            std::vector<double> block(64);
            for (int b = 0; b < 20000; ++b)
            {
                for (double& v : block)
                    v = std::uniform_real_distribution<double>(-0.5, 0.5)(rng);
                if (b == 9999)
                    block[7] = -1.25;
                const double* channel = block.data();
                meters.Measure(LevelMeters::kInputSide, &channel, 1, int(block.size()), kRate);
            }
            done = true;
        });
    double loudest = kLevelFloorDb;
    int clips = 0;
    for (bool last = false; !last;)
    {
        last = done;
        const LevelReading reading = meters.Read(LevelMeters::kInputSide, 0.001);
        loudest = std::max(loudest, reading.peakDb);
        clips += reading.clipped;
    }
    producer.join();
    EXPECT_EQ(loudest, LevelToDb(1.25));
    EXPECT_EQ(clips, 1);
}
