// The oversampler on its own: the round trip's response, delay and symmetry, the images on the
// way up and the aliases on the way down, and slices, paths, in-place buffers and a cleared
// history giving the same bits.
#include "plugin/Oversampler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace
{

constexpr double kPi = 3.14159265358979323846;
const int kFactors[] = {2, 4, 8};

struct Stereo
{
    std::vector<double> left, right;
    explicit Stereo(size_t n) : left(n, 0.0), right(n, 0.0) {}
};

// Runs in through the oversampler in blocks of block frames, with process at the top rate.
template <typename Process>
Stereo RunAll(Oversampler& os, const Stereo& in, int block, Process&& process)
{
    Stereo out(in.left.size());
    for (size_t pos = 0; pos < in.left.size(); pos += static_cast<size_t>(block))
    {
        const int n = static_cast<int>(std::min<size_t>(block, in.left.size() - pos));
        const double* inputs[2] = {in.left.data() + pos, in.right.data() + pos};
        double* outputs[2] = {out.left.data() + pos, out.right.data() + pos};
        os.Run(inputs, outputs, n, process);
    }
    return out;
}

void Copy(const double* const* in, double* const* out, int n)
{
    std::copy(in[0], in[0] + n, out[0]);
    std::copy(in[1], in[1] + n, out[1]);
}

Stereo Noise(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.3);
    Stereo s(n);
    for (size_t i = 0; i < n; ++i)
    {
        s.left[i] = noise(rng);
        s.right[i] = noise(rng);
    }
    return s;
}

// The amplitude of the component of x at cycles per sample f, over a whole number of its cycles
// (x must hold them).
double Amplitude(const std::vector<double>& x, size_t start, size_t n, double f)
{
    std::complex<double> sum = 0.0;
    for (size_t i = 0; i < n; ++i)
        sum += x[start + i] * std::polar(1.0, -2.0 * kPi * f * static_cast<double>(i));
    return 2.0 * std::abs(sum) / static_cast<double>(n);
}

std::vector<double> Sine(size_t n, double f)
{
    std::vector<double> x(n);
    for (size_t i = 0; i < n; ++i)
        x[i] = std::sin(2.0 * kPi * f * static_cast<double>(i));
    return x;
}

std::vector<const HalfbandPath*> Paths()
{
    std::vector<const HalfbandPath*> paths = {&BaselineHalfbandPath()};
    if (&FastestHalfbandPath() != paths.front())
        paths.push_back(&FastestHalfbandPath());
    return paths;
}

TEST(Oversampler, RoundTripIsLinearPhaseWithItsDelayAndFlatPassband)
{
    for (int factor : kFactors)
    {
        SCOPED_TRACE(factor);
        Oversampler os;
        os.SetFactor(factor);
        const int latency = Oversampler::LatencyFrames(factor);
        ASSERT_GT(latency, 0);
        Stereo impulse(512);
        impulse.left[0] = 1.0;
        const std::vector<double> h = RunAll(os, impulse, 512, Copy).left;

        // Symmetric about the reported delay, and nothing outside the filters' span.
        for (int m = 1; m < latency; ++m)
            EXPECT_NEAR(h[static_cast<size_t>(latency + m)], h[static_cast<size_t>(latency - m)],
                        1e-15)
                << m;
        for (size_t n = 2 * static_cast<size_t>(latency) + 1; n < h.size(); ++n)
            EXPECT_EQ(h[n], 0.0) << n;

        // Flat within 0.1 dB from 0 to 0.45 of the host rate.
        for (double f = 0.0; f <= 0.45; f += 0.005)
        {
            std::complex<double> response = 0.0;
            for (size_t n = 0; n < h.size(); ++n)
                response += h[n] * std::polar(1.0, -2.0 * kPi * f * static_cast<double>(n));
            EXPECT_NEAR(20.0 * std::log10(std::abs(response)), 0.0, 0.1) << f;
        }
    }
}

TEST(Oversampler, ImagesOnTheWayUpAndAliasesOnTheWayDownStay100DbDown)
{
    constexpr size_t kFrames = 4096;
    constexpr size_t kSkip = 512; // past the filters' start
    for (int factor : kFactors)
    {
        SCOPED_TRACE(factor);
        // Up: a tone at 0.45 of the host rate; its first image lies at 0.55.
        Oversampler up;
        up.SetFactor(factor);
        Stereo tone(kFrames);
        tone.left = Sine(kFrames, 0.45);
        std::vector<double> top;
        RunAll(up, tone, 512,
               [&](const double* const* in, double* const* out, int n)
               {
                   top.insert(top.end(), in[0], in[0] + n);
                   Copy(in, out, n);
               });
        const size_t topSkip = kSkip * static_cast<size_t>(factor);
        const size_t topN = 2000 * static_cast<size_t>(factor);
        const double level = Amplitude(top, topSkip, topN, 0.45 / factor);
        EXPECT_NEAR(level, 1.0, 1e-4);
        for (int k = 1; k < factor; ++k)
            for (double image : {k - 0.45, k + 0.45})
                EXPECT_LT(Amplitude(top, topSkip, topN, image / factor), 1e-5 * level)
                    << "image at " << image;

        // Down: tones made at the top rate between 0.55 of the host rate and the top rate's
        // Nyquist frequency must not come down into the band below 0.55.
        for (double f : {0.55, 0.8, 1.45, 2.5, 3.45, 3.9})
        {
            if (f >= factor / 2.0)
                continue;
            Oversampler down;
            down.SetFactor(factor);
            size_t at = 0;
            const Stereo out = RunAll(down, Stereo(kFrames), 512,
                                      [&](const double* const*, double* const* outs, int n)
                                      {
                                          for (int i = 0; i < n; ++i, ++at)
                                              outs[0][i] = outs[1][i] = std::sin(
                                                  2.0 * kPi * f / factor * static_cast<double>(at));
                                      });
            // The tone folds around multiples of the host rate.
            const double folded = std::fabs(f - std::round(f));
            EXPECT_LT(Amplitude(out.left, kSkip, 2000, folded), 1e-5) << "tone at " << f;
        }
    }
}

TEST(Oversampler, SlicesPathsAndInPlaceBuffersGiveTheSameBits)
{
    const Stereo in = Noise(3000, 7);
    for (int factor : kFactors)
    {
        SCOPED_TRACE(factor);
        Oversampler reference;
        reference.mPath = &BaselineHalfbandPath();
        reference.SetFactor(factor);
        const Stereo expected = RunAll(reference, in, 3000, Copy);
        const int slice = Oversampler::kTopSliceFrames / factor;
        for (const HalfbandPath* path : Paths())
            for (int block : {1, 7, slice - 1, slice, slice + 1, 1000})
            {
                Oversampler os;
                os.mPath = path;
                os.SetFactor(factor);
                const Stereo got = RunAll(os, in, block, Copy);
                EXPECT_EQ(got.left, expected.left) << block;
                EXPECT_EQ(got.right, expected.right) << block;
            }

        Oversampler inPlace;
        inPlace.SetFactor(factor);
        Stereo buffers = in;
        double* channels[2] = {buffers.left.data(), buffers.right.data()};
        inPlace.Run(channels, channels, 3000, Copy);
        EXPECT_EQ(buffers.left, expected.left);
        EXPECT_EQ(buffers.right, expected.right);
    }
}

TEST(Oversampler, NewFactorStartsWithEmptyFiltersAndFactorOneIsTheProcessItself)
{
    // After any factor, a new one gives the bits of a fresh oversampler, and silence stays silent.
    Oversampler os;
    const Stereo later = Noise(1000, 4);
    for (auto [from, to] : {std::pair{4, 8}, {8, 2}, {2, 4}, {8, 8}})
    {
        SCOPED_TRACE(std::to_string(from) + " -> " + std::to_string(to));
        os.SetFactor(from);
        RunAll(os, Noise(1000, 3), 300, Copy);
        os.SetFactor(to);
        const Stereo silence = RunAll(os, Stereo(1000), 300, Copy);
        EXPECT_TRUE(std::all_of(silence.left.begin(), silence.left.end(),
                                [](double x) { return x == 0.0; }));
        os.SetFactor(to);
        Oversampler fresh;
        fresh.SetFactor(to);
        EXPECT_EQ(RunAll(os, later, 300, Copy).left, RunAll(fresh, later, 300, Copy).left);
    }

    // An unknown factor is 1: the process sees the caller's own buffers.
    os.SetFactor(3);
    EXPECT_EQ(os.GetFactor(), 1);
    EXPECT_EQ(Oversampler::LatencyFrames(1), 0);
    const Stereo in = Noise(100, 5);
    Stereo out(100);
    const double* inputs[2] = {in.left.data(), in.right.data()};
    double* outputs[2] = {out.left.data(), out.right.data()};
    os.Run(inputs, outputs, 100,
           [&](const double* const* i, double* const* o, int n)
           {
               EXPECT_EQ(i, inputs);
               EXPECT_EQ(o, outputs);
               EXPECT_EQ(n, 100);
           });
}

} // namespace
