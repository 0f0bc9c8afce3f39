#pragma once

// A test with a folder of its own under the system's temporary folder, removed with everything in
// it when the test ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <stdlib.h>
#include <string>

class TempFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "veltar-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        mDir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    std::filesystem::path mDir;
};
