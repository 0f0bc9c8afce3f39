#pragma once

#include <string>
#include <sys/types.h>

namespace veltar_render
{

// Where a result goes without harming what the path names today. A regular file (new, or found
// through any symlinks) appears complete or not at all: it is written to a temporary file next to
// it, which Commit renames into place with the old file's permissions. Anything else (a device, a
// FIFO, "-" for standard output) is a stream: it is never replaced, the result is gathered in an
// unnamed temporary file and copied into the stream by Commit, so that a failure writes nothing
// there either. Discarded, or destroyed without a successful Commit, nothing is left behind.
class PendingFile
{
public:
    PendingFile() = default;
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Prepares the result for path; refuses a read-only file. The descriptor GetFd() takes the
    // result (seekable in every case) until Commit or Discard.
    bool Open(const std::string& path);
    int GetFd() const { return mFd; }
    // Whether the destination is a stream rather than a file of its own.
    bool IsStream() const { return mStreamFd >= 0; }
    bool Write(const void* data, size_t size);
    bool Commit();
    void Discard();

    const std::string& GetError() const { return mError; }

private:
    bool Fail(const std::string& why);
    bool OpenStream(int fd);
    bool CopyToStream();

    int mFd = -1;
    int mStreamFd = -1;
    bool mOwnsStream = false;
    bool mKeepMode = false;
    mode_t mMode = 0;
    std::string mPath;
    std::string mTargetPath;
    std::string mTempPath;
    std::string mError;
};

// Whether two paths name the same file, through any links. Answers false when either is missing.
bool IsSameFile(const std::string& a, const std::string& b);

// The message for a path that cannot be used, in the tool's style: cannot write 'X': reason.
std::string CannotMessage(const char* verb, const std::string& path, const std::string& why);

} // namespace veltar_render
