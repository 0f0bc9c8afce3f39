// Runs the built veltar-render on generated files, as a user would, against the built bundle.
#include "AudioFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <sys/wait.h>

using namespace veltar_render;
namespace fs = std::filesystem;

namespace
{

using Channels = std::vector<std::vector<double>>;

struct RunResult
{
    int status = -1;
    std::string out;
    std::string err;
};

struct Audio
{
    Channels channels;
    double sampleRate = 0.0;
};

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Channels TestSignal(int channelCount, int frames, double sampleRate)
{
    Channels channels(static_cast<size_t>(channelCount), std::vector<double>(frames));
    for (int c = 0; c < channelCount; ++c)
    {
        for (int i = 0; i < frames; ++i)
        {
            channels[c][i] =
                0.4 * std::sin(2.0 * 3.14159265358979 * (220.0 + 110.0 * c) * i / sampleRate);
        }
    }
    return channels;
}

void WriteWav(const fs::path& path, const Channels& channels, double sampleRate)
{
    std::vector<const double*> pointers;
    for (const auto& channel : channels)
    {
        pointers.push_back(channel.data());
    }
    AudioFileWriter writer;
    ASSERT_TRUE(writer.Open(path.string(), static_cast<int>(channels.size()), sampleRate));
    ASSERT_TRUE(writer.Write(pointers.data(), static_cast<int64_t>(channels[0].size())));
    ASSERT_TRUE(writer.Commit());
}

Audio ReadWav(const fs::path& path)
{
    Audio audio;
    AudioFileReader reader;
    EXPECT_TRUE(reader.Open(path.string())) << reader.GetError();
    if (reader.GetChannelCount() == 0)
    {
        return audio;
    }
    audio.sampleRate = reader.GetSampleRate();
    audio.channels.assign(static_cast<size_t>(reader.GetChannelCount()),
                          std::vector<double>(static_cast<size_t>(reader.GetFrameCount())));
    std::vector<double*> pointers;
    for (auto& channel : audio.channels)
    {
        pointers.push_back(channel.data());
    }
    EXPECT_EQ(reader.Read(pointers.data(), reader.GetFrameCount()), reader.GetFrameCount());
    return audio;
}

class RenderEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "veltar-render-e2e-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        mDir = pattern;
        mInput = mDir / "in.wav";
        WriteWav(mInput, TestSignal(2, kFrames, kRate), kRate);
    }
    void TearDown() override { fs::remove_all(mDir); }

    // Runs the renderer in the test's folder with the bundle built next to it.
    RunResult Render(const std::string& arguments)
    {
        const std::string command = "cd '" + mDir.string() + "' && '" VELTAR_RENDER_EXE "' " +
                                    arguments + " >stdout.txt 2>stderr.txt";
        const int status = std::system(command.c_str());
        RunResult run;
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Slurp(mDir / "stdout.txt");
        run.err = Slurp(mDir / "stderr.txt");
        fs::remove(mDir / "stdout.txt");
        fs::remove(mDir / "stderr.txt");
        return run;
    }

    // Names in the test folder other than the input.
    std::vector<std::string> Leftovers() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(mDir))
        {
            if (entry.path() != mInput)
            {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    static constexpr int kFrames = 12345;
    static constexpr double kRate = 44100.0;
    fs::path mDir;
    fs::path mInput;
};

void ExpectFinite(const Audio& audio)
{
    for (const auto& channel : audio.channels)
    {
        for (double x : channel)
        {
            ASSERT_TRUE(std::isfinite(x));
        }
    }
}

double MaxDifference(const Channels& a, const Channels& b)
{
    double most = 0.0;
    for (size_t c = 0; c < a.size(); ++c)
    {
        for (size_t i = 0; i < a[c].size(); ++i)
        {
            most = std::max(most, std::fabs(a[c][i] - b[c][i]));
        }
    }
    return most;
}

} // namespace

TEST_F(RenderEndToEnd, StereoFileWithSettingsRendersAndReports)
{
    const RunResult run =
        Render("--in in.wav --out out.wav --set Input=12 --set model=1 --set Bus=0");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Input=12"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Model=1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("44100 Hz, 12345 frames"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("realtime"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("peak"), std::string::npos) << run.out;

    const Audio input = ReadWav(mInput);
    const Audio output = ReadWav(mDir / "out.wav");
    EXPECT_EQ(output.sampleRate, kRate);
    ASSERT_EQ(output.channels.size(), 2u);
    ASSERT_EQ(output.channels[0].size(), static_cast<size_t>(kFrames));
    ExpectFinite(output);
    EXPECT_GT(MaxDifference(input.channels, output.channels), 0.1);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"out.wav"});
}

TEST_F(RenderEndToEnd, BlockSizeAndSampleSizeDoNotChangeTheResult)
{
    ASSERT_EQ(Render("--in in.wav --out a.wav --set Input=6").status, 0);
    ASSERT_EQ(Render("--in in.wav --out b.wav --set Input=6 --block 7").status, 0);
    ASSERT_EQ(Render("--in in.wav --out c.wav --set Input=6 --double --block 4096").status, 0);
    const Audio a = ReadWav(mDir / "a.wav");
    EXPECT_EQ(ReadWav(mDir / "b.wav").channels, a.channels);
    // The plug-in works in 64 bits either way; only the rounding of its 32-bit output differs.
    EXPECT_LT(MaxDifference(ReadWav(mDir / "c.wav").channels, a.channels), 1e-6);
}

TEST_F(RenderEndToEnd, MonoStaysMonoAndBypassPassesThrough)
{
    WriteWav(mDir / "mono.wav", TestSignal(1, 3000, 22050.0), 22050.0);
    const RunResult run = Render("--in mono.wav --out mono-out.wav --set Bypass=1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("mono"), std::string::npos);
    const Audio output = ReadWav(mDir / "mono-out.wav");
    EXPECT_EQ(output.sampleRate, 22050.0);
    ASSERT_EQ(output.channels.size(), 1u);
    EXPECT_EQ(output.channels, ReadWav(mDir / "mono.wav").channels);
}

TEST_F(RenderEndToEnd, DemoRendersWithoutAnyArgument)
{
    const RunResult run = Render("");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("built-in demo"), std::string::npos) << run.out;
    const Audio demo = ReadWav(mDir / "veltar-demo.wav");
    EXPECT_EQ(demo.sampleRate, 48000.0);
    ASSERT_EQ(demo.channels.size(), 2u);
    EXPECT_EQ(demo.channels[0].size(), 6u * 48000u);
    ExpectFinite(demo);
}

TEST_F(RenderEndToEnd, BadParametersFailBeforeAnythingIsWritten)
{
    std::ofstream(mDir / "out.wav") << "previous render";
    const RunResult unknown = Render("--in in.wav --out out.wav --set Drive=3");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown parameter 'Drive'"), std::string::npos) << unknown.err;
    EXPECT_NE(unknown.err.find("Input, Output, Low, High, Transformer, Bus, Model"),
              std::string::npos)
        << unknown.err;

    const RunResult range = Render("--in in.wav --out out.wav --set Output=25");
    EXPECT_EQ(range.status, 2);
    EXPECT_NE(range.err.find("Output takes -24 to 24"), std::string::npos) << range.err;

    EXPECT_EQ(Render("--in in.wav --out out.wav --set Model=3").status, 2);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"out.wav"});
    EXPECT_EQ(Slurp(mDir / "out.wav"), "previous render");

    fs::remove(mDir / "out.wav");
    EXPECT_EQ(Render("--set Drive=3").status, 2);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RenderEndToEnd, UnusableFilesAndOptionsExitWithStatusTwo)
{
    const RunResult missing = Render("--in missing.wav --out out.wav");
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("cannot read missing.wav"), std::string::npos) << missing.err;

    std::ofstream(mDir / "text.wav") << "this is not audio";
    EXPECT_EQ(Render("--in text.wav --out out.wav").status, 2);

    WriteWav(mDir / "three.wav", TestSignal(3, 100, kRate), kRate);
    const RunResult three = Render("--in three.wav --out out.wav");
    EXPECT_EQ(three.status, 2);
    EXPECT_NE(three.err.find("3 channels"), std::string::npos) << three.err;

    const RunResult unwritable = Render("--in in.wav --out no/such/folder/out.wav");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;

    const RunResult plugin = Render("--in in.wav --out out.wav --plugin nowhere.vst3");
    EXPECT_EQ(plugin.status, 2);
    EXPECT_NE(plugin.err.find("nowhere"), std::string::npos) << plugin.err;

    EXPECT_EQ(Render("--block 0").status, 2);
    EXPECT_EQ(Render("--in in.wav").status, 2);

    fs::remove(mDir / "text.wav");
    fs::remove(mDir / "three.wav");
    EXPECT_TRUE(Leftovers().empty());

    const RunResult help = Render("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: veltar-render"), std::string::npos);
}

TEST_F(RenderEndToEnd, SavedProgramReproducesTheRender)
{
    // Every normalised position here is exact in single precision (Input has shape 2, so 6 dB
    // lies at 0.5), so the program holds the render's values exactly.
    const RunResult first = Render("--in in.wav --out a.wav --set Input=6 --set Output=-6 "
                                   "--set Low=0.75 --set High=0.25 --set Transformer=0 "
                                   "--set Model=2 --save-fxp warm.fxp");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("program: warm.fxp"), std::string::npos) << first.out;
    const std::string program = Slurp(mDir / "warm.fxp");
    ASSERT_EQ(program.size(), 56u + 7 * 4);
    EXPECT_EQ(program.substr(0, 12), std::string("CcnK\0\0\0\0FxCk", 12));
    EXPECT_EQ(program.substr(16, 12), std::string("Vtr1\0\0\x27\x74\0\0\0\x07", 12));
    EXPECT_EQ(program.substr(28, 5), std::string("warm\0", 5));

    const RunResult second = Render("--in in.wav --out b.wav --load-fxp warm.fxp");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("Input=6 Output=-6 Low=0.75 High=0.25 Transformer=0 Bus=1 Model=2"),
              std::string::npos)
        << second.out;
    // Sample for sample; the files' bytes differ in the time stamp of their PEAK chunk.
    EXPECT_EQ(ReadWav(mDir / "b.wav").channels, ReadWav(mDir / "a.wav").channels);

    // A loaded program keeps its name when it is saved again; --set changes one value of it.
    ASSERT_EQ(Render("--load-fxp warm.fxp --set Model=0 --save-fxp cold.fxp").status, 0);
    std::string expected = program;
    expected[56 + 6 * 4] = 0;
    expected[56 + 6 * 4 + 1] = 0;
    EXPECT_EQ(Slurp(mDir / "cold.fxp"), expected);
}

TEST_F(RenderEndToEnd, SaveProgramWithoutInAndOutRendersNothing)
{
    const RunResult run = Render("--save-fxp only.fxp --set Model=1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("nothing rendered"), std::string::npos) << run.out;
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"only.fxp"});
    // Model 1 of 0 to 2 is at 0.5.
    EXPECT_EQ(Slurp(mDir / "only.fxp").substr(56 + 6 * 4), std::string("\x3F\0\0\0", 4));
}

TEST_F(RenderEndToEnd, UnusableProgramFilesExitWithStatusTwoAndWriteNothing)
{
    ASSERT_EQ(Render("--save-fxp good.fxp").status, 0);
    const std::string good = Slurp(mDir / "good.fxp");
    const auto write = [&](const char* name, std::string bytes)
    { std::ofstream(mDir / name, std::ios::binary) << bytes; };
    write("foreign.fxp", std::string(good).replace(16, 4, "Othr"));
    write("chunk.fxp", std::string(good).replace(8, 4, "FPCh"));
    write("short.fxp", good.substr(0, good.size() - 4));
    write("nan.fxp", std::string(good).replace(60, 4, "\x7F\xC0\0\0", 4));
    write("text.fxp", "not a program");
    struct Case
    {
        const char* file;
        const char* says;
    };
    for (const Case& c : {Case{"missing.fxp", "cannot read the program file missing.fxp"},
                          Case{"foreign.fxp", "plug-in with ID 'Othr', not to VELTAR ('Vtr1')"},
                          Case{"chunk.fxp", "state chunk"},
                          Case{"short.fxp", "holds 6 values; VELTAR has 7 parameters"},
                          Case{"nan.fxp", "parameter 1 is not a number"},
                          Case{"text.fxp", "ends inside the 56-byte header"}})
    {
        const RunResult run = Render(
            std::string("--in in.wav --out out.wav --save-fxp again.fxp --load-fxp ") + c.file);
        EXPECT_EQ(run.status, 2) << c.file;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(mDir / "out.wav")) << c.file;
        EXPECT_FALSE(fs::exists(mDir / "again.fxp")) << c.file;
    }

    const RunResult unwritable = Render("--in in.wav --out out.wav --save-fxp no/such/p.fxp");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("cannot write the program file"), std::string::npos)
        << unwritable.err;
    EXPECT_FALSE(fs::exists(mDir / "out.wav"));
}
