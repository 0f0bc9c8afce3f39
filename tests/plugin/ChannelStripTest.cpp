#include "plugin/ChannelStrip.h"
#include "plugin/ReferenceChain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace
{

ChannelStripSettings Defaults(double fs = 48000.0)
{
    return {fs, 1.0, 1.0, 0.5, 0.5, 1, 1, 0};
}

struct Stereo
{
    std::vector<double> left, right;
    explicit Stereo(size_t n, double l = 0.0, double r = 0.0) : left(n, l), right(n, r) {}
};

template <typename Chain>
Stereo ProcessAll(Chain& chain, const Stereo& in, const ChannelStripSettings& s, int block = 512)
{
    Stereo out(in.left.size());
    for (size_t pos = 0; pos < in.left.size(); pos += block)
    {
        const int n = static_cast<int>(std::min<size_t>(block, in.left.size() - pos));
        const double* inputs[2] = {in.left.data() + pos, in.right.data() + pos};
        double* outputs[2] = {out.left.data() + pos, out.right.data() + pos};
        chain.Process(inputs, outputs, n, s);
    }
    return out;
}

// Every code path this build has on this CPU: the baseline and, if the CPU has more, the fastest.
std::vector<ChannelStripPath> Paths()
{
    std::vector<ChannelStripPath> paths = {BaselineChannelStripPath()};
    if (FastestChannelStripPath() != paths.front())
        paths.push_back(FastestChannelStripPath());
    return paths;
}

// Significant digits as printed: relative error below half a unit of the 8th digit.
void ExpectDigits(double actual, double printed)
{
    EXPECT_NEAR(actual, printed, std::fabs(printed) * 5e-8) << printed;
}

// The CPU check runs in every build (MinGW's included) and picks the wide path where it can, so
// the comparisons below cover it.
TEST(ChannelStrip, TheFastestPathIsChosenWhereTheCpuHasAvx2)
{
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (!__builtin_cpu_supports("avx2"))
        GTEST_SKIP() << "this CPU has no AVX2";
    EXPECT_EQ(Paths().size(), 2u);
#else
    GTEST_SKIP() << "one path on this architecture";
#endif
}

TEST(ChannelStrip, FadesInFromConstructionAndSettles)
{
    ChannelStrip strip;
    const Stereo out = ProcessAll(strip, Stereo(3, 0.001, 0.001), Defaults());
    ExpectDigits(out.left[0], 1.1041756e-12);
    ExpectDigits(out.right[0], 4.4177942e-12);
    ExpectDigits(out.left[1], 1.0676506e-11);
    ExpectDigits(out.right[1], 2.0615437e-11);
    ExpectDigits(out.left[2], 3.4765395e-11);
    ExpectDigits(out.right[2], 5.3656818e-11);

    const Stereo settled = ProcessAll(strip, Stereo(48000 * 10, 0.001, 0.001), Defaults());
    ExpectDigits(settled.left.back(), 0.0010225105);
    EXPECT_NEAR(settled.left.back(), settled.right.back(), 1e-16);
}

// Tools size a settled start from the smoothers' definition; the chain must settle in that time,
// and not much sooner, at any rate.
TEST(ChannelStrip, SmoothersSettleInTheTimeTheirDefinitionGives)
{
    constexpr double kShare = 1e-6;
    for (double fs : {44100.0, 96000.0})
    {
        const auto frames =
            static_cast<size_t>(std::ceil(ParamSmoother::SecondsToSettle(kShare) * fs));
        for (size_t n : {frames * 9 / 10, frames})
        {
            ChannelStrip strip;
            ProcessAll(strip, Stereo(n), Defaults(fs));
            const double distance = 1.0 - strip.mInputGainSmoother.z;
            if (n == frames)
                EXPECT_LE(distance, kShare) << fs;
            else
                EXPECT_GT(distance, kShare) << fs;
        }
    }
}

TEST(ChannelStrip, LeftGainLagsRightByOneSmootherStep)
{
    ChannelStrip strip;
    const Stereo out = ProcessAll(strip, Stereo(2000, 0.001, 0.001), Defaults());
    // While the gains ramp up, each left sample lies between the right samples of the frame
    // before and of its own frame.
    for (size_t n = 1; n < out.left.size(); ++n)
    {
        EXPECT_GT(out.left[n], out.right[n - 1]) << n;
        EXPECT_LT(out.left[n], out.right[n]) << n;
    }
}

// Small-signal gain of the whole chain once the smoothers have settled.
double SettledGain(ChannelStripSettings s)
{
    ChannelStrip strip;
    const double x = 1e-6;
    const Stereo out = ProcessAll(strip, Stereo(48000 * 10, x, -x), s);
    EXPECT_NEAR(out.left.back(), -out.right.back(), 1e-19);
    return out.left.back() / x;
}

TEST(ChannelStrip, SmallSignalGainOfTheThreeModels)
{
    ChannelStripSettings s = Defaults();
    const double expected[3] = {1.0225, 1.1405, 0.8168};
    for (int model = 0; model < 3; ++model)
    {
        s.model = model;
        EXPECT_NEAR(SettledGain(s), expected[model], 0.00005) << model;
    }
    // Polarity and level do not change with frequency at the flat shelf positions.
    ChannelStrip strip;
    Stereo sine(48000 * 8);
    for (size_t n = 0; n < sine.left.size(); ++n)
        sine.left[n] = sine.right[n] =
            1e-4 * std::sin(2.0 * 3.141592653589793 * 5000.0 * n / 48000.0);
    const Stereo out = ProcessAll(strip, sine, Defaults());
    for (size_t n = sine.left.size() - 1000; n < sine.left.size(); ++n)
        EXPECT_NEAR(out.left[n], 1.0225 * sine.left[n], 1e-8);
}

TEST(ChannelStrip, InputTransformerGainAndHold)
{
    ChannelStripSettings s = Defaults();
    s.transformer = 0;
    ChannelStrip strip;
    ProcessAll(strip, Stereo(1, 1e-4, -1e-4), s);
    EXPECT_NEAR(strip.mStage1L / 1e-4, 0.9926, 0.00005);
    EXPECT_EQ(strip.mStage1R, -strip.mStage1L);

    const double hold = 0.017379280179739 * 1161.4486138403427;
    EXPECT_NEAR(hold, 20.18514, 0.000005);
    ProcessAll(strip, Stereo(1, 22.3574, -1000.0), s);
    EXPECT_EQ(strip.mStage1L, hold);
    EXPECT_EQ(strip.mStage1R, -hold);
    ProcessAll(strip, Stereo(1, 22.357, -22.357), s);
    EXPECT_LT(strip.mStage1L, hold);
    EXPECT_GT(strip.mStage1R, -hold);

    // Small-signal gain of the whole chain with both transformers in circuit.
    s.bus = 0;
    EXPECT_NEAR(SettledGain(s), 1.0225 * 0.9926 * 0.9926, 0.0001);
}

TEST(ChannelStrip, TubeHoldsBeyondTheEndOfItsTable)
{
    ChannelStrip strip;
    ProcessAll(strip, Stereo(48000 * 10, 2.0, -1.4), Defaults());
    EXPECT_EQ(strip.mTubeL, 0.2058735191822052);
    EXPECT_EQ(strip.mTubeR, -0.2058735191822052);
}

TEST(ChannelStrip, InPlaceBuffersGiveTheSameResultAsSeparateOnes)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 0.3);
    Stereo in(5000);
    for (size_t n = 0; n < in.left.size(); ++n)
    {
        in.left[n] = noise(rng);
        in.right[n] = noise(rng);
    }
    ChannelStripSettings s = {44100.0, 3.0, 0.7, 0.2, 0.9, 0, 0, 1};
    ChannelStrip separate;
    const Stereo expected = ProcessAll(separate, in, s, 333);
    for (ChannelStripPath path : Paths())
    {
        ChannelStrip inPlace;
        inPlace.mPath = path;
        Stereo buffers = in;
        double* io[2] = {buffers.left.data(), buffers.right.data()};
        inPlace.Process(io, io, static_cast<int>(buffers.left.size()), s);
        EXPECT_EQ(buffers.left, expected.left);
        EXPECT_EQ(buffers.right, expected.right);

        // Each output may even overwrite the other channel's input.
        ChannelStrip crossed;
        crossed.mPath = path;
        Stereo swapped = in;
        double* in2[2] = {swapped.left.data(), swapped.right.data()};
        double* out2[2] = {swapped.right.data(), swapped.left.data()};
        crossed.Process(in2, out2, static_cast<int>(swapped.left.size()), s);
        EXPECT_EQ(swapped.right, expected.left);
        EXPECT_EQ(swapped.left, expected.right);

        // What the stages hold for later blocks comes from the inputs as they were, and from the
        // outputs of each channel.
        for (const ChannelStrip* strip : {&inPlace, &crossed})
        {
            EXPECT_EQ(strip->mStage1L, separate.mStage1L);
            EXPECT_EQ(strip->mStage1R, separate.mStage1R);
            EXPECT_EQ(strip->mTubeL, separate.mTubeL);
            EXPECT_EQ(strip->mTubeR, separate.mTubeR);
            EXPECT_EQ(strip->mOutL, separate.mOutL);
            EXPECT_EQ(strip->mOutR, separate.mOutR);
        }
    }
}

TEST(ChannelStrip, NoFramesChangeNothing)
{
    ChannelStrip strip;
    ProcessAll(strip, Stereo(100, 0.3, -0.2), Defaults());
    ChannelStrip before = strip;
    double l = 42.0, r = 43.0;
    const double* inputs[2] = {&l, &r};
    double* outputs[2] = {&l, &r};
    for (int n : {0, -1, -512})
    {
        strip.Process(inputs, outputs, n, Defaults(96000.0));
        EXPECT_EQ(std::memcmp(&before, &strip, sizeof strip), 0) << n;
        EXPECT_EQ(l, 42.0);
        EXPECT_EQ(r, 43.0);
    }
    strip.Process(nullptr, nullptr, 0, Defaults());
    EXPECT_EQ(std::memcmp(&before, &strip, sizeof strip), 0);
}

TEST(ChannelStrip, OutOfRangeSwitchesKeepThePreviousResults)
{
    ChannelStrip strip;
    ChannelStripSettings s = Defaults();
    ProcessAll(strip, Stereo(48000, 0.2, -0.1), s);
    const double stage1L = strip.mStage1L, tubeR = strip.mTubeR, gain = strip.mInputGainSmoother.z;
    const double outL = strip.mOutL;
    s.transformer = 2;
    s.model = -1;
    s.bus = 7;
    s.inputGain = 4.0;
    const Stereo out = ProcessAll(strip, Stereo(64, 0.9, 0.9), s);
    EXPECT_EQ(strip.mStage1L, stage1L);
    EXPECT_EQ(strip.mTubeR, tubeR);
    EXPECT_EQ(strip.mInputGainSmoother.z, gain);
    for (double v : out.left)
        EXPECT_EQ(v, outL);
}

struct Automation
{
    std::mt19937 rng;
    explicit Automation(unsigned seed) : rng(seed) {}
    double Uniform(double lo, double hi)
    {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    }
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
};

const double kEdgeValues[] = {std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(),
                              -0.0,
                              0.0,
                              1e300,
                              -22.3573,
                              22.36,
                              7.7e6,
                              -1.6e7,
                              3e9};

// Block lengths from 1 frame up, so partial chunks and every filling and draining of the chunk
// pipeline are covered.
void ExpectBitIdenticalToPerFrameRecomputation(ChannelStripPath path)
{
    const double rates[] = {44100.0, 48000.0, 96000.0, 8000.0, 192000.0};
    const int blocks[] = {1, 7, 64, 512, 1000};
    Automation r(2024);
    for (double firstRate : rates)
    {
        ChannelStrip strip;
        strip.mPath = path;
        ReferenceChain reference;
        double fs = firstRate;
        ChannelStripSettings s{};
        for (int block = 0; block < 400; ++block)
        {
            // Settings hold for runs of blocks (so the smoothers settle at times), switches cover
            // every value including out-of-range ones, and the rate changes now and then.
            if (block % 40 == 0 || r.Pick(0, 9) == 0)
                s = {fs,
                     std::pow(10.0, r.Uniform(0.0, 24.0) / 20.0),
                     std::pow(10.0, r.Uniform(-24.0, 24.0) / 20.0),
                     r.Uniform(0.0, 1.0),
                     r.Uniform(0.0, 1.0),
                     r.Pick(-1, 2),
                     r.Pick(-1, 2),
                     r.Pick(-1, 3)};
            if (block % 97 == 96)
                s.sampleRate = fs = rates[r.Pick(0, 4)];
            const int n = block % 3 == 0 ? r.Pick(1, 700) : blocks[r.Pick(0, 4)];
            Stereo in(n);
            const double level = std::pow(10.0, r.Uniform(-5.0, 1.5));
            for (int k = 0; k < n; ++k)
            {
                in.left[k] = level * r.Uniform(-1.0, 1.0);
                in.right[k] = level * r.Uniform(-1.0, 1.0);
                // Now and then a value at an edge of the curves' index range.
                if (r.Pick(0, 99) == 0)
                    in.left[k] = kEdgeValues[r.Pick(0, std::size(kEdgeValues) - 1)];
                if (r.Pick(0, 99) == 0)
                    in.right[k] = kEdgeValues[r.Pick(0, std::size(kEdgeValues) - 1)];
            }
            const Stereo got = ProcessAll(strip, in, s, n);
            const Stereo want = ProcessAll(reference, in, s, n);
            ASSERT_EQ(got.left, want.left) << "rate " << firstRate << " block " << block;
            ASSERT_EQ(got.right, want.right) << "rate " << firstRate << " block " << block;
        }
        EXPECT_EQ(strip.mLowSmoother.z, reference.mLowSmoother.z);
        EXPECT_EQ(strip.mHighL.a0, reference.mHighL.a0);
        EXPECT_EQ(strip.mLowR.y1, reference.mLowR.y1);
    }
}

TEST(ChannelStrip, BitIdenticalToPerFrameRecomputation)
{
    for (ChannelStripPath path : Paths())
        ExpectBitIdenticalToPerFrameRecomputation(path);
}

void ExpectBitIdenticalThroughSettlingAndLeavingIt(ChannelStripPath path)
{
    Automation r(99);
    ChannelStrip strip;
    strip.mPath = path;
    ReferenceChain reference;
    for (int phase = 0; phase < 6; ++phase)
    {
        const ChannelStripSettings s = {phase < 3 ? 48000.0 : 44100.0,
                                        std::pow(10.0, r.Uniform(0.0, 24.0) / 20.0),
                                        std::pow(10.0, r.Uniform(-24.0, 24.0) / 20.0),
                                        r.Uniform(0.0, 1.0),
                                        r.Uniform(0.0, 1.0),
                                        phase % 2,
                                        (phase / 2) % 2,
                                        phase % 3};
        // Long enough for every smoother to reach its fixed point.
        Stereo in(48000 * 7);
        for (size_t k = 0; k < in.left.size(); ++k)
        {
            in.left[k] = 0.3 * r.Uniform(-1.0, 1.0);
            in.right[k] = 0.3 * r.Uniform(-1.0, 1.0);
        }
        const int block = 1 + r.Pick(0, 600);
        const Stereo got = ProcessAll(strip, in, s, block);
        const Stereo want = ProcessAll(reference, in, s, block);
        ASSERT_EQ(got.left, want.left) << phase;
        ASSERT_EQ(got.right, want.right) << phase;
        // The settled paths were taken.
        const std::pair<const ParamSmoother*, double> smoothers[] = {
            {&strip.mInputGainSmoother, s.inputGain},
            {&strip.mOutputGainSmoother, s.outputGain},
            {&strip.mLowSmoother, s.low},
            {&strip.mHighSmoother, s.high}};
        for (const auto& [p, target] : smoothers)
            EXPECT_EQ((p->z * p->a) + (target * p->b), p->z) << "not settled in phase " << phase;
    }
}

TEST(ChannelStrip, BitIdenticalThroughSettlingAndLeavingIt)
{
    for (ChannelStripPath path : Paths())
        ExpectBitIdenticalThroughSettlingAndLeavingIt(path);
}

TEST(ChannelStrip, SilenceAfterALoudPassageLeavesNoSubnormalNumbers)
{
    ChannelStrip strip;
    ReferenceChain reference;
    ChannelStripSettings s = Defaults();
    s.transformer = s.bus = 0;
    Stereo loud(48000);
    for (size_t n = 0; n < loud.left.size(); ++n)
        loud.left[n] = loud.right[n] = (n % 100 < 50) ? 1.0 : -1.0;
    ProcessAll(strip, loud, s);
    ProcessAll(reference, loud, s);
    const Stereo tail = ProcessAll(strip, Stereo(48000 * 2), s);
    const Stereo referenceTail = ProcessAll(reference, Stereo(48000 * 2), s);

    auto normalOrZero = [](double v)
    { return v == 0.0 || std::fabs(v) >= std::numeric_limits<double>::min(); };
    for (size_t n = 0; n < tail.left.size(); ++n)
    {
        ASSERT_TRUE(normalOrZero(tail.left[n])) << n;
        ASSERT_TRUE(normalOrZero(tail.right[n])) << n;
        // Flushing touches nothing until the reference itself reaches the subnormal range.
        if (std::fabs(referenceTail.left[n]) > 1e-290)
        {
            ASSERT_EQ(tail.left[n], referenceTail.left[n]) << n;
        }
    }
    for (const Biquad* f :
         {static_cast<const Biquad*>(&strip.mHighL), static_cast<const Biquad*>(&strip.mLowR)})
        for (double v : {f->x1, f->x2, f->y1, f->y2})
            EXPECT_TRUE(normalOrZero(v)) << v;
    EXPECT_LT(std::fabs(tail.left.back()), 1e-300);
    // The reference, without flushing, is left cycling through subnormal values.
    EXPECT_FALSE(normalOrZero(reference.mHighL.y1));
}

#if defined(__SSE2__)
TEST(ChannelStrip, RestoresTheCallersFloatingPointMode)
{
    const unsigned before = _mm_getcsr();
    ChannelStrip strip;
    ProcessAll(strip, Stereo(10, 0.1, 0.1), Defaults());
    EXPECT_EQ(_mm_getcsr(), before);
}
#endif

TEST(ChannelStrip, NonFiniteInputsDoNotPoisonLaterOutput)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    for (int transformer : {0, 1})
        for (int model : {0, 1, 2})
        {
            ChannelStrip strip;
            ChannelStripSettings s = Defaults();
            s.transformer = transformer;
            s.model = model;
            Stereo in(4800, 0.1, -0.1);
            in.left[100] = kNaN;
            in.right[200] = kInf;
            in.left[300] = -kInf;
            const Stereo out = ProcessAll(strip, in, s);
            for (size_t n = 0; n < out.left.size(); ++n)
            {
                ASSERT_TRUE(std::isfinite(out.left[n])) << transformer << model << " " << n;
                ASSERT_TRUE(std::isfinite(out.right[n])) << transformer << model << " " << n;
            }
        }
}

TEST(ChannelStrip, NonFiniteSettingsHoldTheSmoothersAndABadRateGivesSilence)
{
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    ChannelStrip strip;
    ProcessAll(strip, Stereo(4800, 0.1, 0.1), Defaults());
    const double gain = strip.mInputGainSmoother.z;
    ChannelStripSettings s = Defaults();
    s.inputGain = kNaN;
    s.outputGain = std::numeric_limits<double>::infinity();
    s.low = kNaN;
    s.high = -std::numeric_limits<double>::infinity();
    const Stereo out = ProcessAll(strip, Stereo(4800, 0.1, 0.1), s);
    EXPECT_EQ(strip.mInputGainSmoother.z, gain);
    EXPECT_TRUE(std::isfinite(strip.mOutputGainSmoother.z));
    EXPECT_TRUE(std::isfinite(strip.mLowSmoother.z));
    EXPECT_TRUE(std::isfinite(out.left.back()));

    const ChannelStrip before = strip;
    for (double fs : {0.0, -48000.0, kNaN, std::numeric_limits<double>::infinity(), 2e9, 1e200})
    {
        const Stereo silent = ProcessAll(strip, Stereo(64, 0.5, 0.5), Defaults(fs));
        EXPECT_EQ(silent.left, std::vector<double>(64, 0.0)) << fs;
        EXPECT_EQ(silent.right, std::vector<double>(64, 0.0)) << fs;
        EXPECT_EQ(std::memcmp(&before, &strip, sizeof strip), 0) << fs;
    }
}

TEST(ChannelStrip, AnUnstableFilterRecoversAtTheNextBlock)
{
    ChannelStrip strip;
    ChannelStripSettings s = Defaults();
    s.high = 2.0; // outside the knob's range: the high shelf overflows
    const Stereo wild = ProcessAll(strip, Stereo(48000 * 4, 0.5, 0.5), s);
    bool overflowed = false;
    for (double v : wild.left)
        overflowed = overflowed || !std::isfinite(v);
    ASSERT_TRUE(overflowed);
    const Stereo out = ProcessAll(strip, Stereo(48000 * 20, 0.001, 0.001), Defaults());
    ExpectDigits(out.left.back(), 0.0010225105);
    ExpectDigits(out.right.back(), 0.0010225105);
}

} // namespace
