#pragma once

#include "PendingFile.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace veltar_render
{

// Where the renderer's input comes from: a file or a signal in memory, read in blocks.
class SignalSource
{
public:
    virtual ~SignalSource() = default;
    virtual int GetChannelCount() const = 0;
    virtual double GetSampleRate() const = 0;
    virtual int64_t GetFrameCount() const = 0;
    // Fills up to frames frames of each channel. Answers the number read (fewer only at the end),
    // or -1 with a reason in GetError().
    virtual int64_t Read(double* const* channels, int64_t frames) = 0;
    const std::string& GetError() const { return mError; }

protected:
    std::string mError;
};

// Any format libsndfile reads.
class AudioFileReader final : public SignalSource
{
public:
    AudioFileReader() = default;
    ~AudioFileReader() override;
    AudioFileReader(const AudioFileReader&) = delete;
    AudioFileReader& operator=(const AudioFileReader&) = delete;

    bool Open(const std::string& path);
    // Takes over a file libsndfile opened for reading some other way (from memory, say); null
    // fails with libsndfile's reason. name stands for the file in messages.
    bool Open(SNDFILE* file, const std::string& name);

    int GetChannelCount() const override { return mChannels; }
    double GetSampleRate() const override { return mSampleRate; }
    int64_t GetFrameCount() const override { return mFrames; }
    int64_t Read(double* const* channels, int64_t frames) override;

private:
    SNDFILE* mFile = nullptr;
    std::string mPath;
    int mChannels = 0;
    double mSampleRate = 0.0;
    int64_t mFrames = 0;
    std::vector<double> mInterleaved;
};

class MemorySource final : public SignalSource
{
public:
    MemorySource(std::vector<std::vector<double>> channels, double sampleRate);

    int GetChannelCount() const override { return static_cast<int>(mChannels.size()); }
    double GetSampleRate() const override { return mSampleRate; }
    int64_t GetFrameCount() const override;
    int64_t Read(double* const* channels, int64_t frames) override;

private:
    std::vector<std::vector<double>> mChannels;
    double mSampleRate;
    int64_t mPosition = 0;
};

// Writes a 32-bit float WAV file so that it appears complete or not at all: the samples go to a
// temporary file next to the destination, which Commit renames into place. A writer destroyed
// without a successful Commit removes its temporary file.
class AudioFileWriter
{
public:
    AudioFileWriter() = default;
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    bool Open(const std::string& path, int channels, double sampleRate);
    bool Write(const double* const* channels, int64_t frames);
    bool Commit();

    const std::string& GetError() const { return mError; }

private:
    bool Fail(const std::string& why);
    void Discard();

    SNDFILE* mFile = nullptr;
    PendingFile mTarget;
    std::string mPath;
    int mChannels = 0;
    std::vector<double> mInterleaved;
    std::string mError;
};

} // namespace veltar_render
