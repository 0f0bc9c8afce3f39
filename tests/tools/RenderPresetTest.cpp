// veltar-render's factory presets, run as a user runs the built renderer: a preset renders the
// same bytes as its values set one by one, in a single render and in a batch, and the lists and
// refusals name the presets of the plug-in's table.
#include "plugin/FactoryPresets.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace
{

const char* const kTitles[kNumParams] = {"Input",       "Output", "Low",  "High",
                                         "Transformer", "Bus",    "Model"};

class RenderPreset : public TempFolderTest
{
protected:
    // Runs the renderer in the test's folder; answers its exit status, with what it printed (both
    // streams) in printed.
    int Render(const std::string& arguments, std::string* printed = nullptr)
    {
        const std::string command =
            "cd '" + mDir.string() + "' && '" VELTAR_RENDER_EXE "' " + arguments + " 2>&1";
        std::FILE* pipe = popen(command.c_str(), "r");
        std::string text;
        char buffer[4096];
        for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            text.append(buffer, n);
        const int status = pipe ? pclose(pipe) : -1;
        if (printed)
            *printed = text;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::string Bytes(const std::string& name) const
    {
        std::ifstream in(mDir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // Two channels of a tone loud enough to drive the presets that drive.
    void MakeInput()
    {
        ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 24 '" + (mDir / "in.wav").string() +
                               "' synth 0.3 sine 220 sine 331 gain -8")
                                  .c_str()),
                  0);
    }
};

std::string SetOptions(const FactoryPreset& preset)
{
    std::string options;
    for (int i = 0; i < kNumParams; ++i)
    {
        char value[32];
        std::snprintf(value, sizeof value, "%.17g", preset.values[i]);
        options += std::string(" --set ") + kTitles[i] + "=" + value;
    }
    return options;
}

// A name typed as a shell user would: lower case, dashes for spaces.
std::string Typed(const char* name)
{
    std::string typed = name;
    for (char& c : typed)
        c = c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
    return typed;
}

TEST_F(RenderPreset, APresetRendersTheBytesOfItsValuesSetOneByOne)
{
    MakeInput();
    for (int p = 0; p < kNumFactoryPresets; ++p)
    {
        const FactoryPreset& preset = kFactoryPresets[p];
        SCOPED_TRACE(preset.name);
        ASSERT_EQ(Render("-q --in in.wav --out by-preset.wav --preset " + Typed(preset.name)), 0);
        ASSERT_EQ(Render("-q --in in.wav --out by-values.wav" + SetOptions(preset)), 0);
        const std::string rendered = Bytes("by-preset.wav");
        EXPECT_GT(rendered.size(), 44100u * 2u * 3u / 4u);
        EXPECT_TRUE(rendered == Bytes("by-values.wav"));
    }
    // --set after a preset changes single values of it, wherever it stands.
    const FactoryPreset& crunch = kFactoryPresets[6];
    ASSERT_EQ(Render("-q --set output=-20 --in in.wav --out changed.wav --preset 'DRUM CRUNCH'"),
              0);
    ASSERT_EQ(Render("-q --in in.wav --out set.wav" + SetOptions(crunch) + " --set Output=-20"), 0);
    EXPECT_TRUE(Bytes("changed.wav") == Bytes("set.wav"));
    EXPECT_FALSE(Bytes("changed.wav") == Bytes("by-preset.wav"));
}

TEST_F(RenderPreset, TheBatchTakesAPresetForEveryFile)
{
    MakeInput();
    ASSERT_EQ(std::system(("mkdir '" + (mDir / "out").string() + "' && cp '" +
                           (mDir / "in.wav").string() + "' '" + (mDir / "two.wav").string() + "'")
                              .c_str()),
              0);
    ASSERT_EQ(Render("-q --preset bus_glue --out-dir out in.wav two.wav"), 0);
    ASSERT_EQ(Render("-q --in in.wav --out single.wav --preset 'Bus Glue'"), 0);
    EXPECT_TRUE(Bytes("out/in.wav") == Bytes("single.wav"));
    EXPECT_TRUE(Bytes("out/two.wav") == Bytes("single.wav"));
}

TEST_F(RenderPreset, ListsNameEveryPresetAndWrongNamesOrCombinationsAreRefused)
{
    std::string list, help, unknown, both;
    EXPECT_EQ(Render("--list-presets", &list), 0);
    EXPECT_EQ(Render("--help", &help), 0);
    for (int p = 0; p < kNumFactoryPresets; ++p)
    {
        EXPECT_NE(list.find(kFactoryPresets[p].name), std::string::npos) << list;
        EXPECT_NE(list.find(kFactoryPresets[p].description), std::string::npos) << list;
        EXPECT_NE(help.find(kFactoryPresets[p].name), std::string::npos);
    }
    EXPECT_NE(help.find("--preset NAME"), std::string::npos);
    EXPECT_EQ(Render("--preset 'Warm Tub' --in in.wav --out x.wav", &unknown), 2);
    EXPECT_NE(unknown.find("unknown preset 'Warm Tub'; the presets are: Clean Console, Warm Tube"),
              std::string::npos)
        << unknown;
    EXPECT_EQ(Render("--preset 'Warm Tube' --load-fxp a.fxp --in in.wav --out x.wav", &both), 2);
    EXPECT_NE(both.find("--preset and --load-fxp"), std::string::npos) << both;
    EXPECT_TRUE(Bytes("x.wav").empty());
}

} // namespace
