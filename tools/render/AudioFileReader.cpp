#include "AudioFileReader.h"

#include "LibsndfileWorkarounds.h"
#include "PendingFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>

namespace veltar_render
{

AudioFileReader::~AudioFileReader()
{
    if (mFile != nullptr)
    {
        sf_close(mFile);
    }
}

bool AudioFileReader::Open(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = nullptr;
    bool announcesLength = true;
    struct stat status;
    if (path == "-")
    {
        // A stream's header cannot know the length when the writer could not seek back (ffmpeg
        // then claims 4 GB): only a file announces one.
        announcesLength = fstat(STDIN_FILENO, &status) == 0 && S_ISREG(status.st_mode);
        if (announcesLength && RefuseDamagedHeader(STDIN_FILENO, status.st_size, path))
        {
            return false;
        }
        file = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
    }
    else
    {
        if (stat(path.c_str(), &status) != 0)
        {
            mError = CannotMessage("read", path, std::strerror(errno));
            return false;
        }
        if (S_ISDIR(status.st_mode))
        {
            mError = CannotMessage("read", path, std::strerror(EISDIR));
            return false;
        }
        // libsndfile opens the file by its name, which it needs for formats without a header.
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool damaged = fd >= 0 && RefuseDamagedHeader(fd, status.st_size, path);
        if (fd >= 0)
        {
            close(fd);
        }
        if (damaged)
        {
            return false;
        }
        file = sf_open(path.c_str(), SFM_READ, &info);
    }
    if (file == nullptr)
    {
        mError = CannotMessage("read", path, "not an audio file libsndfile knows");
        return false;
    }
    Adopt(file, path, announcesLength);
    return true;
}

bool AudioFileReader::RefuseDamagedHeader(int fd, int64_t length, const std::string& path)
{
    const std::string damage = DamagedWaveList(
        [fd](int64_t offset, void* dst, size_t n)
        { return pread(fd, dst, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n); },
        length);
    if (damage.empty())
    {
        return false;
    }
    mError = CannotMessage("read", path, damage);
    return true;
}

bool AudioFileReader::Open(SNDFILE* file, const std::string& name)
{
    if (file == nullptr)
    {
        mError = CannotMessage("read", name, sf_strerror(nullptr));
        return false;
    }
    Adopt(file, name, true);
    return true;
}

void AudioFileReader::Adopt(SNDFILE* file, const std::string& name, bool announcesLength)
{
    if (mFile != nullptr)
    {
        sf_close(mFile);
    }
    mFile = file;
    mPath = name;
    SF_INFO info{};
    sf_command(mFile, SFC_GET_CURRENT_SF_INFO, &info, sizeof(info));
    mChannels = info.channels;
    mSampleRate = info.samplerate;
    mFrames = !announcesLength || info.frames == SF_COUNT_MAX ? 0 : info.frames;
    mAnnounced = mFrames == 0 ? 0 : AnnouncedFrames(mFile, info);
}

template <typename Sample> int64_t AudioFileReader::ReadAny(Sample* const* channels, int64_t frames)
{
    constexpr bool kFloat = std::is_same_v<Sample, float>;
    auto& interleaved = [this]() -> std::vector<Sample>&
    {
        if constexpr (kFloat)
        {
            return mFloats;
        }
        else
        {
            return mDoubles;
        }
    }();
    interleaved.resize(static_cast<size_t>(frames * mChannels));
    sf_count_t got = 0;
    if constexpr (kFloat)
    {
        got = sf_readf_float(mFile, interleaved.data(), frames);
    }
    else
    {
        got = sf_readf_double(mFile, interleaved.data(), frames);
    }
    if (got < frames && sf_error(mFile) != SF_ERR_NO_ERROR)
    {
        mError = CannotMessage("read", mPath, sf_strerror(mFile));
        return -1;
    }
    if (mChannels == 1)
    {
        std::copy_n(interleaved.data(), got, channels[0]);
        return got;
    }
    for (sf_count_t i = 0; i < got; ++i)
    {
        for (int c = 0; c < mChannels; ++c)
        {
            channels[c][i] = interleaved[static_cast<size_t>(i * mChannels + c)];
        }
    }
    return got;
}

template int64_t AudioFileReader::ReadAny(float* const*, int64_t);
template int64_t AudioFileReader::ReadAny(double* const*, int64_t);

} // namespace veltar_render
