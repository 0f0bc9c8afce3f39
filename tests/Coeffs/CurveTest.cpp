#include "Coeffs/TRANS_COEFFS/CurveTables.h"
#include "Coeffs/TRANS_COEFFS/Opamp.h"
#include "Coeffs/TRANS_COEFFS/TRANSTRANS_HARM.h"
#include "Coeffs/TRANS_COEFFS/Transistor.h"
#include "Coeffs/TRANS_COEFFS/Tube.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace
{

using Curve = double (*)(double);

const std::vector<std::pair<const char*, Curve>> kAllCurves = {
    {"TRANSTRANS_HARM", TRANSTRANS_HARM},
    {"transtransclip", transtransclip},
    {"transtrans_negclip", transtrans_negclip},
    {"TUBETRANS_HARM", TUBETRANS_HARM},
    {"srppclip", srppclip},
    {"quad8clip", quad8clip},
    {"Nklineampclip", Nklineampclip}};

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(CurveTables, HeadersAndMeasuredEntries)
{
    struct Row
    {
        int index;
        float transtrans, srpp, srppNeg, quad8, nk;
    };
    const Row rows[] = {
        {1, 9.601744e-05f, -0.0010161543f, 0.001015818f, 0.0051002656f, 0.0036526474f},
        {10, 0.00096638984f, -0.010171425f, 0.01013782f, 0.05141974f, 0.042703312f},
        {100, 0.009210486f, -0.10263471f, 0.099329226f, 0.46835732f, 0.42843375f},
        {140, 0.012620977f, -0.14419326f, 0.13778259f, 0.6304693f, 0.59877086f},
        {190, 0.01667396f, -0.19644193f, 0.18482625f, 0.8091421f, 0.8107422f},
        {199, 0.01737928f, -0.20587352f, 0.19317405f, 0.8333206f, 0.8487851f},
    };
    for (const Row& r : rows)
    {
        SCOPED_TRACE(r.index);
        EXPECT_EQ(transtrans_table.values[r.index], r.transtrans);
        EXPECT_EQ(srpp_table.values[r.index], r.srpp);
        EXPECT_EQ(srpp_neg_table.values[r.index], r.srppNeg);
        EXPECT_EQ(quad8_table.values[r.index], r.quad8);
        EXPECT_EQ(Nklineamp_table.values[r.index], r.nk);
    }
    const CurveTable* tables[] = {&transtrans_table, &transtrans_neg_table, &srpp_table,
                                  &srpp_neg_table,   &quad8_table,          &Nklineamp_table};
    for (const CurveTable* t : tables)
    {
        EXPECT_EQ(t->start, 0.0f);
        EXPECT_EQ(t->count, 200);
        EXPECT_EQ(t->values[0], 0.0f);
    }
    EXPECT_EQ(transtrans_table.scale, 281.471f);
    EXPECT_EQ(static_cast<double>(transtrans_table.scale), kTransformerScale);
    EXPECT_EQ(static_cast<double>(srpp_table.scale), kAmplifierScale);
    EXPECT_EQ(transtrans_neg_table.endValue, -0.0173793f);
    EXPECT_EQ(srpp_table.endValue, -0.205874f);
    EXPECT_EQ(Nklineamp_table.endValue, 0.848785f);
}

TEST(CurveTables, NegativeTransformerTableMirrorsThePositiveExactly)
{
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(transtrans_neg_table.values[i], -transtrans_table.values[i]) << i;
}

TEST(CurveTables, MonotonicAndCloseToTheMeasuredCurve)
{
    auto expectMonotonic = [](const CurveTable& t, float direction, const char* name)
    {
        for (int i = 1; i < 200; ++i)
            EXPECT_GT((t.values[i] - t.values[i - 1]) * direction, 0.0f) << name << " " << i;
    };
    expectMonotonic(transtrans_table, 1.0f, "transtrans");
    expectMonotonic(srpp_table, -1.0f, "srpp");
    expectMonotonic(srpp_neg_table, 1.0f, "srpp_neg");
    expectMonotonic(quad8_table, 1.0f, "quad8");
    expectMonotonic(Nklineamp_table, 1.0f, "Nklineamp");
    // Between measured points the curves are smooth: no entry strays far from the straight
    // line through its neighbours.
    for (const CurveTable* t :
         {&transtrans_table, &srpp_table, &srpp_neg_table, &quad8_table, &Nklineamp_table})
        for (int i = 1; i < 199; ++i)
            EXPECT_NEAR(t->values[i], 0.5f * (t->values[i - 1] + t->values[i + 1]), 2e-4f) << i;
}

TEST(LookupCurve, InterpolatesHoldsAndRejectsOutOfRangeIndices)
{
    const CurveTable& t = quad8_table;
    const double e198 = t.values[198];
    const double e199 = t.values[199];
    EXPECT_EQ(LookupCurve(t, 198.0), e198);
    EXPECT_EQ(LookupCurve(t, 198.25), (e199 * 0.25) + ((1.0 - 0.25) * e198));
    EXPECT_LT(LookupCurve(t, 198.9999), e199);
    EXPECT_EQ(LookupCurve(t, 199.0), e199);
    EXPECT_EQ(LookupCurve(t, 5000.5), e199);
    EXPECT_EQ(LookupCurve(t, 2147483647.0), e199);
    EXPECT_EQ(LookupCurve(t, 2147483648.0), 0.0);
    EXPECT_EQ(LookupCurve(t, 1e300), 0.0);
    EXPECT_EQ(LookupCurve(t, kInf), 0.0);
    EXPECT_EQ(LookupCurve(t, kNaN), 0.0);
    EXPECT_EQ(LookupCurve(t, 0.0), 0.0);
    EXPECT_EQ(LookupCurve(t, 10.0), static_cast<double>(t.values[10]));
    EXPECT_EQ(LookupCurve(t, 10.5), (static_cast<double>(t.values[11]) * 0.5) +
                                        ((1.0 - 0.5) * static_cast<double>(t.values[10])));
}

TEST(Curves, ZeroSignedZeroNaNAndInfinity)
{
    for (const auto& [name, curve] : kAllCurves)
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(curve(0.0), 0.0);
        EXPECT_FALSE(std::signbit(curve(0.0)));
        EXPECT_EQ(curve(-0.0), 0.0);
        EXPECT_TRUE(std::signbit(curve(-0.0)));
        EXPECT_EQ(curve(kNaN), 0.0);
        EXPECT_EQ(curve(-kNaN), 0.0);
        EXPECT_EQ(curve(kInf), 0.0);
        EXPECT_EQ(curve(-kInf), 0.0);
    }
}

TEST(Curves, HoldValuesAndTheEndOfTheIndexRange)
{
    EXPECT_EQ(TRANSTRANS_HARM(0.75), 0.017379280179739);
    EXPECT_EQ(TRANSTRANS_HARM(-0.75), -0.017379280179739);
    EXPECT_EQ(TRANSTRANS_HARM(7.6e6), 0.017379280179739); // t just below 2^31
    EXPECT_EQ(TRANSTRANS_HARM(7.7e6), 0.0);               // t beyond 2^31
    EXPECT_EQ(transtrans_negclip(1.0), 0.017379280179739);
    EXPECT_EQ(TUBETRANS_HARM(1.4), 0.2058735191822052);
    EXPECT_EQ(TUBETRANS_HARM(-1.4), -0.19317404925823212);
    EXPECT_EQ(srppclip(1.3999986), 0.2058735191822052);
    EXPECT_LT(srppclip(1.399998), 0.2058735191822052);
    EXPECT_EQ(srppclip(-2.0), -0.2058735191822052);
    EXPECT_EQ(srppclip(1.5e7), 0.2058735191822052);
    EXPECT_EQ(srppclip(1.52e7), 0.0);
    // The compressed models stay inside their tables, short of entry 143, for any finite input.
    EXPECT_LT(quad8clip(1e300), quad8_table.values[143]);
    EXPECT_GT(quad8clip(1e300), quad8_table.values[142]);
    EXPECT_LT(Nklineampclip(-1e300), -static_cast<double>(Nklineamp_table.values[142]));
}

TEST(Curves, SmallSignalSlopes)
{
    const double x = 1e-7;
    EXPECT_NEAR(TRANSTRANS_HARM(x) / x, 0.027026125, 1e-8);
    EXPECT_NEAR(srppclip(x) / x, 0.14443923, 1e-7);
    EXPECT_NEAR(TUBETRANS_HARM(-x) / -x, 0.14439142, 1e-7);
    EXPECT_NEAR(quad8clip(x) / x, 0.24165569, 1e-7);
    EXPECT_NEAR(Nklineampclip(x) / x, 0.17306609, 1e-7);
}

TEST(Curves, SignFollowsTheInputAndOnlyTheTablesMakeThemAsymmetric)
{
    for (double x = 1e-4; x < 30.0; x *= 1.37)
    {
        SCOPED_TRACE(x);
        EXPECT_EQ(TRANSTRANS_HARM(-x), -TRANSTRANS_HARM(x));
        EXPECT_EQ(transtransclip(-x), -transtransclip(x));
        EXPECT_EQ(transtrans_negclip(x), transtransclip(x));
        EXPECT_EQ(TRANSTRANS_HARM(x), transtransclip(x));
        EXPECT_GT(srppclip(x), 0.0);
        EXPECT_EQ(srppclip(-x), -srppclip(x));
        EXPECT_EQ(TUBETRANS_HARM(x), srppclip(x));
        EXPECT_EQ(quad8clip(-x), -quad8clip(x));
        EXPECT_EQ(Nklineampclip(-x), -Nklineampclip(x));
    }
    // The tube's two halves differ by up to 0.0127 in magnitude.
    for (double x = 0.01; x < 1.4; x += 0.01)
    {
        const double difference = TUBETRANS_HARM(x) + TUBETRANS_HARM(-x);
        EXPECT_GT(difference, 0.0) << x;
        EXPECT_LE(difference, 0.0127) << x;
    }
}

} // namespace
