// The renderer's program-file reader and writer, and its options for them.
#include "ProgramFile.h"
#include "Options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace veltar_render;

namespace
{

constexpr int32_t kVtr1 = 0x56747231;

ProgramFile Sample()
{
    ProgramFile program;
    program.uniqueId = kVtr1;
    program.version = 10100;
    program.name = "warm";
    program.values = {0.5f, 0.375f, 1.0f};
    return program;
}

void PutText(std::vector<uint8_t>& bytes, size_t offset, const char* text)
{
    std::memcpy(bytes.data() + offset, text, 4);
}

std::string ParseError(const std::vector<uint8_t>& bytes)
{
    ProgramFile program;
    std::string error;
    EXPECT_FALSE(ParseProgramFile(bytes, program, error));
    return error;
}

} // namespace

TEST(RenderProgramFile, EncodesTheParameterForm)
{
    const std::vector<uint8_t> bytes = EncodeProgramFile(Sample());
    const std::vector<uint8_t> header = {'C',  'c',  'n', 'K', 0, 0,   0,   0,   'F', 'x', 'C',
                                         'k',  0,    0,   0,   1, 'V', 't', 'r', '1', 0,   0,
                                         0x27, 0x74, 0,   0,   0, 3,   'w', 'a', 'r', 'm'};
    ASSERT_EQ(bytes.size(), 56u + 12);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 32), header);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 32, bytes.begin() + 56),
              std::vector<uint8_t>(24, 0));
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 56, bytes.end()),
              (std::vector<uint8_t>{0x3F, 0, 0, 0, 0x3E, 0xC0, 0, 0, 0x3F, 0x80, 0, 0}));

    ProgramFile back;
    std::string error;
    ASSERT_TRUE(ParseProgramFile(bytes, back, error)) << error;
    EXPECT_EQ(back.uniqueId, kVtr1);
    EXPECT_EQ(back.version, 10100);
    EXPECT_EQ(back.name, "warm");
    EXPECT_EQ(back.values, Sample().values);
}

TEST(RenderProgramFile, NamesAreCutToTwentySevenCharacters)
{
    ProgramFile program = Sample();
    program.name = std::string(40, 'n');
    ProgramFile back;
    std::string error;
    ASSERT_TRUE(ParseProgramFile(EncodeProgramFile(program), back, error));
    EXPECT_EQ(back.name, std::string(27, 'n'));
}

TEST(RenderProgramFile, ReadsTheValuesThatAreThereWhateverTheCountSays)
{
    std::vector<uint8_t> bytes = EncodeProgramFile(Sample());
    bytes[27] = 99;
    bytes.resize(bytes.size() - 2); // the last value is cut: it is not read
    ProgramFile back;
    std::string error;
    ASSERT_TRUE(ParseProgramFile(bytes, back, error)) << error;
    EXPECT_EQ(back.values, (std::vector<float>{0.5f, 0.375f}));
}

TEST(RenderProgramFile, RefusesWhatIsNotAParameterProgram)
{
    const std::vector<uint8_t> good = EncodeProgramFile(Sample());
    for (size_t length = 0; length < 56; ++length)
    {
        EXPECT_NE(ParseError(std::vector<uint8_t>(good.begin(), good.begin() + length))
                      .find("ends inside the 56-byte header"),
                  std::string::npos)
            << length;
    }
    std::vector<uint8_t> bytes = good;
    PutText(bytes, 0, "RIFF");
    EXPECT_NE(ParseError(bytes).find("does not start with \"CcnK\""), std::string::npos);
    bytes = good;
    PutText(bytes, 8, "FxBk");
    EXPECT_NE(ParseError(bytes).find("is a bank file"), std::string::npos);
    PutText(bytes, 8, "FBCh");
    EXPECT_NE(ParseError(bytes).find("is a bank file"), std::string::npos);
    PutText(bytes, 8, "FPCh");
    EXPECT_NE(ParseError(bytes).find("state chunk"), std::string::npos);
    PutText(bytes, 8, "Junk");
    EXPECT_NE(ParseError(bytes).find("neither"), std::string::npos);
    bytes = good;
    bytes[15] = 2;
    EXPECT_NE(ParseError(bytes).find("format version 2"), std::string::npos);
}

TEST(RenderProgramFile, PlugInParametersAreTheIdsFromZeroUp)
{
    std::vector<HostParameter> parameters(5);
    const uint32_t ids[] = {0x70727374, 0x62706173, 1, 0, 3};
    for (size_t i = 0; i < 5; ++i)
        parameters[i].id = ids[i];
    EXPECT_EQ(ProgramParameterIds(parameters), (std::vector<uint32_t>{0, 1}));
    EXPECT_TRUE(ProgramParameterIds({}).empty());
}

TEST(RenderProgramFile, OptionsTakeAProgramToLoadAndOneToSave)
{
    Options options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--load-fxp", "a.fxp", "--save-fxp=b.fxp", "--set", "Model=1"},
                             options, error))
        << error;
    EXPECT_EQ(options.loadFxp, "a.fxp");
    EXPECT_EQ(options.saveFxp, "b.fxp");
    EXPECT_TRUE(OnlySavesProgram(options));
    ASSERT_TRUE(ParseOptions({"--save-fxp", "b.fxp", "--demo"}, options, error));
    EXPECT_FALSE(OnlySavesProgram(options));
    EXPECT_FALSE(ParseOptions({"--load-fxp", "a.fxp"}, options, error));
    EXPECT_NE(error.find("nothing to render"), std::string::npos);

    EXPECT_FALSE(ParseOptions({"--save-fxp="}, options, error));
    EXPECT_EQ(error, "--save-fxp needs a non-empty value");
    EXPECT_FALSE(ParseOptions({"--snapshot", "a.png", "--save-fxp", "a.fxp"}, options, error));
    EXPECT_NE(error.find("does not go with it"), std::string::npos);
    for (const char* word : {"--load-fxp", "--save-fxp"})
        EXPECT_NE(UsageText().find(word), std::string::npos) << word;
}
