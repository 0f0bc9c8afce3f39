#include "AudioFileReader.h"
#include "LibsndfileWorkarounds.h"

#include "TempFolderTest.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdlib.h>
#include <string>
#include <vector>

using namespace veltar_render;
namespace fs = std::filesystem;

namespace
{

// A 16-bit mono WAV file assembled chunk by chunk, in either byte order.
class WaveBytes
{
public:
    explicit WaveBytes(bool bigEndian = false) : mBigEndian(bigEndian)
    {
        Id(bigEndian ? "RIFX" : "RIFF");
        Size(0);
        Id("WAVE");
        Id("fmt ");
        Size(16);
        Half(1);
        Half(1);
        Size(44100);
        Size(88200);
        Half(2);
        Half(16);
    }

    WaveBytes& Id(const char* id)
    {
        bytes.insert(bytes.end(), id, id + 4);
        return *this;
    }
    WaveBytes& Size(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * (mBigEndian ? 3 - i : i))));
        return *this;
    }
    WaveBytes& Half(uint16_t v)
    {
        for (int i = 0; i < 2; ++i)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * (mBigEndian ? 1 - i : i))));
        return *this;
    }
    WaveBytes& Text(const char* id, const char* text)
    {
        const size_t n = std::strlen(text) + 1;
        Id(id).Size(static_cast<uint32_t>(n));
        bytes.insert(bytes.end(), text, text + n);
        if (n & 1)
            bytes.push_back(0);
        return *this;
    }
    // frames of silence.
    WaveBytes& Data(uint32_t frames)
    {
        Id("data").Size(2 * frames);
        bytes.insert(bytes.end(), 2 * frames, 0);
        return *this;
    }
    // A LIST chunk of the given size whose contents follow from the caller.
    WaveBytes& List(uint32_t size, const char* type) { return Id("LIST").Size(size).Id(type); }
    std::vector<uint8_t> Finished()
    {
        std::vector<uint8_t> whole = bytes;
        const uint32_t riffSize = static_cast<uint32_t>(whole.size() - 8);
        for (int i = 0; i < 4; ++i)
            whole[4 + static_cast<size_t>(i)] =
                static_cast<uint8_t>(riffSize >> (8 * (mBigEndian ? 3 - i : i)));
        return whole;
    }

    std::vector<uint8_t> bytes;

private:
    bool mBigEndian;
};

std::string Damage(const std::vector<uint8_t>& file)
{
    return DamagedWaveList(
        [&](int64_t offset, void* dst, size_t n)
        {
            if (offset < 0 || static_cast<size_t>(offset) + n > file.size())
                return false;
            std::memcpy(dst, file.data() + offset, n);
            return true;
        },
        static_cast<int64_t>(file.size()));
}

// A LIST chunk whose second sub-chunk claims 2^32 - 8 bytes. The size wraps libsndfile's 32-bit
// count around to 8 bytes less, and its reading goes back by as much, to the sub-chunk's own
// header: libsndfile reads those eight bytes for ever.
WaveBytes WrappingList(bool bigEndian)
{
    WaveBytes w(bigEndian);
    w.List(36, "INFO").Text("INAM", "Take 1").Id("JUNQ").Size(0xFFFFFFF8u);
    w.bytes.insert(w.bytes.end(), 8, 'x');
    return w;
}

class RenderWaveHeader : public TempFolderTest
{
protected:
    std::string Write(const std::vector<uint8_t>& bytes)
    {
        const std::string path = (mDir / "in.wav").string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

} // namespace

TEST(WaveListGuard, WellFormedListsAndOtherFilesPass)
{
    WaveBytes before;
    before.List(4 + 16 + 14, "INFO").Text("INAM", "Take 1").Text("ISFT", "Recorder").Data(8);
    EXPECT_EQ(Damage(before.Finished()), "");
    WaveBytes after;
    after.Data(8).List(4 + 16, "INFO").Text("INAM", "Take 1");
    EXPECT_EQ(Damage(after.Finished()), "");
    // A sub-chunk too big for its list, without wrapping around: libsndfile skips the rest of
    // the list itself.
    WaveBytes tooBig;
    tooBig.List(4 + 8, "INFO").Id("JUNQ").Size(1000).Data(8);
    EXPECT_EQ(Damage(tooBig.Finished()), "");

    const std::vector<uint8_t> aiff = {'F', 'O', 'R', 'M', 0, 0, 0, 4, 'A', 'I', 'F', 'F'};
    EXPECT_EQ(Damage(aiff), "");
    EXPECT_EQ(Damage({}), "");
}

TEST(WaveListGuard, SubChunkSizeThatWrapsTheCountIsRefused)
{
    for (bool bigEndian : {false, true})
    {
        WaveBytes before = WrappingList(bigEndian);
        before.Data(8);
        EXPECT_NE(Damage(before.Finished()), "") << bigEndian;

        // After the samples, where libsndfile carries on reading the header.
        WaveBytes after(bigEndian);
        after.Data(8);
        const std::vector<uint8_t> list = WrappingList(bigEndian).bytes;
        after.bytes.insert(after.bytes.end(), list.begin() + 36, list.end());
        EXPECT_NE(Damage(after.Finished()), "") << bigEndian;

        // Behind a data chunk that an earlier list claims, where libsndfile backs out of that
        // list and goes on from the data chunk.
        WaveBytes behindData(bigEndian);
        behindData.List(20, "INFO").Data(8);
        behindData.bytes.insert(behindData.bytes.end(), list.begin() + 36, list.end());
        EXPECT_NE(Damage(behindData.Finished()), "") << bigEndian;
    }
}

TEST_F(RenderWaveHeader, DamagedListIsRefusedWithAReasonAndSoundFilesStillOpen)
{
    WaveBytes damaged = WrappingList(false);
    damaged.Data(8);
    const std::string damagedPath = Write(damaged.Finished());
    AudioFileReader reader;
    EXPECT_FALSE(reader.Open(damagedPath));
    EXPECT_NE(reader.GetError().find(damagedPath), std::string::npos) << reader.GetError();
    EXPECT_NE(reader.GetError().find("LIST chunk is damaged"), std::string::npos)
        << reader.GetError();

    WaveBytes sound;
    sound.List(4 + 16, "INFO").Text("INAM", "Take 1").Data(8);
    AudioFileReader soundReader;
    ASSERT_TRUE(soundReader.Open(Write(sound.Finished()))) << soundReader.GetError();
    EXPECT_EQ(soundReader.GetFrameCount(), 8);
    EXPECT_EQ(soundReader.GetChannelCount(), 1);
}
