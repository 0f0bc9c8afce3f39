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
