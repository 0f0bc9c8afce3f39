#include "PendingFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace veltar_render
{
namespace
{

constexpr int kMaxLinks = 40;

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symlinks, even one that points nowhere yet, to the file a write through them reaches.
bool ResolveLinks(std::string& path)
{
    for (int i = 0; i < kMaxLinks; ++i)
    {
        struct stat info;
        if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        {
            return true;
        }
        std::vector<char> target(PATH_MAX);
        const ssize_t length = readlink(path.c_str(), target.data(), target.size() - 1);
        if (length <= 0)
        {
            return false;
        }
        std::string next(target.data(), static_cast<size_t>(length));
        path = next[0] == '/' ? next : FolderOf(path) + "/" + next;
    }
    errno = ELOOP;
    return false;
}

// A file with no name in the temporary folder, gone as soon as it is closed.
int UnnamedTempFile()
{
    const char* folder = std::getenv("TMPDIR");
    std::string pattern =
        std::string(folder != nullptr && *folder ? folder : "/tmp") + "/veltar-render-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd >= 0)
    {
        unlink(pattern.c_str());
    }
    return fd;
}

} // namespace

PendingFile::~PendingFile()
{
    Discard();
}

bool PendingFile::Open(const std::string& path)
{
    Discard();
    mPath = path;
    if (path == "-")
    {
        return OpenStream(STDOUT_FILENO);
    }
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
    {
        // A new file; through a symlink that points nowhere yet, the file it names.
        mTargetPath = path;
        if (errno != ENOENT || !ResolveLinks(mTargetPath))
        {
            return Fail(std::strerror(errno));
        }
    }
    else if (S_ISDIR(info.st_mode))
    {
        return Fail(std::strerror(EISDIR));
    }
    else if (!S_ISREG(info.st_mode))
    {
        // Opened by the name given: /dev/stdout and its kind lead through /proc to a pipe or a
        // terminal that has no name of its own. O_NONBLOCK would fail on a FIFO nobody reads
        // yet; waiting for a reader is what a writer into a FIFO expects.
        const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0)
        {
            return Fail(std::strerror(errno));
        }
        mOwnsStream = true;
        return OpenStream(fd);
    }
    else
    {
        // The permission bits, not access(): root may write anything, but a file nobody may
        // write is one its owner meant to keep.
        if ((info.st_mode & 0222) == 0 || access(path.c_str(), W_OK) != 0)
        {
            return Fail("the file is read-only");
        }
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved == nullptr)
        {
            return Fail(std::strerror(errno));
        }
        mTargetPath = resolved;
        std::free(resolved);
        mKeepMode = true;
        mMode = info.st_mode & 07777;
    }
    mTempPath = mTargetPath + ".partial-XXXXXX";
    const int fd = mkstemp(mTempPath.data());
    if (fd < 0)
    {
        mTempPath.clear();
        return Fail(std::strerror(errno));
    }
    mFd = fd;
    if (!mKeepMode)
    {
        // mkstemp makes the file private; a new result gets the permissions any new file gets.
        const mode_t mask = umask(0);
        umask(mask);
        mMode = 0666 & ~mask;
    }
    fchmod(fd, mMode);
    return true;
}

bool PendingFile::OpenStream(int fd)
{
    mStreamFd = fd;
    mFd = UnnamedTempFile();
    if (mFd < 0)
    {
        return Fail(std::strerror(errno));
    }
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

bool PendingFile::CopyToStream()
{
    if (lseek(mFd, 0, SEEK_SET) != 0)
    {
        return Fail(std::strerror(errno));
    }
    std::vector<char> buffer(1 << 16);
    for (;;)
    {
        const ssize_t got = read(mFd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            return Fail(std::strerror(errno));
        }
        if (got == 0)
        {
            return true;
        }
        for (ssize_t at = 0; at < got;)
        {
            const ssize_t put = write(mStreamFd, buffer.data() + at, static_cast<size_t>(got - at));
            if (put < 0 && errno == EINTR)
            {
                continue;
            }
            if (put <= 0)
            {
                return Fail(put < 0 ? std::strerror(errno) : "nothing could be written");
            }
            at += put;
        }
    }
}

bool PendingFile::Commit()
{
    if (mFd < 0)
    {
        return Fail("the file is not open");
    }
    if (IsStream())
    {
        if (!CopyToStream())
        {
            return false;
        }
        Discard();
        return true;
    }
    // A full disk or a failing network file system can still show up when the file is closed.
    const int closed = close(mFd);
    mFd = -1;
    if (closed != 0)
    {
        return Fail(std::strerror(errno));
    }
    if (std::rename(mTempPath.c_str(), mTargetPath.c_str()) != 0)
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
    if (mOwnsStream && mStreamFd >= 0)
    {
        close(mStreamFd);
    }
    mStreamFd = -1;
    mOwnsStream = false;
    mKeepMode = false;
    if (!mTempPath.empty())
    {
        std::remove(mTempPath.c_str());
        mTempPath.clear();
    }
}

bool PendingFile::Fail(const std::string& why)
{
    mError = CannotMessage("write", mPath, why);
    Discard();
    return false;
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    struct stat first;
    struct stat second;
    return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string CannotMessage(const char* verb, const std::string& path, const std::string& why)
{
    const std::string name =
        path == "-" ? (verb[0] == 'r' ? "standard input" : "standard output") : "'" + path + "'";
    return std::string("cannot ") + verb + " " + name + ": " + why;
}

} // namespace veltar_render
