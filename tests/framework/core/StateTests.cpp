#include "TestAdapter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace
{
// Three parameters: a gain at 0, a wide one at 24 and a position at 0.5.
struct ThreeParams : TestAdapter
{
    explicit ThreeParams(int nPresets = 1) : TestAdapter(3, "2-2", nPresets)
    {
        GetParam(0)->InitDouble("Gain", 0.0, -24.0, 24.0, 0.01);
        GetParam(1)->InitDouble("Drive", 24.0, 0.0, 24.0, 0.01);
        GetParam(2)->InitInt("Mode", 0, 0, 2);
    }
};

std::string Bytes(const ByteChunk& c)
{
    std::string s;
    char b[4];
    for (int i = 0; i < c.Size(); ++i)
    {
        std::snprintf(b, sizeof(b), "%02X ", c.GetBytes()[i]);
        s += b;
    }
    return s;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
} // namespace

TEST(ByteChunk, ReadsFailPastTheEndAndChain)
{
    ByteChunk c;
    int i = 7;
    double d = 0.5;
    c.Put(&i);
    c.Put(&d);
    c.PutStr("abc");
    c.PutBool(true);
    int ri = 0;
    double rd = 0;
    char text[8];
    bool flag = false;
    int pos = c.Get(&ri, 0);
    pos = c.Get(&rd, pos);
    pos = c.GetStr(text, sizeof(text), pos);
    pos = c.GetBool(&flag, pos);
    EXPECT_EQ(pos, c.Size());
    EXPECT_EQ(ri, 7);
    EXPECT_EQ(rd, 0.5);
    EXPECT_STREQ(text, "abc");
    EXPECT_TRUE(flag);

    rd = 42;
    EXPECT_EQ(c.Get(&rd, c.Size() - 4), -1);
    EXPECT_EQ(rd, 42);
    EXPECT_EQ(c.Get(&rd, -1), -1);
    EXPECT_EQ(c.GetBool(&flag, c.Size()), -1);

    // A text whose stored length runs past the end, or is hostile.
    ByteChunk bad;
    int len = 1000;
    bad.Put(&len);
    EXPECT_EQ(bad.GetStr(text, sizeof(text), 0), -1);
    ByteChunk neg;
    len = -5;
    neg.Put(&len);
    EXPECT_EQ(neg.GetStr(text, sizeof(text), 0), 4);
    EXPECT_STREQ(text, "");
    ByteChunk huge;
    len = 0x7fffffff;
    huge.Put(&len);
    EXPECT_EQ(huge.GetStr(text, sizeof(text), 0), -1);
}

TEST(ByteChunk, VersionHeader)
{
    ByteChunk c;
    InitChunkWithIFxVer(&c);
    EXPECT_EQ(Bytes(c), "74 66 66 70 00 00 01 00 ");
    int pos = 0;
    EXPECT_EQ(GetIFxVerFromChunk(&c, &pos), 0x00010000);
    EXPECT_EQ(pos, 8);

    ByteChunk other;
    int x = 5;
    other.Put(&x);
    pos = 0;
    EXPECT_EQ(GetIFxVerFromChunk(&other, &pos), 0);
    EXPECT_EQ(pos, 0);

    ByteChunk cut;
    int magic = kIFxVersionMagic;
    cut.Put(&magic);
    pos = 0;
    EXPECT_EQ(GetIFxVerFromChunk(&cut, &pos), 0);
    EXPECT_EQ(pos, -1);
}

TEST(State, ParamsAreLittleEndianDoublesInIndexOrder)
{
    ThreeParams plug;
    plug.GetParam(2)->SetClamped(0.5);
    ByteChunk c;
    EXPECT_TRUE(plug.SerializeParams(&c));
    EXPECT_EQ(Bytes(c), "00 00 00 00 00 00 00 00 00 00 00 00 00 00 38 40 00 00 00 00 00 00 E0 3F ");
}

TEST(State, UnserializeClampsWithoutRoundingAndAnnouncesEveryParameter)
{
    ThreeParams plug;
    ByteChunk c;
    double values[] = {-3.0, 30.0, 0.333};
    for (double& v : values)
        c.Put(&v);
    EXPECT_EQ(plug.UnserializeParams(&c, 0), 24);
    EXPECT_EQ(plug.GetParam(0)->Value(), -3.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 24.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 0.333);
    EXPECT_EQ(plug.mParamChanges, (std::vector<int>{0, 1, 2}));

    plug.mParamChanges.clear();
    EXPECT_EQ(plug.UnserializeParams(&c, -1), -1);
    EXPECT_EQ(plug.GetParam(0)->Value(), -3.0);
    EXPECT_EQ(plug.mParamChanges.size(), 3u);
}

TEST(State, ShortOrCorruptChunksNeverPutNaNIntoParameters)
{
    ThreeParams plug;
    plug.GetParam(0)->SetClamped(5.0);
    plug.GetParam(1)->SetClamped(5.0);
    ByteChunk shortChunk;
    double v = 1.0;
    shortChunk.Put(&v);
    EXPECT_EQ(plug.UnserializeParams(&shortChunk, 0), -1);
    EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 0.0); // first without data: its value nearest 0
    EXPECT_EQ(plug.GetParam(2)->Value(), 0.0);

    ByteChunk hostile;
    double nan = std::numeric_limits<double>::quiet_NaN();
    double inf = -std::numeric_limits<double>::infinity();
    hostile.Put(&nan);
    hostile.Put(&inf);
    hostile.Put(&nan);
    plug.UnserializeParams(&hostile, 0);
    EXPECT_EQ(plug.GetParam(0)->Value(), 1.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 0.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 0.0);
}

TEST(State, CompareStateInSinglePrecision)
{
    TestAdapter plug(1, "2-2");
    plug.GetParam(0)->InitDouble("x", 0.1, 0.0, 1.0, 0.01);
    double near = 0.100001, far = 0.10002;
    EXPECT_TRUE(plug.CompareState(reinterpret_cast<const unsigned char*>(&near), 0));
    EXPECT_FALSE(plug.CompareState(reinterpret_cast<const unsigned char*>(&far), 0));
}

TEST(Presets, DefaultUserAndNamedPresets)
{
    ThreeParams plug(3);
    plug.MakeDefaultPreset(nullptr, 1);
    EXPECT_STREQ(plug.GetPresetName(0), "Empty");
    EXPECT_STREQ(plug.GetPresetName(9), "");

    plug.MakePresetFromNamedParams("named", 1, 2, 2);
    IPreset* named = plug.GetPreset(1);
    double stored[3];
    ASSERT_EQ(named->mChunk.Size(), 24);
    std::memcpy(stored, named->mChunk.GetBytes(), 24);
    EXPECT_EQ(stored[0], 0.0);
    EXPECT_EQ(stored[1], 24.0);
    EXPECT_EQ(stored[2], 2.0);

    EXPECT_TRUE(plug.RestorePreset(2)); // uninitialised: becomes a user preset of the state
    EXPECT_STREQ(plug.GetPresetName(2), "user preset 1");
    EXPECT_EQ(plug.GetCurrentPresetIdx(), 2);
    EXPECT_TRUE(plug.RestorePreset("named"));
    EXPECT_EQ(plug.GetParam(2)->Value(), 2.0);
    EXPECT_EQ(plug.GetCurrentPresetIdx(), 1);
    EXPECT_FALSE(plug.RestorePreset(""));
    EXPECT_FALSE(plug.RestorePreset(3));

    plug.MakePreset("no room", 1.0, 2.0, 1); // every preset is in use: nothing happens
    EXPECT_EQ(plug.NPresets(), 3);
}

TEST(Presets, MakePresetReadsIntsForNonDoubleKinds)
{
    ThreeParams plug;
    plug.MakePreset("p", -6.0, 12.0, 2);
    EXPECT_TRUE(plug.RestorePreset(0));
    EXPECT_EQ(plug.GetParam(0)->Value(), -6.0);
    EXPECT_EQ(plug.GetParam(1)->Value(), 12.0);
    EXPECT_EQ(plug.GetParam(2)->Value(), 2.0);
}

TEST(Presets, BlobDecodesIntoExactlyTheGivenSize)
{
    TestAdapter plug(1, "2-2", 3);
    plug.MakePresetFromBlob("a", "AAAAAAAAOEA=", 8);
    plug.MakePresetFromBlob("b", "AAAAAAAAOEA=", 16);
    plug.MakePresetFromBlob("c", "AAAAAAAAOEAAAAAAAAAAAAAAAAAA", 4);
    double d;
    ASSERT_EQ(plug.GetPreset(0)->mChunk.Size(), 8);
    std::memcpy(&d, plug.GetPreset(0)->mChunk.GetBytes(), 8);
    EXPECT_EQ(d, 24.0);
    EXPECT_EQ(Bytes(plug.GetPreset(1)->mChunk), "00 00 00 00 00 00 38 40 00 00 00 00 00 00 00 00 ");
    EXPECT_EQ(plug.GetPreset(2)->mChunk.Size(), 4);
}

TEST(Presets, BankRoundTripAndPrune)
{
    ThreeParams plug(3);
    plug.MakePreset("first", 1.0, 2.0, 1);
    plug.MakePreset("second", -1.0, 3.0, 2);
    ByteChunk bank;
    EXPECT_TRUE(plug.SerializePresets(&bank));

    ThreeParams other(3);
    EXPECT_EQ(other.UnserializePresets(&bank, 0), bank.Size());
    EXPECT_STREQ(other.GetPresetName(1), "second");
    EXPECT_STREQ(other.GetPresetName(2), "empty");
    EXPECT_EQ(other.GetParam(0)->Value(), 1.0); // current preset 0 restored at the end
    other.PruneUninitializedPresets();
    EXPECT_EQ(other.NPresets(), 2);

    // A bank cut inside the second preset loads the first whole.
    ByteChunk cut;
    cut.PutBytes(bank.GetBytes(), bank.Size() - 30);
    ThreeParams partial(3);
    EXPECT_EQ(partial.UnserializePresets(&cut, 0), -1);
    EXPECT_STREQ(partial.GetPresetName(0), "first");
}

// Found by fuzzing: a bank that marks an initialised preset free left the preset's old state in
// its chunk, and re-initialising it appended the current state after that, so the next bank
// written held two states for one preset and could not be read back.
TEST(Presets, BankThatFreesAPresetRoundTrips)
{
    ThreeParams plug;
    plug.MakeDefaultPreset("-", 1);
    ByteChunk freeing;
    freeing.PutStr("empty");
    freeing.PutBool(false);
    EXPECT_EQ(plug.UnserializePresets(&freeing, 0), freeing.Size());
    EXPECT_EQ(plug.GetPreset(0)->mChunk.Size(), 3 * 8);

    ByteChunk bank;
    EXPECT_TRUE(plug.SerializePresets(&bank));
    EXPECT_EQ(plug.UnserializePresets(&bank, 0), bank.Size());
    ByteChunk again;
    EXPECT_TRUE(plug.SerializePresets(&again));
    EXPECT_TRUE(again.IsEqual(bank));
}

TEST(Presets, ModifyCurrentPreset)
{
    ThreeParams plug;
    plug.MakeDefaultPreset("-", 1);
    plug.GetParam(0)->SetClamped(12.0);
    plug.ModifyCurrentPreset("changed");
    plug.GetParam(0)->SetClamped(0.0);
    EXPECT_TRUE(plug.RestorePreset(0));
    EXPECT_EQ(plug.GetParam(0)->Value(), 12.0);
    EXPECT_STREQ(plug.GetPresetName(0), "changed");
}

TEST(Presets, DeveloperDumps)
{
    std::string dir = ::testing::TempDir();
    TestAdapter plug(1, "2-2");
    plug.GetParam(0)->InitDouble("Drive", 24.0, 0.0, 24.0, 0.01);
    plug.MakeDefaultPreset("-", 1);
    ASSERT_TRUE(plug.DumpBankBlob((dir + "bank.txt").c_str()));
    EXPECT_EQ(ReadFile(dir + "bank.txt"), "MakePresetFromBlob(\"-\", \"AAAAAAAAOEA=\", 8);\n");
    ASSERT_TRUE(plug.DumpPresetBlob((dir + "preset.txt").c_str()));
    EXPECT_EQ(ReadFile(dir + "preset.txt"), "MakePresetFromBlob(\"name\", \"AAAAAAAAOEA=\", 8);\n");

    ThreeParams three;
    const char* ids[] = {"kGain", "kDrive", "kMode"};
    ASSERT_TRUE(three.DumpPresetSrcCode((dir + "src.txt").c_str(), ids));
    EXPECT_EQ(ReadFile(dir + "src.txt"), "  MakePresetFromNamedParams(\"name\", 3,\n"
                                         "    kGain, 0.000000,\n    kDrive, 24.000000,\n"
                                         "    kMode, 0);\n");
    EXPECT_FALSE(plug.DumpBankBlob("/nonexistent-dir/x.txt"));
}
