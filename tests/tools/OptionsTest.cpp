#include "Options.h"

#include <gtest/gtest.h>

using namespace veltar_render;

namespace
{

Options Parse(const std::vector<std::string>& args)
{
    Options options;
    std::string error;
    EXPECT_TRUE(ParseOptions(args, options, error)) << error;
    return options;
}

std::string ParseError(const std::vector<std::string>& args)
{
    Options options;
    std::string error;
    EXPECT_FALSE(ParseOptions(args, options, error));
    return error;
}

} // namespace

TEST(RenderOptions, DefaultsRenderTheDemoIn32BitBlocksOf512)
{
    const Options options = Parse({});
    EXPECT_TRUE(options.plugin.empty());
    EXPECT_TRUE(options.input.empty());
    EXPECT_TRUE(options.output.empty());
    EXPECT_TRUE(options.settings.empty());
    EXPECT_EQ(options.blockFrames, 512);
    EXPECT_FALSE(options.doublePrecision);
    EXPECT_FALSE(options.help);
}

TEST(RenderOptions, ValuesComeAsNextArgumentOrAfterEquals)
{
    const Options options =
        Parse({"--plugin", "/x/VELTAR.vst3", "--in=song.flac", "--out", "a=b.wav", "--set",
               "input=12", "--set=Model=1", "--set", "Output=-6.5", "--block=64", "--double"});
    EXPECT_EQ(options.plugin, "/x/VELTAR.vst3");
    EXPECT_EQ(options.input, "song.flac");
    EXPECT_EQ(options.output, "a=b.wav");
    ASSERT_EQ(options.settings.size(), 3u);
    EXPECT_EQ(options.settings[0].name, "input");
    EXPECT_EQ(options.settings[0].value, 12.0);
    EXPECT_EQ(options.settings[1].name, "Model");
    EXPECT_EQ(options.settings[1].value, 1.0);
    EXPECT_EQ(options.settings[2].value, -6.5);
    EXPECT_EQ(options.blockFrames, 64);
    EXPECT_TRUE(options.doublePrecision);
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
}

TEST(RenderOptions, MalformedArgumentsAreRefusedWithAReason)
{
    EXPECT_EQ(ParseError({"--frobnicate"}), "unknown option --frobnicate");
    EXPECT_EQ(ParseError({"song.wav"}), "unexpected argument 'song.wav'");
    EXPECT_EQ(ParseError({"--out"}), "--out needs a value");
    EXPECT_EQ(ParseError({"--out="}), "--out needs a non-empty value");
    EXPECT_EQ(ParseError({"--double=1"}), "--double takes no value");
    EXPECT_EQ(ParseError({"--in", "a.wav"}), "--in needs --out FILE to say where the result goes");
}

TEST(RenderOptions, BlockSizeMustBeAWholeNumberInRange)
{
    for (const char* bad : {"0", "-4", "65537", "12x", "", "1.5", "99999999999999999999"})
    {
        EXPECT_NE(ParseError({"--block", bad}).find("--block wants a whole number"),
                  std::string::npos)
            << bad;
    }
    EXPECT_EQ(Parse({"--block", "1"}).blockFrames, 1);
    EXPECT_EQ(Parse({"--block", "65536"}).blockFrames, kMaxBlockFrames);
}

TEST(RenderOptions, SettingsNeedANameAndAFiniteNumber)
{
    EXPECT_EQ(ParseError({"--set", "Input"}), "--set wants NAME=VALUE, not 'Input'");
    EXPECT_EQ(ParseError({"--set", "=3"}), "--set wants NAME=VALUE, not '=3'");
    for (const char* bad :
         {"Input=", "Input=loud", "Input=12dB", "Input=nan", "Input=inf", "Input=1e999"})
    {
        EXPECT_NE(ParseError({"--set", bad}).find("wants a number"), std::string::npos) << bad;
    }
}

TEST(RenderOptions, UsageNamesEveryOptionAndTheDemoOutput)
{
    const std::string usage = UsageText();
    for (const char* word : {"--plugin", "--in", "--out", "--set", "--block", "--double",
                             "--snapshot", "--help", kDemoOutput})
    {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
}

TEST(RenderOptions, ScaleGoesWithASnapshotAndIsAFactorFrom1To4)
{
    EXPECT_EQ(Parse({"--snapshot", "a.png", "--scale", "2"}).scale, 2.0);
    EXPECT_EQ(Parse({"--scale=1.5", "--snapshot", "a.png"}).scale, 1.5);
    EXPECT_EQ(Parse({"--snapshot", "a.png"}).scale, 0.0);
    for (const char* bad : {"0.5", "4.5", "two", "", "nan", "inf"})
        EXPECT_EQ(ParseError({"--snapshot", "a.png", "--scale", bad}),
                  std::string("--scale wants a factor from 1 to 4, not '") + bad + "'");
    EXPECT_EQ(ParseError({"--scale", "2"}), "--scale goes with --snapshot");
}

TEST(RenderOptions, SnapshotTakesSettingsAndAPluginButNoRenderOptions)
{
    const Options options =
        Parse({"--snapshot", "ed.png", "--set", "Model=2", "--plugin=/x/VELTAR.vst3"});
    EXPECT_EQ(options.snapshot, "ed.png");
    ASSERT_EQ(options.settings.size(), 1u);
    EXPECT_EQ(options.plugin, "/x/VELTAR.vst3");
    EXPECT_TRUE(Parse({}).snapshot.empty());
    EXPECT_EQ(ParseError({"--snapshot="}), "--snapshot needs a non-empty value");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--snapshot", "a.png", "--block", "64"},
                                               {"--double", "--snapshot", "a.png"},
                                               {"--snapshot", "a.png", "--out", "b.wav"}})
    {
        EXPECT_NE(ParseError(args).find("does not go with it"), std::string::npos) << args[0];
    }
}
