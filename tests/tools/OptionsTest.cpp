#include "Options.h"

#include "plugin/FactoryPresets.h"

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

TEST(RenderOptions, DefaultsAre32BitBlocksOf512WithPrerollAndDither)
{
    const Options options = Parse({"--in", "a.wav", "--out", "b.wav"});
    EXPECT_TRUE(options.plugin.empty());
    EXPECT_TRUE(options.settings.empty());
    EXPECT_EQ(options.blockFrames, 512);
    EXPECT_FALSE(options.doublePrecision);
    EXPECT_TRUE(options.preroll);
    EXPECT_TRUE(options.dither);
    EXPECT_EQ(options.jobs, 0);
    EXPECT_TRUE(options.format.empty());
    EXPECT_TRUE(options.bits.empty());
    EXPECT_FALSE(options.quiet || options.help || options.version || options.demo);
}

TEST(RenderOptions, ValuesComeAsNextArgumentOrAfterEquals)
{
    const Options options =
        Parse({"--plugin", "/x/VELTAR.vst3", "--in=song.flac", "-o", "a=b.wav", "--set", "input=12",
               "--set=Model=QUAD", "--set", "Output=-6.5", "--block=64", "--double",
               "--format=flac", "--bits", "16", "--no-dither", "--no-preroll", "-q"});
    EXPECT_EQ(options.plugin, "/x/VELTAR.vst3");
    EXPECT_EQ(options.input, "song.flac");
    EXPECT_EQ(options.output, "a=b.wav");
    ASSERT_EQ(options.settings.size(), 3u);
    EXPECT_EQ(options.settings[0].name, "input");
    EXPECT_EQ(options.settings[0].text, "12");
    EXPECT_EQ(options.settings[1].name, "Model");
    EXPECT_EQ(options.settings[1].text, "QUAD");
    EXPECT_EQ(options.settings[2].text, "-6.5");
    EXPECT_EQ(options.blockFrames, 64);
    EXPECT_TRUE(options.doublePrecision);
    EXPECT_EQ(options.format, "flac");
    EXPECT_EQ(options.bits, "16");
    EXPECT_FALSE(options.dither);
    EXPECT_FALSE(options.preroll);
    EXPECT_TRUE(options.quiet);
    EXPECT_TRUE(Parse({"--help"}).help);
    EXPECT_TRUE(Parse({"-h"}).help);
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_TRUE(Parse({"--demo"}).demo);
    EXPECT_EQ(Parse({"--in", "-", "--out", "-"}).output, "-");
}

TEST(RenderOptions, MalformedArgumentsAreRefusedWithAReason)
{
    EXPECT_EQ(ParseError({"--frobnicate"}), "unknown option --frobnicate");
    EXPECT_EQ(ParseError({"-x"}), "unknown option -x");
    EXPECT_NE(ParseError({"song.wav"}).find("unexpected argument 'song.wav'"), std::string::npos);
    EXPECT_EQ(ParseError({"--out"}), "--out needs a value");
    EXPECT_EQ(ParseError({"--in", "a.wav", "--out="}), "--out needs a non-empty value");
    EXPECT_EQ(ParseError({"--double=1"}), "--double takes no value");
    EXPECT_EQ(ParseError({"--in", "a.wav"}), "--in needs --out FILE to say where the result goes");
    EXPECT_EQ(ParseError({"--out", "a.wav"}),
              "--out needs --in FILE (or --demo) to say what to render");
    EXPECT_EQ(ParseError({"--demo", "--in", "a.wav", "--out", "b.wav"}),
              "--demo renders the built-in signal; it does not go with --in");
    EXPECT_EQ(ParseError({"--bits", "20"}), "--bits takes 16, 24, 32 or float, not '20'");
}

TEST(RenderOptions, WholeNumbersMustBeInRange)
{
    for (const char* bad : {"0", "-4", "65537", "12x", "", "1.5", "99999999999999999999"})
    {
        EXPECT_NE(ParseError({"--block", bad}).find("--block wants a whole number"),
                  std::string::npos)
            << bad;
    }
    EXPECT_EQ(Parse({"--demo", "--block", "1"}).blockFrames, 1);
    EXPECT_EQ(Parse({"--demo", "--block", "65536"}).blockFrames, kMaxBlockFrames);
    for (const char* bad : {"0", "257", "two"})
    {
        EXPECT_NE(ParseError({"-j", bad}).find("--jobs wants a whole number"), std::string::npos)
            << bad;
    }
    // Powers of two; which of them the plug-in offers, it says when it is loaded.
    for (const char* bad : {"0", "3", "6", "-2", "128", "4x"})
    {
        EXPECT_NE(ParseError({"--oversample", bad}).find("--oversample wants a factor"),
                  std::string::npos)
            << bad;
    }
    EXPECT_EQ(Parse({"--demo"}).oversample, 1);
    EXPECT_EQ(Parse({"--demo", "--oversample", "8"}).oversample, 8);
    EXPECT_EQ(Parse({"--demo", "--oversample=16"}).oversample, 16);
}

TEST(RenderOptions, SettingsNeedANameAndAValue)
{
    EXPECT_EQ(ParseError({"--set", "Input"}), "--set wants NAME=VALUE, not 'Input'");
    EXPECT_EQ(ParseError({"--set", "=3"}), "--set wants NAME=VALUE, not '=3'");
    EXPECT_EQ(ParseError({"--set", "Input="}), "--set wants NAME=VALUE, not 'Input='");
}

TEST(RenderOptions, BatchTakesFilesAfterTheOptions)
{
    const Options options =
        Parse({"--out-dir", "done", "-j", "3", "a.wav", "b.flac", "--", "-odd.wav"});
    EXPECT_EQ(options.outDir, "done");
    EXPECT_EQ(options.jobs, 3);
    EXPECT_EQ(options.inputs, (std::vector<std::string>{"a.wav", "b.flac", "-odd.wav"}));
    EXPECT_EQ(ParseError({"--out-dir", "done"}),
              "--out-dir needs the files to render after the options");
    EXPECT_NE(ParseError({"--out-dir", "done", "--in", "a.wav", "b.wav"}).find("does not go with"),
              std::string::npos);
}

TEST(RenderOptions, UsageNamesEveryOption)
{
    const std::string usage = UsageText();
    for (const char* word :
         {"--plugin",   "--in",       "--out",     "-o,",         "--out-dir",    "-j,",
          "--jobs",     "--format",   "--bits",    "--no-dither", "--no-preroll", "--set",
          "--load-fxp", "--save-fxp", "--block",   "--double",    "--demo",       "--snapshot",
          "-q,",        "--quiet",    "--version", "-h,",         "--help",       kDemoOutput})
    {
        EXPECT_NE(usage.find(word), std::string::npos) << word;
    }
    EXPECT_NE(ShortUsageText().find("--help"), std::string::npos);
}

TEST(RenderOptions, QualityIsANumberFrom0To10)
{
    EXPECT_LT(Parse({"--in", "a.wav", "--out", "b.ogg"}).quality, 0.0);
    EXPECT_EQ(Parse({"--in", "a.wav", "--out", "b.ogg", "--quality", "0"}).quality, 0.0);
    EXPECT_EQ(Parse({"--in", "a.wav", "--out", "b.ogg", "--quality=6.5"}).quality, 6.5);
    EXPECT_EQ(Parse({"--in", "a.wav", "--out", "b.ogg", "--quality", "10"}).quality, 10.0);
    for (const char* bad : {"-1", "10.5", "high", "", "nan", "inf"})
        EXPECT_EQ(ParseError({"--in", "a.wav", "--out", "b.ogg", "--quality", bad}),
                  std::string("--quality wants a number from 0 to 10, not '") + bad + "'");
    EXPECT_NE(UsageText().find("--quality Q"), std::string::npos);
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

TEST(RenderOptions, SnapshotTakesSettingsAProgramAndAPluginButNoRenderOptions)
{
    const Options options = Parse({"--snapshot", "ed.PNG", "--set", "Model=2",
                                   "--plugin=/x/VELTAR.vst3", "--load-fxp", "warm.fxp"});
    EXPECT_EQ(options.snapshot, "ed.PNG");
    ASSERT_EQ(options.settings.size(), 1u);
    EXPECT_EQ(options.plugin, "/x/VELTAR.vst3");
    EXPECT_EQ(options.loadFxp, "warm.fxp");
    EXPECT_EQ(ParseError({"--snapshot="}), "--snapshot needs a non-empty value");
    EXPECT_EQ(ParseError({"--snapshot", "editor.wav"}),
              "--snapshot writes a PNG picture; name it FILE.png, not 'editor.wav'");
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--snapshot", "a.png", "--block", "64"},
                                               {"--double", "--snapshot", "a.png"},
                                               {"--snapshot", "a.png", "--out", "b.wav"},
                                               {"--snapshot", "a.png", "--save-fxp", "b.fxp"}})
    {
        EXPECT_NE(ParseError(args).find("does not go with it"), std::string::npos) << args[0];
    }
}

// A preset's values come first, by parameter ID, however the options are ordered, so that --set
// changes single values of it.
TEST(RenderOptions, APresetPutsItsValuesBeforeTheSettings)
{
    const Options options = Parse(
        {"--set", "Input=3", "--in", "a.wav", "--out", "b.wav", "--preset", "mastering-SHEEN"});
    EXPECT_EQ(options.preset, "Mastering Sheen");
    ASSERT_EQ(options.settings.size(), size_t(kNumParams) + 1);
    const FactoryPreset* sheen = FindFactoryPreset("Mastering Sheen");
    ASSERT_NE(sheen, nullptr);
    for (int i = 0; i < kNumParams; ++i)
    {
        EXPECT_EQ(options.settings[size_t(i)].paramId, i);
        EXPECT_EQ(std::stod(options.settings[size_t(i)].text), sheen->values[i]);
    }
    EXPECT_EQ(options.settings.back().name, "Input");
    EXPECT_EQ(options.settings.back().paramId, -1);
    EXPECT_TRUE(Parse({"--list-presets"}).listPresets);
    EXPECT_EQ(ParseError({"--preset", "nothing", "--demo"}).rfind("unknown preset 'nothing'", 0),
              0u);
    EXPECT_EQ(ParseError({"--preset", "Dark Bass", "--load-fxp", "a.fxp", "--demo"}),
              "--preset and --load-fxp each set every parameter; give one of them");
    EXPECT_FALSE(PresetListText().empty());
}
