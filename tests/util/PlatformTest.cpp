// The platform functions behave alike on Linux and on Windows (under Wine): UTF-8 paths reach
// files whatever their names, and a module knows its own file.
#include "util/platform.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{

int gInThisProgram = 0;

TEST(Platform, FilesWhoseNamesAreNotAsciiAreReachedByTheirUtf8Path)
{
    testsupport::TempFolder folder;
    const std::string path = folder.File("\xC3\x9Cn\xC3\xAF"
                                         "c\xC3\xB8"
                                         "d\xC3\xA9 \xE2\x9C\x93.txt");
    std::FILE* out = FxOpenFile(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fputs("VELTAR", out);
    std::fclose(out);
    // The file is there under that name, as the file system's own listing shows.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(path)));
    EXPECT_TRUE(FxIsReadableFile(path.c_str()));
    std::FILE* in = FxOpenFile(path.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, 7, in), 6u);
    std::fclose(in);
    EXPECT_STREQ(text, "VELTAR");

    EXPECT_FALSE(FxIsReadableFile(folder.File("absent").c_str()));
    EXPECT_EQ(FxOpenFile(nullptr, "rb"), nullptr);
    EXPECT_FALSE(FxIsReadableFile(nullptr));
}

TEST(Platform, AbsolutePaths)
{
    testsupport::TempFolder folder;
    EXPECT_TRUE(FxIsAbsolutePath(folder.Str().c_str()));
    EXPECT_FALSE(FxIsAbsolutePath("VELTAR.vst3/Contents"));
    EXPECT_FALSE(FxIsAbsolutePath(""));
    EXPECT_FALSE(FxIsAbsolutePath(nullptr));
}

TEST(Platform, TheModuleOfAnAddressIsThisProgram)
{
    const std::string module = FxModuleFileOf(&gInThisProgram);
    EXPECT_TRUE(FxIsAbsolutePath(module.c_str()));
    EXPECT_EQ(module.find('\\'), std::string::npos);
    EXPECT_EQ(module, FxProgramFile());
    EXPECT_NE(module.find("util_platform_tests"), std::string::npos) << module;
    int onTheStack = 0;
    EXPECT_EQ(FxModuleFileOf(&onTheStack), "");
    EXPECT_EQ(FxModuleFileOf(nullptr), "");
}

} // namespace
