// The levels the chain measures as it passes the samples are those of the buffers it read and
// wrote, on every code path and block length, in place, with a switch that holds a stage, and
// with samples that are not numbers; asking for them leaves the sound as it is.
#include "framework/core/ChannelLevels.h"
#include "plugin/ChannelStrip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace
{

std::vector<ChannelStripPath> Paths()
{
    std::vector<ChannelStripPath> paths = {BaselineChannelStripPath()};
    if (FastestChannelStripPath() != paths.front())
        paths.push_back(FastestChannelStripPath());
    return paths;
}

ChannelLevels Scan(const std::vector<double>& samples, size_t from, int n)
{
    const double* channel = samples.data() + from;
    return ScanChannelLevels(&channel, 1, n);
}

// The peak exactly; the sum as a different order of adding leaves it.
void ExpectLevels(const ChannelLevels& measured, const ChannelLevels& scanned)
{
    EXPECT_EQ(measured.peak, scanned.peak);
    if (std::isnan(scanned.sumSquares))
        EXPECT_TRUE(std::isnan(measured.sumSquares));
    else
        EXPECT_NEAR(measured.sumSquares, scanned.sumSquares, 1e-12 * scanned.sumSquares);
}

TEST(ChannelStripLevels, AreTheLevelsOfTheBuffersReadAndWrittenAndLeaveTheSoundAlone)
{
    constexpr size_t kTotal = 6000;
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> sample(-1.4, 1.4);
    std::vector<double> in[2] = {std::vector<double>(kTotal), std::vector<double>(kTotal)};
    for (auto& channel : in)
        for (double& x : channel)
            x = sample(rng);
    in[1][4321] = std::numeric_limits<double>::quiet_NaN();
    in[0][5000] = -3.5; // the loudest, where no NaN is

    for (ChannelStripPath path : Paths())
        for (int block : {1, 7, 16, 17, 100, 256, 1000})
        {
            SCOPED_TRACE(block);
            ChannelStrip measuring, plain;
            measuring.mPath = plain.mPath = path;
            std::vector<double> out[2] = {std::vector<double>(kTotal), std::vector<double>(kTotal)};
            std::vector<double> expected[2] = {out[0], out[1]};
            int blocks = 0;
            for (size_t pos = 0; pos < kTotal; pos += size_t(block), ++blocks)
            {
                const int n = int(std::min<size_t>(size_t(block), kTotal - pos));
                // The switches move, holding the input transformer or the bus at times.
                const ChannelStripSettings s = {
                    48000.0,    blocks % 5 ? 1.5 : 0.5, 1.0,       0.3, 0.8,
                    blocks % 3, (blocks / 3) % 3,       blocks % 4};
                const double* inputs[2] = {in[0].data() + pos, in[1].data() + pos};
                double* outputs[2] = {out[0].data() + pos, out[1].data() + pos};
                double* plainOutputs[2] = {expected[0].data() + pos, expected[1].data() + pos};
                ChannelStripLevels levels;
                measuring.Process(inputs, outputs, n, s, &levels);
                plain.Process(inputs, plainOutputs, n, s);
                for (int c = 0; c < 2; ++c)
                {
                    ExpectLevels(levels.in[c], Scan(in[c], pos, n));
                    ExpectLevels(levels.out[c], Scan(out[c], pos, n));
                }
            }
            for (int c = 0; c < 2; ++c)
                for (size_t i = 0; i < kTotal; ++i)
                    ASSERT_EQ(std::memcmp(&out[c][i], &expected[c][i], sizeof(double)), 0) << i;
        }
}

// The input is measured before the output written into the same buffer replaces it.
TEST(ChannelStripLevels, InPlaceBuffersMeasureTheInputAsItWas)
{
    for (ChannelStripPath path : Paths())
    {
        ChannelStrip strip;
        strip.mPath = path;
        std::vector<double> left(300), right(300);
        for (size_t i = 0; i < left.size(); ++i)
        {
            left[i] = 0.9 * std::sin(0.05 * double(i));
            right[i] = -0.4 * std::cos(0.07 * double(i));
        }
        const std::vector<double> original[2] = {left, right};
        double* buffers[2] = {left.data(), right.data()};
        ChannelStripSettings s = {44100.0, 4.0, 1.0, 0.5, 0.5, 0, 0, 1};
        ChannelStripLevels levels;
        strip.Process(buffers, buffers, 300, s, &levels);
        ExpectLevels(levels.in[0], Scan(original[0], 0, 300));
        ExpectLevels(levels.in[1], Scan(original[1], 0, 300));
        ExpectLevels(levels.out[0], Scan(left, 0, 300));
        ExpectLevels(levels.out[1], Scan(right, 0, 300));
    }
}

// Where the chain does not run, the input is measured as it is and the output is silence.
TEST(ChannelStripLevels, ABadRateOrNoFramesStillGiveLevels)
{
    std::vector<double> left(64, 0.5), right(64, -0.25), outL(64), outR(64);
    const double* inputs[2] = {left.data(), right.data()};
    double* outputs[2] = {outL.data(), outR.data()};
    ChannelStrip strip;
    ChannelStripLevels levels;
    levels.out[0].peak = 7.0;
    strip.Process(inputs, outputs, 64, {0.0, 1.0, 1.0, 0.5, 0.5, 1, 1, 0}, &levels);
    EXPECT_EQ(levels.in[0].peak, 0.5);
    EXPECT_EQ(levels.in[1].sumSquares, 64 * 0.0625);
    EXPECT_EQ(levels.out[0].peak, 0.0);
    EXPECT_EQ(levels.out[1].sumSquares, 0.0);

    levels.in[0].peak = 7.0;
    strip.Process(inputs, outputs, 0, {48000.0, 1.0, 1.0, 0.5, 0.5, 1, 1, 0}, &levels);
    EXPECT_EQ(levels.in[0].peak, 0.0);
    EXPECT_EQ(levels.in[0].sumSquares, 0.0);
}

} // namespace
