#include "framework/core/IParam.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
std::string Display(const IParam& p, double v, bool normalized = false, bool texts = true)
{
    char buf[IParam::kTextLen];
    p.GetDisplayForHost(v, normalized, buf, texts);
    return buf;
}
} // namespace

TEST(IParam, InitialisersWidenDegenerateRanges)
{
    IParam d;
    d.InitDouble("Gain", 0.0, 1.0, 1.0, 0.25);
    EXPECT_EQ(d.GetMax(), 1.25);
    EXPECT_EQ(d.GetPrecision(), 2);

    IParam e;
    e.InitEnum("Mode", 0, 1);
    EXPECT_EQ(e.GetMin(), 0.0);
    EXPECT_EQ(e.GetMax(), 1.0);

    IParam i;
    i.InitInt("Steps", 3, 3, 2);
    EXPECT_EQ(i.GetMax(), 4.0);
}

TEST(IParam, DisplayPrecisionFollowsTheStepInDoubleArithmetic)
{
    const struct
    {
        double step;
        int precision;
    } cases[] = {{0.01, 2}, {0.5, 1}, {1.0, 0}, {0.25, 2}, {0.07, 6}, {1e-9, 6}};
    for (const auto& c : cases)
    {
        IParam p;
        p.InitDouble("x", 0.0, 0.0, 100.0, c.step);
        EXPECT_EQ(p.GetPrecision(), c.precision) << c.step;
    }
}

TEST(IParam, FirstInitialiserFixesTheKind)
{
    IParam p;
    p.InitBool("On", true);
    p.InitDouble("On", 0.5, 0.0, 1.0, 0.01);
    EXPECT_EQ(p.Type(), IParam::kTypeBool);
    EXPECT_EQ(p.GetNDisplayTexts(), 2);
    p.SetNormalized(0.333); // still rounded to the step, as non-double kinds are
    EXPECT_DOUBLE_EQ(p.Value(), 0.33);
}

TEST(IParam, SetNormalizedRoundsOnlyNonDoubleKinds)
{
    IParam i;
    i.InitInt("Model", 0, 0, 2);
    i.SetNormalized(1.0);
    EXPECT_EQ(i.Value(), 2.0);
    i.SetNormalized(0.74);
    EXPECT_EQ(i.Value(), 1.0);
    i.SetNormalized(0.75);
    EXPECT_EQ(i.Value(), 2.0);

    IParam d;
    d.InitDouble("Low", 0.5, 0.0, 1.0, 0.01);
    d.SetNormalized(0.333);
    EXPECT_EQ(d.Value(), 0.333);
    EXPECT_EQ(Display(d, d.Value()), "0.33");
    EXPECT_EQ(d.Value(), 0.333);
}

TEST(IParam, DisplayOfAPositionShowsTheValueSettingItGives)
{
    IParam i;
    i.InitInt("Model", 0, 0, 2);
    for (int k = -20; k <= 120; ++k)
    {
        const double pos = k / 100.0;
        IParam set = i;
        set.SetNormalized(pos);
        EXPECT_EQ(Display(i, pos, true, false), std::to_string(set.Int())) << pos;
    }
    IParam sw;
    sw.InitInt("Transformer", 1, 0, 1);
    sw.SetDisplayText(0, "in");
    sw.SetDisplayText(1, "out");
    EXPECT_EQ(Display(sw, 0.9, true), "out");
    EXPECT_EQ(Display(sw, 0.4, true), "in");
    IParam b;
    b.InitBool("Bypass", false);
    EXPECT_EQ(Display(b, 0.6, true), "on");

    // Doubles are not stepped: the position's own value is shown.
    IParam d;
    d.InitDouble("Coarse", 0.0, 0.0, 1.0, 0.5);
    EXPECT_EQ(Display(d, 0.3, true), "0.3");
}

TEST(IParam, ShapeMapsBothWays)
{
    IParam p;
    p.InitDouble("Input", 0.0, 0.0, 24.0, 0.01, "%", "", 2.0);
    p.SetNormalized(0.5);
    EXPECT_DOUBLE_EQ(p.Value(), 6.0);
    EXPECT_DOUBLE_EQ(p.GetNormalized(), 0.5);
    EXPECT_EQ(p.GetNormalized(-3.0), 0.0);
    EXPECT_EQ(p.GetNormalized(99.0), 1.0);
    EXPECT_DOUBLE_EQ(p.GetNonNormalized(0.25), 1.5);
    p.SetShape(0.0);
    EXPECT_EQ(p.GetShape(), 2.0);
}

TEST(IParam, HostValuesOutsideTheUnitRangeOrNotFiniteAreContained)
{
    IParam p;
    p.InitDouble("Output", 0.0, -24.0, 24.0, 0.01);
    p.SetNormalized(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(p.Value(), 0.0);
    p.SetNormalized(std::numeric_limits<double>::infinity());
    EXPECT_EQ(p.Value(), 0.0);
    p.SetNormalized(7.0);
    EXPECT_EQ(p.Value(), 24.0);
    p.SetNormalized(-1.0);
    EXPECT_EQ(p.Value(), -24.0);

    p.SetClamped(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(p.Value(), -24.0);
    p.SetClamped(std::numeric_limits<double>::infinity());
    EXPECT_EQ(p.Value(), 24.0);
}

TEST(IParam, DisplayTextsLabelsAndNegation)
{
    IParam b;
    b.InitBool("Bypass", true, "units");
    EXPECT_EQ(Display(b, 1.0), "on");
    EXPECT_STREQ(b.GetLabelForHost(), "");
    EXPECT_EQ(Display(b, 1.0, false, false), "1");
    int v = -1;
    EXPECT_TRUE(b.MapDisplayText("on", &v));
    EXPECT_EQ(v, 1);
    v = -1;
    EXPECT_FALSE(b.MapDisplayText("On", &v));
    EXPECT_EQ(v, -1);
    b.SetNormalized(0.0);
    EXPECT_STREQ(b.GetLabelForHost(), "");
    EXPECT_STREQ(b.GetDisplayText(7), "");

    IParam n;
    n.InitInt("Neg", 3, 0, 10);
    n.SetNegateDisplay(true);
    EXPECT_EQ(Display(n, 3.0), "-3");
    IParam z;
    z.InitDouble("Zero", 0.0, 0.0, 1.0, 0.1);
    z.SetNegateDisplay(true);
    EXPECT_EQ(Display(z, 0.0), "-0.0");
}

TEST(IParam, DisplayOfHostilePositionsStaysBounded)
{
    IParam p;
    p.InitInt("Model", 0, 0, 2);
    EXPECT_EQ(Display(p, std::numeric_limits<double>::quiet_NaN(), true), "-2147483648");
    EXPECT_EQ(Display(p, 1e300), "2147483647");
    IParam d;
    d.InitDouble("Huge", 0.0, 0.0, 1.0, 1e-6);
    EXPECT_LT(Display(d, 1e300).size(), static_cast<size_t>(IParam::kTextLen));
}

TEST(IParam, LongTextsAreCutAt31Characters)
{
    IParam p;
    p.InitDouble("a name that is far longer than thirty-one characters", 0, 0, 1, 0.1);
    EXPECT_EQ(std::string(p.GetNameForHost()).size(), 31u);
}
