#include "AudioFileReader.h"
#include "AudioFileWriter.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

using namespace veltar_render;
namespace fs = std::filesystem;

namespace
{

class RenderAudioFile : public TempFolderTest
{
protected:
    size_t EntryCount() const
    {
        return static_cast<size_t>(std::distance(fs::directory_iterator(mDir), {}));
    }

    // Writes frames of value on both channels into path and commits; answers the writer's error.
    std::string WriteConstant(const std::string& path, double value, int frames,
                              const OutputFormat& format, int64_t* clipped = nullptr)
    {
        std::vector<double> samples(static_cast<size_t>(frames), value);
        const double* channels[] = {samples.data(), samples.data()};
        AudioFileWriter writer;
        if (!writer.Open(path, 2, 48000.0, format) || !writer.Write(channels, frames) ||
            !writer.Commit())
        {
            return writer.GetError();
        }
        if (clipped != nullptr)
        {
            *clipped = writer.GetClippedSamples();
        }
        return "";
    }

    std::vector<double> ReadLeft(const std::string& path)
    {
        AudioFileReader reader;
        EXPECT_TRUE(reader.Open(path)) << reader.GetError();
        std::vector<double> left(static_cast<size_t>(reader.GetFrameCount()));
        std::vector<double> right(left.size());
        double* into[] = {left.data(), right.data()};
        EXPECT_EQ(reader.Read(into, reader.GetFrameCount()), reader.GetFrameCount());
        return left;
    }
};

std::string Slurp(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

OutputFormat Format(const std::string& path, const std::string& name = "",
                    const std::string& bits = "")
{
    OutputFormat format;
    std::string error;
    EXPECT_TRUE(ChooseOutputFormat(path, name, bits, format, error)) << error;
    return format;
}

std::string FormatError(const std::string& path, const std::string& name, const std::string& bits)
{
    OutputFormat format;
    std::string error;
    EXPECT_FALSE(ChooseOutputFormat(path, name, bits, format, error));
    return error;
}

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

    // A folder is refused before anything is written.
    fs::create_directory(mDir / "folder.wav");
    EXPECT_FALSE(writer.Open((mDir / "folder.wav").string(), 1, 48000.0));
    EXPECT_NE(writer.GetError().find("Is a directory"), std::string::npos) << writer.GetError();
    EXPECT_EQ(EntryCount(), 1u);

    AudioFileReader reader;
    EXPECT_FALSE(reader.Open((mDir / "missing.wav").string()));
    EXPECT_NE(reader.GetError().find("missing.wav"), std::string::npos);
    std::ofstream(mDir / "text.wav") << "not audio at all";
    EXPECT_FALSE(reader.Open((mDir / "text.wav").string()));
}

TEST_F(RenderAudioFile, LinksAreWrittenThroughAndFilesKeepTheirMode)
{
    const std::string target = (mDir / "take.wav").string();
    std::ofstream(target) << "old";
    chmod(target.c_str(), 0640);
    fs::create_symlink("take.wav", mDir / "link.wav");
    ASSERT_EQ(WriteConstant((mDir / "link.wav").string(), 0.5, 10, OutputFormat()), "");
    EXPECT_TRUE(fs::is_symlink(mDir / "link.wav"));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(ReadLeft(target), std::vector<double>(10, 0.5));

    // A link to a file not there yet creates the file, not a file in place of the link.
    fs::create_symlink("later.wav", mDir / "dangling.wav");
    ASSERT_EQ(WriteConstant((mDir / "dangling.wav").string(), 0.25, 3, OutputFormat()), "");
    EXPECT_TRUE(fs::is_symlink(mDir / "dangling.wav"));
    EXPECT_TRUE(fs::is_regular_file(mDir / "later.wav"));

    EXPECT_TRUE(IsSameFile(target, (mDir / "link.wav").string()));
    EXPECT_TRUE(IsSameFile(target, (mDir / "." / "take.wav").string()));
    EXPECT_FALSE(IsSameFile(target, (mDir / "later.wav").string()));
    EXPECT_FALSE(IsSameFile(target, (mDir / "missing.wav").string()));
}

TEST_F(RenderAudioFile, ReadOnlyFilesAreRefusedAndKept)
{
    const std::string path = (mDir / "master.wav").string();
    std::ofstream(path) << "keep me";
    chmod(path.c_str(), 0444);
    const std::string error = WriteConstant(path, 0.5, 10, OutputFormat());
    EXPECT_EQ(error, "cannot write '" + path + "': the file is read-only");
    EXPECT_EQ(Slurp(path), "keep me");
    EXPECT_EQ(EntryCount(), 1u);
}

TEST_F(RenderAudioFile, FifosAreWrittenIntoNotReplaced)
{
    const fs::path fifo = mDir / "pipe";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = Slurp(fifo); });
    const std::string error = WriteConstant(fifo.string(), 0.5, 100, OutputFormat());
    reader.join();
    EXPECT_EQ(error, "");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(received.substr(0, 4), "RIFF");
    EXPECT_GT(received.size(), 100u * 8);
    EXPECT_EQ(EntryCount(), 1u);
}

// Device nodes of our own, with the numbers of the null and full devices, stand for /dev/null and
// /dev/full: the machine's own nodes are never touched.
TEST_F(RenderAudioFile, DevicesAreWrittenIntoNotReplaced)
{
    const fs::path null = mDir / "null";
    const fs::path full = mDir / "full";
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
        mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
    {
        GTEST_SKIP() << "making device nodes needs CAP_MKNOD";
    }
    EXPECT_EQ(WriteConstant(null.string(), 0.5, 100, OutputFormat()), "");
    EXPECT_TRUE(fs::is_character_file(null));
    const std::string error = WriteConstant(full.string(), 0.5, 100, OutputFormat());
    EXPECT_EQ(error, "cannot write '" + full.string() + "': No space left on device");
    EXPECT_TRUE(fs::is_character_file(full));
    EXPECT_EQ(EntryCount(), 2u);
}

TEST_F(RenderAudioFile, FormatFollowsTheExtensionUnlessNamed)
{
    EXPECT_EQ(DescribeFormat(Format("a.wav")), "32-bit float WAV");
    EXPECT_EQ(DescribeFormat(Format("a.FLAC")), "24-bit FLAC, dithered");
    EXPECT_EQ(DescribeFormat(Format("dir.x/a.ogg")), "Ogg Vorbis");
    EXPECT_EQ(DescribeFormat(Format("a.aif")), "32-bit float AIFF");
    EXPECT_EQ(DescribeFormat(Format("a.aiff", "", "16")), "16-bit AIFF, dithered");
    EXPECT_EQ(DescribeFormat(Format("a.caf", "", "32")), "32-bit CAF");
    EXPECT_EQ(DescribeFormat(Format("-")), "32-bit float WAV");
    EXPECT_EQ(DescribeFormat(Format("/dev/null")), "32-bit float WAV");
    EXPECT_EQ(DescribeFormat(Format("a.wav", "FLAC", "16")), "16-bit FLAC, dithered");
    EXPECT_EQ(FormatError("a.mp3", "", ""),
              "cannot tell the format of 'a.mp3' from its extension; use --format NAME or one of "
              "the extensions .wav, .flac, .ogg, .aif, .aiff, .caf");
    EXPECT_EQ(FormatError("a.wav", "mp3", ""),
              "unknown format 'mp3'; the formats are wav, flac, ogg, aiff, caf");
    EXPECT_EQ(FormatError("a.flac", "", "float"), "FLAC stores 16 or 24 bits, not --bits float");
    EXPECT_NE(FormatError("a.ogg", "", "16").find("Ogg Vorbis"), std::string::npos);
}

TEST_F(RenderAudioFile, EveryFormatReadsBackAtItsPrecision)
{
    struct Case
    {
        const char* name;
        const char* bits;
        double tolerance;
    };
    for (const Case& c : {Case{"a.wav", "float", 0.0}, Case{"b.wav", "16", 2.0 / 32768},
                          Case{"c.flac", "24", 2.0 / 8388608}, Case{"d.aiff", "32", 1e-9},
                          Case{"e.caf", "float", 0.0}, Case{"f.ogg", "", 0.05}})
    {
        const std::string path = (mDir / c.name).string();
        ASSERT_EQ(WriteConstant(path, 0.3, 4800, Format(path, "", c.bits)), "") << c.name;
        const std::vector<double> left = ReadLeft(path);
        ASSERT_EQ(left.size(), 4800u) << c.name;
        // Vorbis needs a moment to reach a step.
        EXPECT_NEAR(left[2400], c.tolerance == 0.0 ? static_cast<float>(0.3) : 0.3, c.tolerance)
            << c.name;
    }
}

TEST_F(RenderAudioFile, DitherSpreadsRoundingAndClippingIsCounted)
{
    // 0.3 steps above a 16-bit step: plain rounding always gives the step, dither sometimes the
    // next one, so that the average keeps the fraction.
    const double value = (1000.0 + 0.3) / 32768.0;
    OutputFormat format = Format("a.wav", "", "16");
    const std::string dithered = (mDir / "dithered.wav").string();
    ASSERT_EQ(WriteConstant(dithered, value, 20000, format), "");
    double sum = 0.0;
    for (double x : ReadLeft(dithered))
    {
        const double steps = x * 32768.0;
        EXPECT_LE(std::fabs(steps - 1000.3), 2.0);
        sum += steps;
    }
    EXPECT_NEAR(sum / 20000.0, 1000.3, 0.05);

    format.dither = false;
    const std::string plain = (mDir / "plain.wav").string();
    ASSERT_EQ(WriteConstant(plain, value, 100, format), "");
    EXPECT_EQ(ReadLeft(plain), std::vector<double>(100, 1000.0 / 32768.0));

    int64_t clipped = 0;
    ASSERT_EQ(WriteConstant((mDir / "loud.wav").string(), 1.5, 100, format, &clipped), "");
    EXPECT_EQ(clipped, 200);
    ASSERT_EQ(WriteConstant((mDir / "float.wav").string(), 1.5, 100, OutputFormat(), &clipped), "");
    EXPECT_EQ(clipped, 0);
}

TEST_F(RenderAudioFile, CutShortFileAnnouncesItsHeaderLength)
{
    const std::string path = (mDir / "cut.wav").string();
    ASSERT_EQ(WriteConstant(path, 0.5, 1000, Format(path, "", "16")), "");
    fs::resize_file(path, fs::file_size(path) - 400 * 4);
    AudioFileReader reader;
    ASSERT_TRUE(reader.Open(path)) << reader.GetError();
    EXPECT_EQ(reader.GetFrameCount(), 600);
    EXPECT_EQ(reader.GetAnnouncedFrameCount(), 1000);

    const std::string whole = (mDir / "whole.wav").string();
    ASSERT_EQ(WriteConstant(whole, 0.5, 1000, OutputFormat()), "");
    ASSERT_TRUE(reader.Open(whole));
    EXPECT_EQ(reader.GetAnnouncedFrameCount(), 1000);
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
    EXPECT_NE(nothing.GetError().find("cannot read 'in memory'"), std::string::npos);
}
