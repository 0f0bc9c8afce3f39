#include "Render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace veltar_render;

namespace
{
SignalStats StatsOf(const std::vector<double>& samples)
{
    const double* channels[] = {samples.data()};
    SignalStats stats(1);
    stats.Add(channels, static_cast<int64_t>(samples.size()));
    return stats;
}
} // namespace

TEST(RenderInputWarnings, OneForAFileCutShortAndOneForSamplesThatAreNotNumbers)
{
    std::vector<double> samples(10, 0.25);
    EXPECT_TRUE(InputWarnings("'a.wav'", 10, StatsOf(samples)).empty());
    // No length announced: a stream read to its end.
    EXPECT_TRUE(InputWarnings("'a.wav'", 0, StatsOf(samples)).empty());
    EXPECT_EQ(InputWarnings("'a.wav'", 11, StatsOf(samples)),
              std::vector<std::string>{"warning: 'a.wav' is cut short: its header announces 11 "
                                       "frames, it holds 10; rendered what it holds"});

    samples[3] = std::nan("");
    samples[7] = -INFINITY;
    const std::vector<std::string> both = InputWarnings("'b.wav'", 12, StatsOf(samples));
    ASSERT_EQ(both.size(), 2u);
    EXPECT_EQ(both[1], "warning: 'b.wav' holds 2 NaN or infinite samples, the first at frame 3; "
                       "the plug-in renders them as silence");
}
