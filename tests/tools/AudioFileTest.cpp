#include "AudioFile.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdlib.h>

using namespace veltar_render;
namespace fs = std::filesystem;

namespace
{

class RenderAudioFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "veltar-audiofile-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        mDir = pattern;
    }
    void TearDown() override { fs::remove_all(mDir); }

    size_t EntryCount() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(mDir), {}));
    }

    fs::path mDir;
};

} // namespace

TEST_F(RenderAudioFile, CommittedFileReadsBackAsWritten)
{
    const std::string path = (mDir / "out.wav").string();
    std::vector<double> left = {0.0, 0.5, -0.25, 1.5};
    std::vector<double> right = {0.125, -1.0, 0.75, -2.0};
    const double* channels[] = {left.data(), right.data()};
    {
        AudioFileWriter writer;
        ASSERT_TRUE(writer.Open(path, 2, 44100.0)) << writer.GetError();
        ASSERT_TRUE(writer.Write(channels, 4));
        EXPECT_FALSE(fs::exists(path)) << "the destination appears only when complete";
        ASSERT_TRUE(writer.Commit()) << writer.GetError();
    }
    EXPECT_EQ(EntryCount(), 1u);

    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.GetError();
    EXPECT_EQ(reader.GetChannelCount(), 2);
    EXPECT_EQ(reader.GetSampleRate(), 44100.0);
    EXPECT_EQ(reader.GetFrameCount(), 4);
    std::vector<double> readLeft(8, 9.0);
    std::vector<double> readRight(8, 9.0);
    double* into[] = {readLeft.data(), readRight.data()};
    ASSERT_EQ(reader.Read(into, 8), 4);
    readLeft.resize(4);
    readRight.resize(4);
    // Float files keep values beyond full scale.
    EXPECT_EQ(readLeft, left);
    EXPECT_EQ(readRight, right);
    EXPECT_EQ(reader.Read(into, 8), 0);
}

TEST_F(RenderAudioFile, UncommittedWriterLeavesNothingAndKeepsAnOldFile)
{
    const fs::path path = mDir / "keep.wav";
    std::ofstream(path) << "old contents";
    {
        AudioFileWriter writer;
        ASSERT_TRUE(writer.Open(path.string(), 1, 48000.0));
        std::vector<double> samples(100, 0.1);
        const double* channels[] = {samples.data()};
        ASSERT_TRUE(writer.Write(channels, 100));
        EXPECT_EQ(EntryCount(), 2u);
    }
    EXPECT_EQ(EntryCount(), 1u);
    std::ifstream in(path);
    std::string contents;
    std::getline(in, contents);
    EXPECT_EQ(contents, "old contents");
}

TEST_F(RenderAudioFile, UnwritableAndUnreadablePathsFailWithTheirName)
{
    AudioFileWriter writer;
    const std::string missingDir = (mDir / "no" / "out.wav").string();
    EXPECT_FALSE(writer.Open(missingDir, 2, 48000.0));
    EXPECT_NE(writer.GetError().find(missingDir), std::string::npos) << writer.GetError();

    // The destination is a folder: everything works until the rename, which must clean up.
    fs::create_directory(mDir / "folder.wav");
    ASSERT_TRUE(writer.Open((mDir / "folder.wav").string(), 1, 48000.0));
    EXPECT_FALSE(writer.Commit());
    EXPECT_EQ(EntryCount(), 1u);

    AudioFileReader reader;
    EXPECT_FALSE(reader.Open((mDir / "missing.wav").string()));
    EXPECT_NE(reader.GetError().find("missing.wav"), std::string::npos);
    std::ofstream(mDir / "text.wav") << "not audio at all";
    EXPECT_FALSE(reader.Open((mDir / "text.wav").string()));
}

TEST_F(RenderAudioFile, TakesOverAFileOpenedElsewhere)
{
    const fs::path path = mDir / "open.wav";
    std::vector<double> samples = {0.5, -0.25, 0.125};
    const double* channels[] = {samples.data()};
    AudioFileWriter writer;
    ASSERT_TRUE(writer.Open(path.string(), 1, 96000.0)) << writer.GetError();
    ASSERT_TRUE(writer.Write(channels, 3));
    ASSERT_TRUE(writer.Commit()) << writer.GetError();

    SF_INFO info{};
    SNDFILE* file = sf_open_fd(open(path.c_str(), O_RDONLY), SFM_READ, &info, SF_TRUE);
    ASSERT_NE(file, nullptr);
    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(file, "in memory"));
    EXPECT_EQ(reader.GetChannelCount(), 1);
    EXPECT_EQ(reader.GetSampleRate(), 96000.0);
    EXPECT_EQ(reader.GetFrameCount(), 3);
    std::vector<double> read(4, 9.0);
    double* into[] = {read.data()};
    ASSERT_EQ(reader.Read(into, 4), 3);
    read.resize(3);
    EXPECT_EQ(read, samples);

    AudioFileReader nothing;
    EXPECT_FALSE(nothing.Open(nullptr, "in memory"));
    EXPECT_NE(nothing.GetError().find("cannot read in memory"), std::string::npos);
}
