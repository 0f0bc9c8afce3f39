#include "AudioFileWriter.h"

#include "LibsndfileWorkarounds.h"

#include <sndfile.h>

#include <cmath>

namespace veltar_render
{

AudioFileWriter::~AudioFileWriter()
{
    Discard();
}

bool AudioFileWriter::Open(const std::string& path, int channels, double sampleRate,
                           const OutputFormat& format)
{
    Discard();
    mPath = path;
    mChannels = channels;
    mFormat = format;
    mQuantiser = Quantiser(BitsOf(format.sample), format.dither);
    if (!mTarget.Open(path))
    {
        return Fail(mTarget.GetError());
    }
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.format = SndfileFormatOf(format);
    mFile = sf_open_fd(mTarget.GetFd(), SFM_WRITE, &info, SF_FALSE);
    if (mFile == nullptr)
    {
        return Fail(CannotMessage("write", path, sf_strerror(nullptr)));
    }
    int map[2] = {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT};
    if (channels == 1)
    {
        map[0] = SF_CHANNEL_MAP_MONO;
    }
    sf_command(mFile, SFC_SET_CHANNEL_MAP_INFO, map, static_cast<int>(sizeof(int) * channels));
    // The PEAK chunk carries the time of writing, so the same render would never give the same
    // bytes twice; its peaks are in the renderer's report anyway.
    sf_command(mFile, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // libsndfile counts Vorbis quality from 0 to 1.
    double quality = format.quality / 10.0;
    if (format.quality >= 0.0 &&
        sf_command(mFile, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality) != SF_TRUE)
    {
        return Fail(CannotMessage("write", path, "the encoder refused the quality"));
    }
    return true;
}

template <typename Sample>
bool AudioFileWriter::WriteAny(const Sample* const* channels, int64_t frames)
{
    if (mFile == nullptr)
    {
        return Fail(CannotMessage("write", mPath, "the file is not open"));
    }
    sf_count_t written = 0;
    if (mFormat.sample == SampleFormat::Float || mFormat.sample == SampleFormat::Vorbis)
    {
        mFloats.resize(static_cast<size_t>(frames * mChannels));
        for (int64_t i = 0; i < frames; ++i)
        {
            for (int c = 0; c < mChannels; ++c)
            {
                mFloats[static_cast<size_t>(i * mChannels + c)] =
                    static_cast<float>(channels[c][i]);
            }
        }
        written = sf_writef_float(mFile, mFloats.data(), frames);
    }
    else
    {
        mQuantiser.Quantise(channels, mChannels, frames, mInts);
        written = sf_writef_int(mFile, mInts.data(), frames);
    }
    if (written != frames)
    {
        return Fail(CannotMessage("write", mPath, sf_strerror(mFile)));
    }
    return true;
}

bool AudioFileWriter::Write(const float* const* channels, int64_t frames)
{
    return WriteAny(channels, frames);
}

bool AudioFileWriter::Write(const double* const* channels, int64_t frames)
{
    return WriteAny(channels, frames);
}

bool AudioFileWriter::Commit()
{
    if (mFile == nullptr)
    {
        return Fail(CannotMessage("write", mPath, "the file is not open"));
    }
    // Closing writes the final header; a full disk can still show up here.
    const int closed = sf_close(mFile);
    mFile = nullptr;
    if (closed != 0)
    {
        return Fail(CannotMessage("write", mPath, sf_error_number(closed)));
    }
    if (mFormat.name == "wav" && mFormat.sample == SampleFormat::Float)
    {
        ExtendFloatFormatChunk(mTarget.GetFd());
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
