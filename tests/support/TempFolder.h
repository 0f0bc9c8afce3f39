// Test helpers that behave the same on every platform the tests run on (Linux, and Windows under
// Wine), so that a test needs no POSIX call of its own.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace testsupport
{

// A folder of its own under the system's temporary folder, removed with everything in it when
// the object goes.
class TempFolder
{
public:
    explicit TempFolder(const char* prefix = "veltar-test-")
    {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100 && mPath.empty(); ++attempt)
        {
            const std::filesystem::path candidate = base / (prefix + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error))
                mPath = candidate;
        }
    }
    ~TempFolder()
    {
        std::error_code error;
        if (!mPath.empty())
            std::filesystem::remove_all(mPath, error);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Empty when no folder could be made.
    const std::filesystem::path& Path() const { return mPath; }
    // The folder as a UTF-8 string with forward slashes, the form the code under test takes.
    std::string Str() const { return mPath.generic_u8string(); }
    // A path in the folder.
    std::string File(const std::string& name) const { return Str() + "/" + name; }

private:
    std::filesystem::path mPath;
};

} // namespace testsupport
