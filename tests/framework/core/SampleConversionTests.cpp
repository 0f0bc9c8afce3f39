#include "framework/core/SampleConversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace
{

// Values whose conversion has a case of its own: not numbers, infinities, zeros of both signs,
// subnormals, doubles halfway between floats and beyond the float range.
std::vector<double> HardValues()
{
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> values = {std::nan(""),  -std::nan(""), inf,    -inf,
                                  0.0,           -0.0,          1e-310, -4e-320,
                                  1e-45,         1e300,         -1e300, 3.4028235e38,
                                  1.0 + 0x1p-24, 0.1,           -0.7,   0.999999999};
    for (int i = 0; i < 80; ++i)
        values.push_back(std::sin(i * 0.37) * (i % 3 == 0 ? 1e-40 : 1.3));
    return values;
}

} // namespace

// The fast path handles whole runs of 32 and 4 samples and a scalar tail: every length and start
// must give the bits of the scalar cast, or a 32-bit host would hear which CPU it runs on.
TEST(SampleConversion, FastestPathGivesTheBaselineBitsForEveryLengthAndValue)
{
    const SampleConverters fast = FastestSampleConverters();
    const SampleConverters base = BaselineSampleConverters();
    const std::vector<double> doubles = HardValues();
    std::vector<float> floats(doubles.size());
    base.narrow(doubles.data(), floats.data(), static_cast<int>(doubles.size()));

    for (int offset = 0; offset < 3; ++offset)
        for (int n = 0; n + offset <= static_cast<int>(doubles.size()); n += 7)
        {
            std::vector<float> narrowFast(doubles.size(), 1.0f), narrowBase(doubles.size(), 1.0f);
            fast.narrow(doubles.data() + offset, narrowFast.data(), n);
            base.narrow(doubles.data() + offset, narrowBase.data(), n);
            EXPECT_EQ(std::memcmp(narrowFast.data(), narrowBase.data(), floats.size() * 4), 0)
                << "narrowing " << n << " samples from " << offset;

            std::vector<double> widenFast(floats.size(), 1.0), widenBase(floats.size(), 1.0);
            fast.widen(floats.data() + offset, widenFast.data(), n);
            base.widen(floats.data() + offset, widenBase.data(), n);
            EXPECT_EQ(std::memcmp(widenFast.data(), widenBase.data(), doubles.size() * 8), 0)
                << "widening " << n << " samples from " << offset;
        }
}

// The measuring forms convert to the same bits and find the peak of the 32-bit samples exactly;
// their sums of squares may round differently (single precision lanes), never by more than a
// meter could show.
TEST(SampleConversion, MeasuringFormsConvertAlikeAndMeasureThe32BitSamples)
{
    const SampleConverters fast = FastestSampleConverters();
    const SampleConverters base = BaselineSampleConverters();
    const std::vector<double> doubles = HardValues();
    std::vector<float> floats(doubles.size());
    base.narrow(doubles.data(), floats.data(), static_cast<int>(doubles.size()));
    const auto sameLevels = [](const ChannelLevels& a, const ChannelLevels& b)
    {
        const bool sums = std::isfinite(a.sumSquares)
                              ? std::fabs(a.sumSquares - b.sumSquares) <= 1e-6 * b.sumSquares
                              : !std::isfinite(b.sumSquares);
        return a.peak == b.peak && sums;
    };
    for (int offset = 0; offset < 3; ++offset)
        for (int n = 0; n + offset <= static_cast<int>(doubles.size()); n += 5)
        {
            std::vector<float> narrowed(doubles.size(), 1.0f), plain(doubles.size(), 1.0f);
            ChannelLevels fastLevels, baseLevels;
            fast.narrowMeasuring(doubles.data() + offset, narrowed.data(), n, &fastLevels);
            base.narrowMeasuring(doubles.data() + offset, plain.data(), n, &baseLevels);
            EXPECT_EQ(std::memcmp(narrowed.data(), floats.data() + offset, size_t(n) * 4), 0);
            EXPECT_TRUE(sameLevels(fastLevels, baseLevels))
                << "narrowing " << n << " from " << offset;

            std::vector<double> widened(floats.size(), 1.0);
            ChannelLevels widenLevels;
            fast.widenMeasuring(floats.data() + offset, widened.data(), n, &widenLevels);
            for (int s = 0; s < n; ++s)
            {
                const double exact = static_cast<double>(floats[size_t(offset + s)]);
                ASSERT_EQ(std::memcmp(&widened[size_t(s)], &exact, sizeof exact), 0) << s;
            }
            EXPECT_TRUE(sameLevels(widenLevels, baseLevels))
                << "widening " << n << " from " << offset;
        }
}
