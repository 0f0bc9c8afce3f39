#include "TempFolder.h"
#include "TestAdapter.h"

#include "framework/core/FxpLayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<unsigned char>;

// Parameters 0 .. n-1 on [0, 10], at 1, 2, 3, ...
struct Plug : TestAdapter
{
    explicit Plug(int nParams, int nPresets = 1, bool doesChunks = false, int uniqueID = kUniqueID)
        : TestAdapter(nParams, "1-1", nPresets, 0, doesChunks, uniqueID)
    {
        for (int i = 0; i < nParams; ++i)
        {
            GetParam(i)->InitDouble("p", 0.0, 0.0, 10.0, 0.01);
            GetParam(i)->SetClamped(i + 1.0);
        }
    }
};

Bytes ToBytes(const ByteChunk& chunk)
{
    return Bytes(chunk.GetBytes(), chunk.GetBytes() + chunk.Size());
}

Bytes SaveProgram(IFxBase& plug)
{
    ByteChunk file;
    EXPECT_TRUE(plug.SaveProgramToChunk(&file));
    return ToBytes(file);
}

Bytes SaveBank(IFxBase& plug)
{
    ByteChunk file;
    EXPECT_TRUE(plug.SaveBankToChunk(&file));
    return ToBytes(file);
}

bool LoadProgram(IFxBase& plug, const Bytes& file)
{
    return plug.LoadProgramFromMemory(file.data(), file.size());
}

bool LoadBank(IFxBase& plug, const Bytes& file)
{
    return plug.LoadBankFromMemory(file.data(), file.size());
}

// Everything a loader may change: parameter values, presets, the current preset index.
Bytes Everything(IFxBase& plug)
{
    ByteChunk all;
    plug.SerializeState(&all);
    plug.SerializePresets(&all);
    int idx = plug.GetCurrentPresetIdx();
    all.Put(&idx);
    return ToBytes(all);
}

Bytes Text(const char* text)
{
    return Bytes(text, text + 4);
}

Bytes Int(int32_t v)
{
    unsigned char b[4];
    fxp::PutInt(b, v);
    return Bytes(b, b + 4);
}

Bytes Float(float v)
{
    unsigned char b[4];
    fxp::PutFloat(b, v);
    return Bytes(b, b + 4);
}

Bytes Name(const char* name)
{
    Bytes field(fxp::kNameSize, 0);
    std::copy(name, name + std::strlen(name), field.begin());
    return field;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

void PutIntAt(Bytes& file, size_t offset, int32_t v)
{
    fxp::PutInt(file.data() + offset, v);
}

// Three presets with distinct values and names, preset 1 current, then the live values moved
// away from every preset.
void MakeThreePresets(IFxBase& plug)
{
    for (int p = 0; p < 3; ++p)
    {
        for (int i = 0; i < plug.NParams(); ++i)
            plug.GetParam(i)->SetClamped(p * 3.0 + i * 0.5);
        plug.MakeDefaultPreset(("preset " + std::to_string(p)).c_str(), 1);
    }
    ASSERT_TRUE(plug.RestorePreset(1));
    plug.GetParam(0)->SetClamped(9.5);
}

struct TempFile
{
    TempFile() : path(folder.File("program")) {}
    testsupport::TempFolder folder{"veltar-fxp-"};
    std::string path;
};
} // namespace

TEST(ProgramFiles, ParameterProgramHasTheDocumentedBytes)
{
    Plug plug(2);
    plug.GetParam(0)->SetNormalized(0.0);
    plug.GetParam(1)->SetNormalized(1.0);
    plug.MakeDefaultPreset("-", 1);
    const Bytes expected = Cat({Text("CcnK"),
                                Int(0),
                                Text("FxCk"),
                                Int(1),
                                Int(0x54737431),
                                Int(10100),
                                Int(2),
                                Name("-"),
                                {0, 0, 0, 0},
                                {0x3F, 0x80, 0, 0}});
    ASSERT_EQ(expected.size(), 64u);
    EXPECT_EQ(SaveProgram(plug), expected);
}

TEST(ProgramFiles, ParameterBankOfOnePresetAndSevenParameters)
{
    Plug plug(7);
    plug.MakeDefaultPreset("-", 1);
    const Bytes file = SaveBank(plug);
    ASSERT_EQ(file.size(), 240u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 32),
              Cat({Text("CcnK"), Int(0), Text("FxBk"), Int(2), Int(0x54737431), Int(10100), Int(1),
                   Int(0)}));
    EXPECT_EQ(Bytes(file.begin() + 32, file.begin() + 156), Bytes(124, 0));
    EXPECT_EQ(Bytes(file.begin() + 156, file.begin() + 212),
              Cat({Text("CcnK"), Int(0), Text("FxCk"), Int(1), Int(0x54737431), Int(10100), Int(7),
                   Name("-")}));
    // The record holds the preset's stored values: parameter i at i + 1 on [0, 10].
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(fxp::GetFloat(file.data() + 212 + 4 * i), static_cast<float>((i + 1) / 10.0));
}

TEST(ProgramFiles, ChunkFormsCarryTheirSizesAndTheVersionHeader)
{
    Plug plug(2, 1, true);
    plug.MakeDefaultPreset("-", 1);
    const Bytes program = SaveProgram(plug);
    ASSERT_EQ(program.size(), 60u + 8 + 16);
    EXPECT_EQ(Bytes(program.begin() + 4, program.begin() + 12), Cat({Int(84), Text("FPCh")}));
    EXPECT_EQ(Bytes(program.begin() + 56, program.begin() + 64), Cat({Int(24), Text("tffp")}));
    EXPECT_EQ(Bytes(program.begin() + 64, program.begin() + 68), Bytes({0, 0, 1, 0}));

    const Bytes bank = SaveBank(plug);
    // Preset bank: name length, "-", initialised flag, two doubles.
    const int stateSize = 8 + 4 + 1 + 1 + 16;
    ASSERT_EQ(bank.size(), 160u + stateSize);
    EXPECT_EQ(Bytes(bank.begin() + 4, bank.begin() + 12),
              Cat({Int(160 + stateSize), Text("FBCh")}));
    EXPECT_EQ(fxp::GetInt(bank.data() + 156), stateSize);
}

TEST(ProgramFiles, LongPresetNamesAreCutToTwentySevenCharacters)
{
    Plug plug(1);
    plug.MakeDefaultPreset("0123456789012345678901234567890123456789", 1);
    const Bytes file = SaveProgram(plug);
    EXPECT_EQ(Bytes(file.begin() + 28, file.begin() + 56), Name("012345678901234567890123456"));
}

TEST(ProgramFiles, ProgramRoundTripsInBothForms)
{
    for (bool chunks : {false, true})
    {
        Plug from(3, 1, chunks);
        from.MakeDefaultPreset("warm", 1);
        from.GetParam(1)->SetClamped(7.5);
        const Bytes file = SaveProgram(from);

        Plug to(3, 1, chunks);
        to.MakeDefaultPreset("-", 1);
        for (int i = 0; i < 3; ++i)
            to.GetParam(i)->SetClamped(0.0);
        to.mParamChanges.clear();
        ASSERT_TRUE(LoadProgram(to, file)) << chunks;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(to.GetParam(i)->Value(), from.GetParam(i)->Value(), 1e-5) << chunks;
        EXPECT_STREQ(to.GetPresetName(0), "warm");
        // The current preset takes the loaded state, and the plug-in hears of every value.
        ByteChunk state;
        to.SerializeState(&state);
        EXPECT_EQ(ToBytes(to.GetPreset(0)->mChunk), ToBytes(state));
        ASSERT_GE(to.mParamChanges.size(), 3u);
        EXPECT_EQ(std::vector<int>(to.mParamChanges.end() - 3, to.mParamChanges.end()),
                  (std::vector<int>{0, 1, 2}));
        EXPECT_EQ(to.mProgramChanges, 1);
    }
}

TEST(ProgramFiles, BankRoundTripsInBothForms)
{
    for (bool chunks : {false, true})
    {
        Plug from(2, 3, chunks);
        MakeThreePresets(from);
        const Bytes file = SaveBank(from);

        Plug to(2, 3, chunks);
        to.MakeDefaultPreset("x", 3);
        ASSERT_TRUE(LoadBank(to, file)) << chunks;
        for (int p = 0; p < 3; ++p)
        {
            EXPECT_STREQ(to.GetPresetName(p), from.GetPresetName(p));
            ASSERT_TRUE(to.GetPreset(p)->mInitialized);
            for (int i = 0; i < 2; ++i)
            {
                double got = 0.0;
                to.GetPreset(p)->mChunk.Get(&got, i * 8);
                EXPECT_NEAR(got, p * 3.0 + i * 0.5, 1e-5) << chunks << " preset " << p;
            }
        }
        // The parameter form restores the bank's current program; a preset bank in the chunk
        // form restores the plug-in's own current preset.
        const int current = chunks ? 0 : 1;
        EXPECT_EQ(to.GetCurrentPresetIdx(), current);
        EXPECT_NEAR(to.GetParam(0)->Value(), current * 3.0, 1e-5);
        EXPECT_NEAR(to.GetParam(1)->Value(), current * 3.0 + 0.5, 1e-5);
        EXPECT_EQ(to.mProgramChanges, 1);
    }
}

TEST(ProgramFiles, FilesOfAnotherPlugInAreRejected)
{
    Plug other(2, 1, false, 0x4F746872);
    other.MakeDefaultPreset("-", 1);
    Plug plug(2);
    plug.MakeDefaultPreset("-", 1);
    plug.GetParam(0)->SetClamped(4.0);
    const Bytes before = Everything(plug);
    EXPECT_FALSE(LoadProgram(plug, SaveProgram(other)));
    EXPECT_FALSE(LoadBank(plug, SaveBank(other)));
    EXPECT_EQ(Everything(plug), before);
    EXPECT_EQ(plug.mProgramChanges, 0);
}

TEST(ProgramFiles, ChunkFilesNeedAPlugInThatDoesChunks)
{
    Plug chunky(2, 1, true);
    chunky.MakeDefaultPreset("-", 1);
    Plug plain(2);
    plain.MakeDefaultPreset("-", 1);
    const Bytes before = Everything(plain);
    EXPECT_FALSE(LoadProgram(plain, SaveProgram(chunky)));
    EXPECT_FALSE(LoadBank(plain, SaveBank(chunky)));
    EXPECT_EQ(Everything(plain), before);

    // The parameter form is read whether or not the plug-in does chunks.
    plain.GetParam(1)->SetClamped(6.0);
    EXPECT_TRUE(LoadProgram(chunky, SaveProgram(plain)));
    EXPECT_NEAR(chunky.GetParam(1)->Value(), 6.0, 1e-5);
}

TEST(ProgramFiles, ProgramParameterCountFieldIsNotExamined)
{
    Plug from(2);
    from.MakeDefaultPreset("-", 1);
    from.GetParam(0)->SetClamped(5.0);
    Bytes file = SaveProgram(from);
    PutIntAt(file, 24, 99);
    Plug to(2);
    to.MakeDefaultPreset("-", 1);
    EXPECT_TRUE(LoadProgram(to, file));
    EXPECT_DOUBLE_EQ(to.GetParam(0)->Value(), 5.0);

    // Extra values beyond the plug-in's parameters are ignored.
    file.insert(file.end(), 8, 0);
    EXPECT_TRUE(LoadProgram(to, file));
}

TEST(ProgramFiles, BankWithABadRecordIsRejectedWhole)
{
    Plug from(2, 3);
    MakeThreePresets(from);
    const Bytes good = SaveBank(from);
    const size_t second = 156 + 64;
    struct Fault
    {
        size_t offset;
        int32_t value;
    };
    for (Fault fault : {Fault{second + 24, 3}, Fault{second + 8, fxp::kProgramChunkMagic},
                        Fault{second, fxp::kBankMagic}, Fault{second + 12, 2}})
    {
        Bytes file = good;
        PutIntAt(file, fault.offset, fault.value);
        Plug to(2, 3);
        to.MakeDefaultPreset("x", 3);
        const Bytes before = Everything(to);
        EXPECT_FALSE(LoadBank(to, file)) << fault.offset;
        EXPECT_EQ(Everything(to), before) << fault.offset;
    }
    // A record's unique ID, version and byte size are not examined.
    Bytes file = good;
    PutIntAt(file, second + 16, 0x4F746872);
    PutIntAt(file, second + 20, 1);
    PutIntAt(file, second + 4, 1234);
    Plug to(2, 3);
    EXPECT_TRUE(LoadBank(to, file));
}

TEST(ProgramFiles, EveryTruncationIsRejectedAndChangesNothing)
{
    for (bool chunks : {false, true})
    {
        Plug from(3, 2, chunks);
        from.MakeDefaultPreset("a", 1);
        from.GetParam(2)->SetClamped(8.0);
        from.MakeDefaultPreset("b", 1);
        for (bool bank : {false, true})
        {
            const Bytes file = bank ? SaveBank(from) : SaveProgram(from);
            Plug to(3, 2, chunks);
            to.MakeDefaultPreset("x", 2);
            const Bytes before = Everything(to);
            for (size_t length = 0; length < file.size(); ++length)
            {
                // A copy of exactly the cut length, so that a read past it is an error under ASan.
                const Bytes cut(file.begin(), file.begin() + static_cast<long>(length));
                EXPECT_FALSE(bank ? LoadBank(to, cut) : LoadProgram(to, cut))
                    << chunks << bank << " length " << length;
                ASSERT_EQ(Everything(to), before) << chunks << bank << " length " << length;
            }
            EXPECT_EQ(to.mProgramChanges, 0);
            EXPECT_TRUE(bank ? LoadBank(to, file) : LoadProgram(to, file));
        }
    }
}

TEST(ProgramFiles, StateBlockThePlugInCannotReadIsUndone)
{
    // Honest sizes, but the state block holds one of the two values the plug-in needs.
    Plug plug(2, 1, true);
    plug.MakeDefaultPreset("-", 1);
    const Bytes before = Everything(plug);
    const Bytes state = Cat({Text("tffp"), {0, 0, 1, 0}, Bytes(8, 0)});
    const Bytes program = Cat({Text("CcnK"), Int(60 + 16), Text("FPCh"), Int(1), Int(0x54737431),
                               Int(10100), Int(2), Name("bad"), Int(16), state});
    EXPECT_FALSE(LoadProgram(plug, program));
    EXPECT_EQ(Everything(plug), before);

    // A preset bank whose one preset holds one of the two values.
    const Bytes presets =
        Cat({Text("tffp"), {0, 0, 1, 0}, {3, 0, 0, 0}, {'n', 'e', 'w'}, {1}, Bytes(8, 0)});
    const Bytes bank =
        Cat({Text("CcnK"), Int(0), Text("FBCh"), Int(2), Int(0x54737431), Int(10100), Int(1),
             Int(0), Bytes(124, 0), Int(static_cast<int32_t>(presets.size())), presets});
    EXPECT_FALSE(LoadBank(plug, bank));
    EXPECT_EQ(Everything(plug), before);
}

TEST(ProgramFiles, HostileValuesNeitherReachParametersNorAllocate)
{
    Plug plug(3, 1);
    plug.MakeDefaultPreset("-", 1);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Bytes program =
        Cat({Text("CcnK"), Int(0), Text("FxCk"), Int(1), Int(0x54737431), Int(10100), Int(-5),
             Name(""), Float(nan), Float(-inf), Float(2.0f)});
    ASSERT_TRUE(LoadProgram(plug, program));
    EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 1.0);
    EXPECT_DOUBLE_EQ(plug.GetParam(1)->Value(), 2.0);
    EXPECT_DOUBLE_EQ(plug.GetParam(2)->Value(), 10.0);
    EXPECT_STREQ(plug.GetPresetName(0), "-");

    // Counts and sizes far beyond the data end the read at the end of the data.
    Plug chunky(3, 1, true);
    const Bytes before = Everything(plug);
    for (int32_t size : {std::numeric_limits<int32_t>::max(), -1, -60})
    {
        Bytes file = SaveProgram(chunky);
        PutIntAt(file, 56, size);
        EXPECT_FALSE(LoadProgram(chunky, file)) << size;
        file = SaveBank(chunky);
        PutIntAt(file, 156, size);
        EXPECT_FALSE(LoadBank(chunky, file)) << size;
        file = SaveBank(plug);
        PutIntAt(file, 24, size);
        EXPECT_EQ(LoadBank(plug, file), size < 0) << size;
    }
    EXPECT_EQ(Everything(plug), before);
}

TEST(ProgramFiles, BankCurrentProgramOutsideThePresetsStillAnnouncesTheValues)
{
    Plug from(2, 1);
    from.MakeDefaultPreset("-", 1);
    from.GetParam(0)->SetClamped(2.5);
    from.ModifyCurrentPreset();
    Bytes file = SaveBank(from);
    PutIntAt(file, 28, 7);
    Plug to(2, 1);
    to.MakeDefaultPreset("-", 1);
    to.mParamChanges.clear();
    ASSERT_TRUE(LoadBank(to, file));
    EXPECT_DOUBLE_EQ(to.GetParam(0)->Value(), 2.5);
    // RestorePreset(0) inside the walk announces once, the fallback after it once more.
    EXPECT_EQ(to.mParamChanges, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(to.GetCurrentPresetIdx(), 0);
}

TEST(ProgramFiles, PlugInWithoutPresetsLoadsAProgram)
{
    Plug from(2, 0);
    from.GetParam(0)->SetClamped(3.0);
    const Bytes file = SaveProgram(from);
    EXPECT_EQ(Bytes(file.begin() + 28, file.begin() + 56), Name(""));
    Plug to(2, 0);
    to.GetParam(0)->SetClamped(0.0);
    to.mParamChanges.clear();
    ASSERT_TRUE(LoadProgram(to, file));
    EXPECT_NEAR(to.GetParam(0)->Value(), 3.0, 1e-5);
    EXPECT_EQ(to.mParamChanges, (std::vector<int>{0, 1}));
}

TEST(ProgramFiles, FilesOnDisk)
{
    Plug from(2, 3);
    MakeThreePresets(from);
    TempFile program, bank;
    ASSERT_TRUE(from.SaveProgramAsFXP(FxString(program.path.c_str())));
    ASSERT_TRUE(from.SaveBankAsFXB(FxString(bank.path.c_str())));

    Plug to(2, 3);
    ASSERT_TRUE(to.LoadBankFromFXB(FxString(bank.path.c_str())));
    EXPECT_STREQ(to.GetPresetName(1), "preset 1");
    ASSERT_TRUE(to.LoadProgramFromFXP(FxString(program.path.c_str())));
    EXPECT_NEAR(to.GetParam(0)->Value(), 9.5, 1e-5);

    EXPECT_FALSE(from.SaveProgramAsFXP(FxString("")));
    EXPECT_FALSE(from.SaveBankAsFXB(FxString("/nonexistent-folder/x.fxb")));
    EXPECT_FALSE(to.LoadProgramFromFXP(FxString("")));
    EXPECT_FALSE(to.LoadBankFromFXB(FxString("/nonexistent-folder/x.fxb")));
    // A program file is not a bank, nor the other way round.
    EXPECT_FALSE(to.LoadBankFromFXB(FxString(program.path.c_str())));
    EXPECT_FALSE(to.LoadProgramFromFXP(FxString(bank.path.c_str())));
}

TEST(ProgramFiles, ProgramLoadedIntoAFreePresetMakesItARealOne)
{
    Plug from(2);
    from.MakeDefaultPreset("warm", 1);
    from.GetParam(0)->SetClamped(4.0);
    Bytes file = SaveProgram(from);
    for (const char* name : {"warm", ""})
    {
        std::fill(file.begin() + 28, file.begin() + 56, 0);
        std::copy(name, name + std::strlen(name), file.begin() + 28);
        Plug to(2);
        ASSERT_FALSE(to.GetPreset(0)->mInitialized);
        ASSERT_TRUE(LoadProgram(to, file));
        const IPreset& preset = *to.GetPreset(0);
        EXPECT_TRUE(preset.mInitialized);
        EXPECT_STREQ(preset.mName, name[0] ? name : "user preset 1");
        ByteChunk state;
        to.SerializeState(&state);
        EXPECT_EQ(ToBytes(preset.mChunk), ToBytes(state));
        EXPECT_NEAR(to.GetParam(0)->Value(), 4.0, 1e-5);
    }
}
