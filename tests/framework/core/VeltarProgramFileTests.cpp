// Program and bank files of the real plug-in object: its unique ID, version, parameter count and
// preset list decide the bytes.
#include "framework/core/FxpLayout.h"
#include "framework/vst3/PlugModule.h"
#include "plugin/VELTAR.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
struct PlugDeleter
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};
using PlugPtr = std::unique_ptr<IFxVST3, PlugDeleter>;
using Bytes = std::vector<unsigned char>;

Bytes FloatsAt(const ByteChunk& file, int offset, int count)
{
    Bytes values(file.GetBytes() + offset, file.GetBytes() + offset + 4 * count);
    return values;
}

Bytes BigEndianFloats(std::initializer_list<float> values)
{
    Bytes bytes;
    for (float v : values)
    {
        unsigned char b[4];
        fxp::PutFloat(b, v);
        bytes.insert(bytes.end(), b, b + 4);
    }
    return bytes;
}
} // namespace

TEST(VeltarProgramFiles, BankOfTheDefaultPresetIs240Bytes)
{
    PlugPtr plug(MakePlug());
    ByteChunk file;
    ASSERT_TRUE(plug->SaveBankToChunk(&file));
    ASSERT_EQ(file.Size(), 240);
    const unsigned char* b = file.GetBytes();
    EXPECT_EQ(fxp::GetInt(b + 8), fxp::kBankMagic);
    EXPECT_EQ(fxp::GetInt(b + 16), fxp::FourCC('V', 't', 'r', '1'));
    EXPECT_EQ(fxp::GetInt(b + 20), 10100);
    EXPECT_EQ(fxp::GetInt(b + 24), 1);
    EXPECT_EQ(fxp::GetInt(b + 28), 0);
    EXPECT_EQ(fxp::GetInt(b + 156 + 24), 7);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 156 + 28), "-");
    // Input 0 dB, Output 0 dB, Low and High flat, both transformers bypassed, Model 0.
    EXPECT_EQ(FloatsAt(file, 212, 7), BigEndianFloats({0.0f, 0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f}));
}

TEST(VeltarProgramFiles, ProgramCarriesTheSettingsToAnotherInstance)
{
    PlugPtr from(MakePlug());
    // Input has shape 2: 6 dB of its 24 lies at position 0.5. Every position is exact in float.
    const double settings[] = {6.0, -6.0, 0.75, 0.25, 0.0, 1.0, 2.0};
    for (int i = 0; i < 7; ++i)
        from->GetParam(i)->SetClamped(settings[i]);
    ByteChunk file;
    ASSERT_TRUE(from->SaveProgramToChunk(&file));
    ASSERT_EQ(file.Size(), 56 + 28);
    EXPECT_EQ(fxp::GetInt(file.GetBytes() + 8), fxp::kProgramMagic);
    EXPECT_EQ(FloatsAt(file, 56, 7),
              BigEndianFloats({0.5f, 0.375f, 0.75f, 0.25f, 0.0f, 1.0f, 1.0f}));

    PlugPtr to(MakePlug());
    ASSERT_TRUE(to->LoadProgramFromMemory(file.GetBytes(), static_cast<size_t>(file.Size())));
    for (int i = 0; i < 7; ++i)
        EXPECT_DOUBLE_EQ(to->GetParam(i)->Value(), settings[i]) << i;
    EXPECT_STREQ(to->GetPresetName(0), "-");
}
