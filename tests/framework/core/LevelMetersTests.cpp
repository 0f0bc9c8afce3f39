// The level meters: readings against a reference computed plainly from the samples, the hold,
// fall and averaging times, the hand-over between the threads losing and repeating nothing, the
// fast scan against the plain one, and the base measuring what a host connected.
#include "framework/core/ChannelLevels.h"
#include "framework/core/LevelMeters.h"

#include "TestAdapter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace
{
constexpr double kRate = 48000.0;
constexpr int kTickFrames = 1920; // the editor's 25 Hz timer at 48 kHz
constexpr double kTick = kTickFrames / kRate;
const double kPi = std::acos(-1.0);

std::vector<double> Sine(double db, double hz, int frames, double phase = 0.0)
{
    std::vector<double> x(static_cast<size_t>(frames));
    const double a = std::pow(10.0, db / 20.0);
    for (int n = 0; n < frames; ++n)
        x[size_t(n)] = a * std::sin(2.0 * kPi * hz * n / kRate + phase);
    return x;
}

double ReferencePeakDb(const std::vector<double>& x)
{
    double peak = 0.0;
    for (double v : x)
        peak = std::max(peak, std::fabs(v));
    return 20.0 * std::log10(peak);
}

double ReferenceRmsDb(const std::vector<double>& x)
{
    double sum = 0.0;
    for (double v : x)
        sum += v * v;
    return 10.0 * std::log10(sum / double(x.size()));
}

// Measures channels in blocks and reads the meter once every timer tick of audio; answers the
// last reading.
LevelReading Meter(LevelMeters& meters, const std::vector<std::vector<double>>& channels, int block)
{
    LevelReading reading = meters.Read(LevelMeters::kInputSide, kTick);
    const int frames = int(channels[0].size());
    for (int pos = 0, sinceTick = 0; pos < frames; pos += block)
    {
        const int n = std::min(block, frames - pos);
        const double* ptrs[2] = {channels[0].data() + pos,
                                 channels[channels.size() - 1].data() + pos};
        meters.Measure(LevelMeters::kInputSide, ptrs, int(channels.size()), n, kRate);
        sinceTick += n;
        if (sinceTick >= kTickFrames)
        {
            reading = meters.Read(LevelMeters::kInputSide, kTick);
            sinceTick -= kTickFrames;
        }
    }
    return reading;
}

} // namespace

TEST(LevelMeters, ReadWhatAReferenceMeterReadsOfASineAtMinus6dBFS)
{
    // Two seconds, long after the average has settled; a frequency that shares no period with
    // the blocks or the ticks.
    const std::vector<double> left = Sine(-6.0, 997.0, 2 * int(kRate));
    const std::vector<double> right = Sine(-6.0, 997.0, 2 * int(kRate), 1.0);
    ASSERT_NEAR(ReferencePeakDb(left), -6.0, 0.01);
    ASSERT_NEAR(ReferenceRmsDb(left), -9.01, 0.01);
    for (int block : {16, 256, 4096})
    {
        SCOPED_TRACE(block);
        LevelMeters stereo, mono;
        const LevelReading both = Meter(stereo, {left, right}, block);
        EXPECT_NEAR(both.peakDb, ReferencePeakDb(left), 0.5);
        EXPECT_NEAR(both.rmsDb, ReferenceRmsDb(left), 0.5);
        EXPECT_FALSE(both.clipped);
        // The mean over the channels: one channel of the same signal reads the same.
        const LevelReading one = Meter(mono, {left}, block);
        EXPECT_NEAR(one.rmsDb, both.rmsDb, 0.05);
    }
}

TEST(LevelBallistics, HoldThePeakThenFallAtTheirRateAndAverageOverTheirTime)
{
    PeakHold meter;
    meter.Advance(1.0, kTick);
    double held = 0.0, at6 = -1.0, at36 = -1.0;
    for (double t = kTick; t < 6.0; t += kTick)
    {
        meter.Advance(0.0, kTick);
        if (meter.Db() > -0.01)
            held = t;
        if (at6 < 0.0 && meter.Db() <= -6.0)
            at6 = t;
        if (at36 < 0.0 && meter.Db() <= -36.0)
            at36 = t;
    }
    EXPECT_NEAR(held, PeakHold::kHoldSeconds, 0.1 * PeakHold::kHoldSeconds);
    const double fall = 30.0 / (at36 - at6);
    EXPECT_NEAR(fall, PeakHold::kFallDbPerSecond, 0.1 * PeakHold::kFallDbPerSecond);
    EXPECT_EQ(meter.Db(), kLevelFloorDb);

    // The same peak again while it is held starts the hold again.
    PeakHold again;
    again.Advance(0.5, kTick);
    again.Advance(0.0, 1.0);
    again.Advance(0.5, kTick);
    again.Advance(0.0, 1.0);
    EXPECT_EQ(again.Db(), LevelToDb(0.5));

    // The mean square of a step reaches 1 - 1/e of its new value after the averaging time,
    // whatever the blocks.
    for (double block : {kTick / 8, kTick, 0.1})
    {
        MeanSquareAverage average;
        double reached = 0.0;
        for (double t = block; reached == 0.0 && t < 2.0; t += block)
        {
            average.Add(1.0, block);
            if (average.Value() >= 1.0 - std::exp(-1.0) - 1e-12)
                reached = t;
        }
        EXPECT_NEAR(reached, MeanSquareAverage::kSeconds, std::max(block, 0.01)) << block;
    }
}

// The peak and the clip of every block reach the reader once, however small the blocks and
// however seldom it reads, and at once: the last block before a host stops is not kept back.
TEST(LevelMeters, EveryBlocksPeakAndClipAreReadExactlyOnce)
{
    std::mt19937 rng(7);
    LevelMeters meters;
    meters.Read(LevelMeters::kOutputSide, kTick);
    double highestRead = 0.0;
    int clipsRead = 0;
    for (int i = 0; i < 20000; ++i)
    {
        std::vector<double> block(1 + rng() % 64);
        for (double& v : block)
            v = std::uniform_real_distribution<double>(-0.5, 0.5)(rng);
        if (i == 12345)
            block[0] = -0.9;
        if (i == 777)
            block.back() = 1.0;
        const double* channel = block.data();
        meters.Measure(LevelMeters::kOutputSide, &channel, 1, int(block.size()), kRate);
        if (rng() % 97 == 0 || i == 12345)
        {
            // Read at once; a reading after it finds nothing new.
            const LevelReading reading = meters.Read(LevelMeters::kOutputSide, kTick);
            clipsRead += reading.clipped;
            if (i == 12345)
            {
                EXPECT_EQ(reading.peakDb, LevelToDb(0.9));
            }
            highestRead = std::max(highestRead, reading.peakDb);
        }
    }
    EXPECT_EQ(highestRead, LevelToDb(1.0));
    EXPECT_EQ(clipsRead, 1);
    EXPECT_FALSE(meters.Read(LevelMeters::kOutputSide, kTick).clipped);
}

TEST(LevelMeters, AMeterWithoutBlocksFallsAsInSilence)
{
    LevelMeters meters;
    const std::vector<double> tone = Sine(-6.0, 997.0, int(kRate));
    const double* channel = tone.data();
    meters.Read(LevelMeters::kInputSide, kTick);
    meters.Measure(LevelMeters::kInputSide, &channel, 1, int(tone.size()), kRate);
    const double rms = meters.Read(LevelMeters::kInputSide, kTick).rmsDb;
    // Ticks without a block (a host with long blocks) keep the mean level for a while...
    EXPECT_EQ(meters.Read(LevelMeters::kInputSide, MeanSquareAverage::kSeconds / 2).rmsDb, rms);
    // ...a host that stopped processing lets it fall, and the peak with it.
    LevelReading reading;
    for (int i = 0; i < 200; ++i)
        reading = meters.Read(LevelMeters::kInputSide, kTick);
    EXPECT_EQ(reading.rmsDb, kLevelFloorDb);
    EXPECT_EQ(reading.peakDb, kLevelFloorDb);
}

TEST(LevelMeters, AMeterNotReadForLongerThanTheHoldStartsAfreshButShowsAClip)
{
    LevelMeters meters;
    const std::vector<double> loud = {0.5, -1.0, 0.25};
    const double* channel = loud.data();
    meters.Read(LevelMeters::kOutputSide, kTick);
    meters.Measure(LevelMeters::kOutputSide, &channel, 1, 3, kRate);
    const LevelReading first =
        meters.Read(LevelMeters::kOutputSide, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(first.clipped);
    EXPECT_EQ(first.peakDb, kLevelFloorDb);
    const LevelReading next = meters.Read(LevelMeters::kOutputSide, kTick);
    EXPECT_FALSE(next.clipped);
    EXPECT_EQ(next.peakDb, kLevelFloorDb);
}

TEST(LevelMeters, SamplesThatAreNotNumbersLeaveTheReadingsNumbers)
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> x = {0.25, std::nan(""), -0.5, -std::nan(""), 0.125};
    const double* channel = x.data();
    const ChannelLevels plain = ScanChannelLevels(&channel, 1, int(x.size()));
    EXPECT_EQ(plain.peak, 0.5);
    EXPECT_TRUE(std::isnan(plain.sumSquares));

    LevelMeters meters;
    meters.Read(LevelMeters::kInputSide, inf);
    meters.Measure(LevelMeters::kInputSide, &channel, 1, int(x.size()), kRate);
    EXPECT_EQ(meters.LastBlock(LevelMeters::kInputSide).peak, 0.5);
    EXPECT_EQ(meters.LastBlock(LevelMeters::kInputSide).meanSquare, 0.0);
    x[0] = inf;
    meters.Measure(LevelMeters::kInputSide, &channel, 1, int(x.size()), kRate);
    const LevelReading reading = meters.Read(LevelMeters::kInputSide, kTick);
    EXPECT_TRUE(reading.clipped);
    EXPECT_EQ(reading.peakDb, kLevelCeilingDb);
    EXPECT_TRUE(std::isfinite(reading.rmsDb));
}

// The fast path runs sixteen samples a round in four sums, then the plain scan on the rest of
// each channel: every length, start and channel count must give the plain scan's peak and,
// within rounding, its sum.
TEST(ChannelLevels, FastestScanAgreesWithThePlainOne)
{
    const ChannelLevelScan fast = FastestChannelLevelScan();
    std::mt19937 rng(3);
    std::vector<double> x(300);
    for (double& v : x)
        v = std::uniform_real_distribution<double>(-2.0, 2.0)(rng);
    x[137] = -7.5; // the peak, negative, inside a round of sixteen
    x[297] = 6.5;  // the second channel's peak, in its tail
    for (int nChannels : {1, 2})
        for (int offset = 0; offset < 4; ++offset)
            for (int n = 0; n + offset + 150 <= int(x.size()); n += 7)
            {
                const double* channels[2] = {x.data() + offset, x.data() + 150 + offset};
                const ChannelLevels a = fast(channels, nChannels, n);
                const ChannelLevels b = ScanChannelLevels(channels, nChannels, n);
                ASSERT_EQ(a.peak, b.peak) << nChannels << " " << offset << " " << n;
                ASSERT_NEAR(a.sumSquares, b.sumSquares, 1e-12 * b.sumSquares)
                    << nChannels << " " << offset << " " << n;
            }
    const double* both[2] = {x.data(), x.data() + 150};
    EXPECT_EQ(fast(both, 2, 150).peak, 7.5);
    EXPECT_EQ(fast(both + 1, 1, 150).peak, 6.5);
    x[200] = std::nan("");
    const ChannelLevels withNaN = fast(both, 2, 150);
    EXPECT_EQ(withNaN.peak, 7.5);
    EXPECT_TRUE(std::isnan(withNaN.sumSquares));
}

TEST(LevelMeters, ShownReadingsReplaceTheMeasurementAndOnlyANewPeakAtFullScaleClips)
{
    LevelMeters meters;
    meters.ShowReading(LevelMeters::kOutputSide, -3.0, -12.0);
    LevelReading r = meters.Read(LevelMeters::kOutputSide, kTick);
    EXPECT_EQ(r.peakDb, -3.0);
    EXPECT_EQ(r.rmsDb, -12.0);
    EXPECT_FALSE(r.clipped);
    meters.ShowReading(LevelMeters::kOutputSide, 0.5, -6.0);
    EXPECT_TRUE(meters.Read(LevelMeters::kOutputSide, kTick).clipped);
    // The same held peak again is not a new clip; a new one is.
    meters.ShowReading(LevelMeters::kOutputSide, 0.5, -6.5);
    EXPECT_FALSE(meters.Read(LevelMeters::kOutputSide, kTick).clipped);
    meters.ShowReading(LevelMeters::kOutputSide, 0.25, -6.5);
    EXPECT_TRUE(meters.Read(LevelMeters::kOutputSide, kTick).clipped);
    meters.ShowReading(LevelMeters::kOutputSide, std::nan(""), -6.5);
    r = meters.Read(LevelMeters::kOutputSide, kTick);
    EXPECT_EQ(r.peakDb, 0.25);
    EXPECT_EQ(meters.Read(LevelMeters::kInputSide, kTick).peakDb, kLevelFloorDb);
}

// Connects the first of two channels each way and hands it the one buffer in and out, as a host
// processing in place does.
void ConnectFirstOfTwoInPlace(TestAdapter& plug, double* buffer)
{
    double* data[1] = {buffer};
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetInputChannelConnections(1, 1, false);
    plug.SetOutputChannelConnections(0, 1, true);
    plug.SetOutputChannelConnections(1, 1, false);
    plug.AttachInputBuffers(0, 1, data, 64);
    plug.AttachOutputBuffers(0, 1, data);
}

// The base measures the channels the host connected, before processing (a host may process in
// place) and after, and goes on measuring while bypassed; a 32-bit host's samples as it gives
// and gets them.
TEST(LevelMeters, TheBaseMeasuresConnectedChannelsInAndOutAlsoWhenBypassed)
{
    TestAdapter plug(0, "1-1 2-2");
    EXPECT_EQ(plug.GetLevelMeters(), nullptr);
    plug.EnableLevelMeters();
    ASSERT_NE(plug.GetLevelMeters(), nullptr);
    plug.SetSampleRate(kRate);
    plug.SetBlockSize(64);
    std::vector<double> buffer = Sine(-6.0, 997.0, 64);
    const double peak = std::pow(10.0, ReferencePeakDb(buffer) / 20.0);
    const double meanSquare = std::pow(10.0, ReferenceRmsDb(buffer) / 10.0);
    for (bool bypassed : {false, true})
    {
        SCOPED_TRACE(bypassed);
        ConnectFirstOfTwoInPlace(plug, buffer.data());
        if (bypassed)
            plug.PassThroughBuffers(0.0, 64);
        else
            plug.ProcessBuffers(0.0, 64);
        const LevelMeters& meters = *plug.GetLevelMeters();
        for (int side : {LevelMeters::kInputSide, LevelMeters::kOutputSide})
        {
            const LevelBlock& block = meters.LastBlock(side);
            EXPECT_NEAR(block.peak, peak, 1e-12) << side;
            EXPECT_NEAR(block.meanSquare, meanSquare, 1e-12) << side;
            EXPECT_DOUBLE_EQ(block.seconds, 64.0 / kRate);
        }

        std::vector<float> input(buffer.begin(), buffer.end()), output(64);
        float* in[1] = {input.data()};
        float* out[1] = {output.data()};
        plug.AttachInputBuffers(0, 1, in, 64);
        plug.AttachOutputBuffers(0, 1, out);
        if (bypassed)
            plug.PassThroughBuffers(0.0f, 64);
        else
            plug.ProcessBuffers(0.0f, 64);
        EXPECT_EQ(output, input);
        for (int side : {LevelMeters::kInputSide, LevelMeters::kOutputSide})
        {
            const LevelBlock& block = meters.LastBlock(side);
            EXPECT_EQ(block.peak, double(float(peak))) << side;
            EXPECT_NEAR(block.meanSquare, meanSquare, 1e-6 * meanSquare) << side;
        }
    }
}

// A plug-in that measures in its own processing: for a 64-bit block the base hands it the levels
// to fill and counts the connected channels among them; 32-bit blocks the conversions measure.
class HalvingPlug : public TestAdapter
{
public:
    HalvingPlug() : TestAdapter(0, "2-2")
    {
        EnableLevelMeters();
        MeasureLevelsInProcessing();
    }
    void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override
    {
        ChannelLevels* in = LevelsToMeasure(LevelMeters::kInputSide);
        ChannelLevels* out = LevelsToMeasure(LevelMeters::kOutputSide);
        asked = in != nullptr && out != nullptr;
        if (in)
            ScanEachChannel(inputs, 2, nFrames, in);
        for (int c = 0; c < 2; ++c)
            for (int s = 0; s < nFrames; ++s)
                outputs[c][s] = 0.5 * inputs[c][s];
        if (out)
            ScanEachChannel(outputs, 2, nFrames, out);
    }
    bool asked = false;
};

TEST(LevelMeters, APlugInMeasuringItsOwnBlocksIsAskedOnlyForThoseNotMeasuredElsewhere)
{
    HalvingPlug plug;
    plug.SetSampleRate(kRate);
    plug.SetBlockSize(64);
    std::vector<double> left = Sine(-6.0, 997.0, 64), right(64, 0.0);
    const double peak = std::pow(10.0, ReferencePeakDb(left) / 20.0);
    const double meanSquare = std::pow(10.0, ReferenceRmsDb(left) / 10.0);
    const LevelMeters& meters = *plug.GetLevelMeters();
    // The right channel is not connected: only the left counts, processed in place.
    ConnectFirstOfTwoInPlace(plug, left.data());
    plug.ProcessBuffers(0.0, 64);
    EXPECT_TRUE(plug.asked);
    EXPECT_NEAR(meters.LastBlock(LevelMeters::kInputSide).peak, peak, 1e-12);
    EXPECT_NEAR(meters.LastBlock(LevelMeters::kInputSide).meanSquare, meanSquare, 1e-12);
    EXPECT_NEAR(meters.LastBlock(LevelMeters::kOutputSide).peak, 0.5 * peak, 1e-12);
    EXPECT_NEAR(meters.LastBlock(LevelMeters::kOutputSide).meanSquare, 0.25 * meanSquare, 1e-12);

    // 32-bit blocks, also those a host adds to its buffers, are measured as they are converted.
    std::vector<float> input(64, 0.5f), output(64, 0.0f);
    float* in[1] = {input.data()};
    float* out[1] = {output.data()};
    for (bool accumulate : {false, true})
    {
        SCOPED_TRACE(accumulate);
        plug.AttachInputBuffers(0, 1, in, 64);
        plug.AttachOutputBuffers(0, 1, out);
        if (accumulate)
            plug.ProcessBuffersAccumulating(0.0f, 64);
        else
            plug.ProcessBuffers(0.0f, 64);
        EXPECT_FALSE(plug.asked);
        EXPECT_EQ(meters.LastBlock(LevelMeters::kInputSide).peak, 0.5);
        EXPECT_EQ(meters.LastBlock(LevelMeters::kInputSide).meanSquare, 0.25);
        EXPECT_EQ(meters.LastBlock(LevelMeters::kOutputSide).peak, 0.25);
    }
}
