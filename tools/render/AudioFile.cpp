#include "AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>

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
    return Open(sf_open(path.c_str(), SFM_READ, &info), path);
}

bool AudioFileReader::Open(SNDFILE* file, const std::string& name)
{
    mPath = name;
    mFile = file;
    if (mFile == nullptr)
    {
        mError = "cannot read " + name + ": " + sf_strerror(nullptr);
        return false;
    }
    SF_INFO info{};
    sf_command(mFile, SFC_GET_CURRENT_SF_INFO, &info, sizeof(info));
    mChannels = info.channels;
    mSampleRate = info.samplerate;
    mFrames = info.frames;
    return true;
}

int64_t AudioFileReader::Read(double* const* channels, int64_t frames)
{
    mInterleaved.resize(static_cast<size_t>(frames * mChannels));
    const sf_count_t got = sf_readf_double(mFile, mInterleaved.data(), frames);
    if (got < frames && sf_error(mFile) != SF_ERR_NO_ERROR)
    {
        mError = "cannot read " + mPath + ": " + sf_strerror(mFile);
        return -1;
    }
    for (sf_count_t i = 0; i < got; ++i)
    {
        for (int c = 0; c < mChannels; ++c)
        {
            channels[c][i] = mInterleaved[static_cast<size_t>(i * mChannels + c)];
        }
    }
    return got;
}

MemorySource::MemorySource(std::vector<std::vector<double>> channels, double sampleRate)
    : mChannels(std::move(channels)), mSampleRate(sampleRate)
{
}

int64_t MemorySource::GetFrameCount() const
{
    return mChannels.empty() ? 0 : static_cast<int64_t>(mChannels[0].size());
}

int64_t MemorySource::Read(double* const* channels, int64_t frames)
{
    const int64_t count = std::min(frames, GetFrameCount() - mPosition);
    for (size_t c = 0; c < mChannels.size(); ++c)
    {
        std::copy_n(mChannels[c].begin() + mPosition, count, channels[c]);
    }
    mPosition += count;
    return count;
}

AudioFileWriter::~AudioFileWriter()
{
    Discard();
}

bool AudioFileWriter::Open(const std::string& path, int channels, double sampleRate)
{
    Discard();
    mPath = path;
    mChannels = channels;
    if (!mTarget.Open(path))
    {
        return Fail(mTarget.GetError());
    }
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    mFile = sf_open_fd(mTarget.GetFd(), SFM_WRITE, &info, SF_FALSE);
    if (mFile == nullptr)
    {
        return Fail("cannot write " + path + ": " + sf_strerror(nullptr));
    }
    return true;
}

bool AudioFileWriter::Write(const double* const* channels, int64_t frames)
{
    if (mFile == nullptr)
    {
        return Fail("cannot write " + mPath + ": the file is not open");
    }
    mInterleaved.resize(static_cast<size_t>(frames * mChannels));
    for (int64_t i = 0; i < frames; ++i)
    {
        for (int c = 0; c < mChannels; ++c)
        {
            mInterleaved[static_cast<size_t>(i * mChannels + c)] = channels[c][i];
        }
    }
    if (sf_writef_double(mFile, mInterleaved.data(), frames) != frames)
    {
        return Fail("cannot write " + mPath + ": " + sf_strerror(mFile));
    }
    return true;
}

bool AudioFileWriter::Commit()
{
    if (mFile == nullptr)
    {
        return Fail("cannot write " + mPath + ": the file is not open");
    }
    // Closing writes the final header; a full disk can still show up here.
    const int closed = sf_close(mFile);
    mFile = nullptr;
    if (closed != 0)
    {
        return Fail("cannot write " + mPath + ": " + sf_error_number(closed));
    }
    if (!mTarget.Commit())
    {
        return Fail(mTarget.GetError());
    }
    return true;
}

bool AudioFileWriter::Fail(const std::string& why)
{
    mError = why;
    Discard();
    return false;
}

void AudioFileWriter::Discard()
{
    if (mFile != nullptr)
    {
        sf_close(mFile);
        mFile = nullptr;
    }
    mTarget.Discard();
}

} // namespace veltar_render
