#include "ParamSettings.h"

#include <gtest/gtest.h>

using namespace veltar_render;

namespace
{

// The shape of VELTAR's parameter list as the controller publishes it; the ends of Input come
// through a squared normalisation, so they need not be exact.
std::vector<HostParameter> Parameters()
{
    return {{1, "Bypass", "", 0.0, 1.0, 1, 0.0, {"off", "on"}, true},
            {0, "Input", "dB", 0.0, 24.000000000000004, 0, 0.0, {}},
            {1000, "Output", "dB", -24.0, 24.0, 0, 0.0, {}},
            {6, "Model", "", 0.0, 2.0, 2, 0.0, {"SRPP", "QUAD", "NK"}},
            {7, "Bus", "", 0.0, 1.0, 1, 1.0, {"in", "out"}},
            {8, "Preset", "", 0.0, 3.0, 3, 0.0, {}, false, true}};
}

std::string ResolveError(const std::vector<Setting>& settings)
{
    std::vector<ResolvedSetting> resolved;
    std::string error;
    EXPECT_FALSE(ResolveSettings(Parameters(), settings, resolved, error));
    return error;
}

} // namespace

TEST(RenderSettings, TitlesMatchInAnyCaseAndKeepTheirOrder)
{
    std::vector<ResolvedSetting> resolved;
    std::string error;
    ASSERT_TRUE(ResolveSettings(
        Parameters(), {{"MODEL", "2.0"}, {"output", "-24.0"}, {"Input", "24.0"}, {"input", "0"}},
        resolved, error))
        << error;
    ASSERT_EQ(resolved.size(), 4u);
    EXPECT_EQ(resolved[0].id, 6u);
    EXPECT_EQ(resolved[0].title, "Model");
    EXPECT_EQ(resolved[0].value, 2.0);
    EXPECT_EQ(resolved[1].id, 1000u);
    EXPECT_EQ(resolved[2].value, 24.0);
    EXPECT_EQ(resolved[3].value, 0.0);
}

TEST(RenderSettings, UnknownTitleListsTheValidOnes)
{
    EXPECT_EQ(
        ResolveError({{"Input", "1.0"}, {"Drive", "1.0"}}),
        "unknown parameter 'Drive'; the parameters are: Bypass, Input, Output, Model, Bus, Preset");
    EXPECT_NE(ResolveError({{"Inpu", "1.0"}}).find("unknown parameter 'Inpu'"), std::string::npos);
}

TEST(RenderSettings, ValuesOutsideTheRangeNameTheRange)
{
    EXPECT_EQ(ResolveError({{"Input", "24.01"}}),
              "Input=24.01 is out of range: Input takes 0 to 24");
    EXPECT_EQ(ResolveError({{"output", "-30.0"}}),
              "Output=-30 is out of range: Output takes -24 to 24");
    EXPECT_EQ(ResolveError({{"Input", "-0.5"}}), "Input=-0.5 is out of range: Input takes 0 to 24");
}

TEST(RenderSettings, SteppedParametersTakeOnlyTheirSteps)
{
    EXPECT_EQ(ResolveError({{"Model", "1.5"}}),
              "Model=1.5 is not one of its values: Model takes 0, 1, 2");
    EXPECT_EQ(ResolveError({{"Bypass", "0.5"}}),
              "Bypass=0.5 is not one of its values: Bypass takes 0, 1");
    std::vector<ResolvedSetting> resolved;
    std::string error;
    EXPECT_TRUE(
        ResolveSettings(Parameters(), {{"Model", "1.0"}, {"Bypass", "1.0"}}, resolved, error));

    const std::vector<HostParameter> fine = {{9, "Detune", "", 0.0, 100.0, 200, 0.0, {}}};
    EXPECT_FALSE(ResolveSettings(fine, {{"Detune", "0.25"}}, resolved, error));
    EXPECT_EQ(error, "Detune=0.25 is not one of its values: Detune takes 0 to 100 in steps of 0.5");
    EXPECT_TRUE(ResolveSettings(fine, {{"Detune", "99.5"}}, resolved, error));
}

TEST(RenderSettings, FormatValueIsShort)
{
    EXPECT_EQ(FormatValue(12.0), "12");
    EXPECT_EQ(FormatValue(-0.0), "0");
    EXPECT_EQ(FormatValue(0.1 + 0.2), "0.3");
    EXPECT_EQ(FormatValue(-24.5), "-24.5");
}

TEST(RenderSettings, SwitchesTakeTheirNamesInAnyCase)
{
    std::vector<ResolvedSetting> resolved;
    std::string error;
    ASSERT_TRUE(ResolveSettings(Parameters(),
                                {{"Model", "QUAD"},
                                 {"model", "nk"},
                                 {"Bus", "in"},
                                 {"Bus", "OUT"},
                                 {"Bypass", "on"},
                                 {"Bypass", "off"},
                                 {"Model", "0"}},
                                resolved, error))
        << error;
    const std::vector<double> values = {1.0, 2.0, 0.0, 1.0, 1.0, 0.0, 0.0};
    ASSERT_EQ(resolved.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i)
    {
        EXPECT_EQ(resolved[i].value, values[i]) << i;
    }
    EXPECT_EQ(ResolveError({{"Model", "TRIODE"}}),
              "--set Model wants SRPP, QUAD or NK or a number, not 'TRIODE'");
    EXPECT_EQ(ResolveError({{"Input", "loud"}}), "--set Input wants a number, not 'loud'");
    for (const char* bad : {"nan", "inf", "1e999", "12dB"})
    {
        EXPECT_NE(ResolveError({{"Input", bad}}).find("wants a number"), std::string::npos) << bad;
    }
}

TEST(RenderSettings, TheProgramChooserIsRefused)
{
    EXPECT_EQ(ResolveError({{"preset", "1"}}),
              "Preset cannot be set from the command line; start from a preset with --preset "
              "NAME or load a program with --load-fxp FILE");
}

TEST(RenderSettings, DescriptionListsRangesUnitsNamesAndDefaults)
{
    const std::string text = DescribeParameters(Parameters());
    EXPECT_NE(text.find("Input        0 to 24 dB; default 0 dB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Model        SRPP (0), QUAD (1), NK (2); default 0\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Bus          in (0), out (1); default 1\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("Preset"), std::string::npos) << text;
}

// A preset names its parameters by ID; the values are checked as typed ones are.
TEST(RenderSettings, SettingsByIDFindTheirParameterWhateverTheName)
{
    std::vector<ResolvedSetting> resolved;
    std::string error;
    ASSERT_TRUE(ResolveSettings(Parameters(), {{"Bus Glue", "-6.5", 1000}, {"Bus Glue", "1", 6}},
                                resolved, error))
        << error;
    ASSERT_EQ(resolved.size(), 2u);
    EXPECT_EQ(resolved[0].title, "Output");
    EXPECT_EQ(resolved[0].value, -6.5);
    EXPECT_EQ(resolved[1].title, "Model");
    EXPECT_EQ(ResolveError({{"Bus Glue", "1", 99}}),
              "the plug-in has no parameter 99 for Bus Glue");
    EXPECT_EQ(ResolveError({{"Bus Glue", "30", 1000}}),
              "Output=30 is out of range: Output takes -24 to 24");
}
