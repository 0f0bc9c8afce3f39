#include "SignalStats.h"
#include "DemoSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using namespace veltar_render;

namespace
{
constexpr double kPi = 3.14159265358979323846;
}

TEST(RenderSignalStats, SineAndDirectCurrentLevels)
{
    // One full-scale sine over whole periods and a steady half-scale level.
    const int frames = 4800;
    std::vector<double> sine(frames);
    std::vector<double> level(frames, -0.5);
    for (int i = 0; i < frames; ++i)
    {
        sine[i] = std::sin(2.0 * kPi * 100.0 * i / 48000.0);
    }
    const double* channels[] = {sine.data(), level.data()};
    SignalStats stats(2);
    stats.Add(channels, frames);

    EXPECT_EQ(stats.GetFrames(), frames);
    EXPECT_NEAR(stats.GetPeak(0), 1.0, 1e-12);
    EXPECT_NEAR(stats.GetRms(0), std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(ToDbfs(stats.GetRms(0)), -3.0103, 1e-4);
    EXPECT_EQ(stats.GetPeak(1), 0.5);
    EXPECT_NEAR(stats.GetRms(1), 0.5, 1e-15);
    EXPECT_NEAR(ToDbfs(stats.GetPeak(1)), -6.0206, 1e-4);
    EXPECT_FALSE(stats.HasNonFinite());
}

TEST(RenderSignalStats, BlocksAddUpToTheWholeSignal)
{
    std::vector<double> signal(1000);
    for (size_t i = 0; i < signal.size(); ++i)
    {
        signal[i] = std::sin(0.013 * static_cast<double>(i)) * (i % 7 == 0 ? -0.9 : 0.3);
    }
    SignalStats whole(1);
    const double* all[] = {signal.data()};
    whole.Add(all, 1000);
    SignalStats blocks(1);
    for (size_t start = 0; start < signal.size(); start += 333)
    {
        const double* part[] = {signal.data() + start};
        blocks.Add(part, std::min<int64_t>(333, 1000 - static_cast<int64_t>(start)));
    }
    EXPECT_EQ(blocks.GetFrames(), 1000);
    EXPECT_EQ(blocks.GetPeak(0), whole.GetPeak(0));
    EXPECT_NEAR(blocks.GetRms(0), whole.GetRms(0), 1e-15);
}

TEST(RenderSignalStats, SilenceAndNothingAreMinusInfinity)
{
    SignalStats empty(1);
    EXPECT_EQ(empty.GetRms(0), 0.0);
    EXPECT_EQ(ToDbfs(empty.GetPeak(0)), -std::numeric_limits<double>::infinity());

    std::vector<double> zeros(10, 0.0);
    const double* channels[] = {zeros.data()};
    SignalStats silent(1);
    silent.Add(channels, 10);
    EXPECT_EQ(ToDbfs(silent.GetRms(0)), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ToDbfs(1.0), 0.0);
}

TEST(RenderSignalStats, NonFiniteSamplesAreFlaggedNotCounted)
{
    std::vector<double> samples = {0.25, std::numeric_limits<double>::quiet_NaN(), -0.5,
                                   std::numeric_limits<double>::infinity()};
    const double* channels[] = {samples.data()};
    SignalStats stats(1);
    stats.Add(channels, 4);
    EXPECT_TRUE(stats.HasNonFinite());
    EXPECT_EQ(stats.GetPeak(0), 0.5);
    EXPECT_TRUE(std::isfinite(stats.GetRms(0)));
    EXPECT_EQ(stats.GetNonFiniteCount(), 2);
    EXPECT_EQ(stats.GetFirstNonFiniteFrame(), 1);
}

TEST(RenderSignalStats, NonFiniteSamplesAreCountedAcrossBlocksAndChannels)
{
    // Long blocks in float, as the renderer passes them; the first bad sample is on the right.
    std::vector<float> left(1000, 0.5f);
    std::vector<float> right(1000, -0.25f);
    left[900] = std::numeric_limits<float>::infinity();
    right[300] = std::numeric_limits<float>::quiet_NaN();
    const float* channels[] = {left.data(), right.data()};
    SignalStats stats(2);
    stats.Add(channels, 1000);
    const float* later[] = {right.data(), left.data()};
    stats.Add(later, 1000);
    EXPECT_EQ(stats.GetNonFiniteCount(), 4);
    EXPECT_EQ(stats.GetFirstNonFiniteFrame(), 300);
    EXPECT_EQ(stats.GetPeak(0), 0.5);
    EXPECT_EQ(stats.GetPeak(1), 0.5);
    EXPECT_NEAR(stats.GetRms(0), std::sqrt((999 * 0.25 + 999 * 0.0625) / 2000), 1e-12);
}

TEST(RenderDemoSignal, SixStereoSecondsPeakingAtMinusSixDb)
{
    const auto demo = MakeDemoSignal();
    ASSERT_EQ(demo.size(), 2u);
    ASSERT_EQ(demo[0].size(), static_cast<size_t>(6 * kDemoSampleRate));
    ASSERT_EQ(demo[1].size(), demo[0].size());
    SignalStats stats(2);
    const double* channels[] = {demo[0].data(), demo[1].data()};
    stats.Add(channels, static_cast<int64_t>(demo[0].size()));
    EXPECT_NEAR(std::max(stats.GetPeak(0), stats.GetPeak(1)), 0.5, 1e-12);
    // Both channels carry sound, and not the same sound: the strings are spread across the field.
    EXPECT_GT(stats.GetRms(0), 0.01);
    EXPECT_GT(stats.GetRms(1), 0.01);
    EXPECT_NE(demo[0], demo[1]);
    EXPECT_EQ(MakeDemoSignal(), demo);
}
