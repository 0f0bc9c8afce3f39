// veltar-render --oversample: the output as long as the input and lined up with it at every factor,
// the settled start kept, and factors the plug-in does not offer refused.
#include "RenderTest.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rendertest;

namespace
{

// The lag in [-maxLag, maxLag] at which b best matches a.
int BestLag(const std::vector<double>& a, const std::vector<double>& b, int maxLag)
{
    int best = 0;
    double bestSum = -1e300;
    for (int lag = -maxLag; lag <= maxLag; ++lag)
    {
        double sum = 0.0;
        for (size_t i = static_cast<size_t>(maxLag); i + static_cast<size_t>(maxLag) < a.size();
             ++i)
            sum += a[i] * b[static_cast<size_t>(static_cast<long>(i) + lag)];
        if (sum > bestSum)
        {
            bestSum = sum;
            best = lag;
        }
    }
    return best;
}

TEST_F(RenderEndToEnd, OversampledOutputLinesUpWithTheInputFromItsFirstFrame)
{
    // Low drive, where the chain is close to a plain gain: noise on the left, whose
    // cross-correlation has one clear peak, and a tone on the right, which the filters pass.
    Channels quiet(2, std::vector<double>(20000));
    unsigned seed = 7;
    for (size_t i = 0; i < quiet[0].size(); ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        quiet[0][i] = 0.01 * (static_cast<double>(seed >> 8) / 16777216.0 - 0.5);
        quiet[1][i] = 0.01 * std::sin(2.0 * 3.14159265358979 * 1000.0 / kRate * i);
    }
    WriteWav(mDir / "quiet.wav", quiet, kRate);
    ASSERT_EQ(Render("--in quiet.wav --out 1x.wav").status, 0);
    const Audio plain = ReadWav(mDir / "1x.wav");
    for (int factor : {2, 4, 8})
    {
        SCOPED_TRACE(factor);
        const std::string name = std::to_string(factor) + "x.wav";
        const RunResult run =
            Render("--in quiet.wav --out " + name + " --oversample " + std::to_string(factor));
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find(std::to_string(factor) + "x oversampling"), std::string::npos);
        const Audio out = ReadWav(mDir / name);
        ASSERT_EQ(out.channels.size(), 2u);
        ASSERT_EQ(out.channels[0].size(), quiet[0].size());
        EXPECT_EQ(BestLag(quiet[0], out.channels[0], 100), 0);
        // The settled start holds with the filters in the way: from the first frame the tone
        // comes out at the set gains, as at the host rate, not fading in.
        for (size_t i = 0; i < 200; ++i)
            ASSERT_NEAR(out.channels[1][i], plain.channels[1][i], 1e-4) << i;
    }
}

TEST_F(RenderEndToEnd, FactorsThePlugInDoesNotOfferAreRefusedBeforeAnythingIsWritten)
{
    const RunResult form = Render("--in in.wav --out out.wav --oversample 3");
    EXPECT_EQ(form.status, 2);
    EXPECT_NE(form.err.find("--oversample wants a factor of 1, 2, 4 or 8, not '3'"),
              std::string::npos);
    const RunResult refused = Render("--in in.wav --out out.wav --oversample 16");
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("the plug-in does not offer 16x oversampling"), std::string::npos);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RenderEndToEnd, BatchRendersEachFileAsTheSingleRenderAtTheFactor)
{
    ASSERT_EQ(Render("--in in.wav --out single.wav --oversample 4").status, 0);
    ASSERT_EQ(Run("mkdir done && $R --out-dir done --oversample 4 in.wav").status, 0);
    EXPECT_EQ(Slurp(mDir / "done" / "in.wav"), Slurp(mDir / "single.wav"));
}

} // namespace
