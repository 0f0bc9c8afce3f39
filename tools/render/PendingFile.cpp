#include "PendingFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace veltar_render
{

PendingFile::~PendingFile()
{
    Discard();
}

bool PendingFile::Open(const std::string& path)
{
    Discard();
    mPath = path;
    mTempPath = path + ".partial-XXXXXX";
    const int fd = mkstemp(mTempPath.data());
    if (fd < 0)
    {
        mTempPath.clear();
        return Fail(std::strerror(errno));
    }
    mFd = fd;
    // mkstemp makes the file private; the result should get the permissions any new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return true;
}

bool PendingFile::Write(const void* data, size_t size)
{
    if (mFd < 0)
    {
        return Fail("the file is not open");
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t written = write(mFd, bytes, size);
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            return Fail(written < 0 ? std::strerror(errno) : "nothing could be written");
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool PendingFile::Commit()
{
    if (mFd < 0)
    {
        return Fail("the file is not open");
    }
    // A full disk or a failing network file system can still show up when the file is closed.
    const int closed = close(mFd);
    mFd = -1;
    if (closed != 0)
    {
        return Fail(std::strerror(errno));
    }
    if (std::rename(mTempPath.c_str(), mPath.c_str()) != 0)
    {
        return Fail(std::strerror(errno));
    }
    mTempPath.clear();
    return true;
}

void PendingFile::Discard()
{
    if (mFd >= 0)
    {
        close(mFd);
        mFd = -1;
    }
    if (!mTempPath.empty())
    {
        std::remove(mTempPath.c_str());
        mTempPath.clear();
    }
}

bool PendingFile::Fail(const std::string& why)
{
    mError = "cannot write " + mPath + ": " + why;
    Discard();
    return false;
}

} // namespace veltar_render
