#pragma once

#include <string>

namespace veltar_render
{

// A file that appears complete or not at all: it is written to a temporary file next to its
// destination, which Commit renames into place. Discarded, or destroyed without a successful
// Commit, it removes the temporary file, so a failed or interrupted write leaves nothing behind.
class PendingFile
{
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the temporary file for path; its descriptor is GetFd() until Commit or Discard.
    bool Open(const std::string& path);
    int GetFd() const { return mFd; }
    // Writes all of data to the file.
    bool Write(const void* data, size_t size);
    // Closes the file and renames it to its destination.
    bool Commit();
    void Discard();

    const std::string& GetError() const { return mError; }

private:
    bool Fail(const std::string& why);

    int mFd = -1;
    std::string mPath;
    std::string mTempPath;
    std::string mError;
};

} // namespace veltar_render
