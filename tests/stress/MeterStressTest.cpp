// The level meters' hand-over between a host's audio thread and its UI thread, called the way
// hosts call: blocks of any size through IAudioProcessor::process on one thread, the editor's
// timer, clicks on the meters and the window opened and closed on another, no lock taken by the
// test. Built with -DVELTAR_SANITIZE=thread this must report no data race; the UI must still see
// every clip and the loudest peak.
#include "framework/core/LevelMeters.h"
#include "framework/graphics/IMeterControl.h"

#include "StressHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using stresstest::StressInstance;

namespace
{
constexpr double kRate = 48000.0;

// Plays a tone of random level in blocks of random length; every 50th block clips.
void Play(StressInstance& instance, unsigned seed, const std::atomic<bool>& stop, long& blocks)
{
    std::mt19937 rng(seed);
    std::vector<double> in[2];
    double phase = 0.0;
    while (!stop)
    {
        const size_t n = rng() % (StressInstance::kMaxBlock + 1);
        const double level = std::uniform_real_distribution<double>(0.01, 0.9)(rng);
        in[0].resize(n);
        for (size_t s = 0; s < n; ++s, phase += 0.07)
            in[0][s] = level * std::sin(phase);
        if (++blocks % 50 == 0 && n > 0)
            in[0][0] = 1.0;
        in[1] = in[0];
        instance.Process(in, nullptr);
    }
}

} // namespace

TEST(MeterStress, AudioAndEditorThreadsShareTheMetersWithoutALock)
{
    StressInstance instance(nullptr);
    ASSERT_NE(instance.Layer(), nullptr);
    instance.SetUp(kSample32);
    auto* editor = dynamic_cast<IGraphicsMac*>(instance.Plug().GetGUI());
    ASSERT_NE(editor, nullptr);
    HeadlessNativeLayer* layer = instance.Layer();
    auto* inputMeter = dynamic_cast<IMeterControl*>(editor->GetControl(editor->GetNControls() - 2));
    ASSERT_NE(inputMeter, nullptr);

    std::atomic<bool> stop{false};
    long blocks = 0;
    std::thread audio(Play, std::ref(instance), 11u, std::cref(stop), std::ref(blocks));
    long frames = 0, lampsSeen = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end)
    {
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
        ASSERT_NE(editor->OpenWindow(nullptr), nullptr);
    }
    stop = true;
    audio.join();
    EXPECT_GT(blocks, 100);
    EXPECT_GT(frames, 100);
    EXPECT_GT(lampsSeen, 2);
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
