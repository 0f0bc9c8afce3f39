// Checks of a generator of committed data: what it writes today is the committed file, and it
// refuses to run without its output path or with one it cannot write.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace generated_file
{

inline std::string ReadFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs generator into regenerated and compares the result with committed, whose first line must be
// firstLine.
inline void ExpectCommittedIsCurrent(const char* generator, const char* committed,
                                     const char* regenerated, const std::string& firstLine)
{
    std::remove(regenerated);
    const std::string command = std::string("\"") + generator + "\" \"" + regenerated + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string fresh = ReadFile(regenerated);
    ASSERT_FALSE(fresh.empty());
    EXPECT_EQ(fresh.rfind(firstLine + "\n", 0), 0u);
    EXPECT_TRUE(fresh == ReadFile(committed))
        << committed << " is out of date: run " << generator << " on it";
}

inline void ExpectRefusesMissingAndUnwritablePaths(const char* generator)
{
    EXPECT_NE(std::system((std::string("\"") + generator + "\" 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system(
                  (std::string("\"") + generator + "\" /nonexistent-dir/x.h 2>/dev/null").c_str()),
              0);
}

} // namespace generated_file
