// The built veltar-render run in a folder of the test's own on generated files, as a user runs it,
// and the files it writes read back.
#pragma once

#include "AudioFileReader.h"
#include "AudioFileWriter.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace rendertest
{

using namespace veltar_render;
namespace fs = std::filesystem;

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

inline std::string Slurp(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline Channels TestSignal(int channelCount, int frames, double sampleRate)
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

inline void WriteWav(const fs::path& path, const Channels& channels, double sampleRate)
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

inline Audio ReadWav(const fs::path& path)
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

class RenderEndToEnd : public TempFolderTest
{
protected:
    void SetUp() override
    {
        TempFolderTest::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        mInput = mDir / "in.wav";
        WriteWav(mInput, TestSignal(2, kFrames, kRate), kRate);
    }

    // Runs the renderer in the test's folder with the bundle built next to it.
    RunResult Render(const std::string& arguments)
    {
        return Run("'" VELTAR_RENDER_EXE "' " + arguments);
    }

    // Runs a shell command in the test's folder; $R is the renderer.
    RunResult Run(const std::string& shellCommand)
    {
        const std::string command = "cd '" + mDir.string() +
                                    "' && R='" VELTAR_RENDER_EXE "' && { " + shellCommand +
                                    "; } >stdout.txt 2>stderr.txt";
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
    fs::path mInput;
};

} // namespace rendertest
