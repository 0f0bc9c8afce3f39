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
    // The length the source announces; a truncated file delivers fewer frames, a pipe may
    // announce none (0).
    virtual int64_t GetFrameCount() const = 0;
    // Fills up to frames frames of each channel. Answers the number read (fewer only at the end),
    // or -1 with a reason in GetError().
    virtual int64_t Read(float* const* channels, int64_t frames) = 0;
    virtual int64_t Read(double* const* channels, int64_t frames) = 0;
    const std::string& GetError() const { return mError; }

protected:
    std::string mError;
};

// Any format libsndfile reads, from a file or, for "-", from standard input.
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
    int64_t Read(float* const* channels, int64_t frames) override;
    int64_t Read(double* const* channels, int64_t frames) override;
    // The length the file's header claims, which is more than GetFrameCount() when the file was
    // cut short (libsndfile reads what is there and only logs the difference).
    int64_t GetAnnouncedFrameCount() const { return mAnnounced; }

private:
    // Whether the header of the file open as fd would hang libsndfile; the reason goes to
    // GetError().
    bool RefuseDamagedHeader(int fd, int64_t length, const std::string& path);
    // Takes over file (closing one held before); a stream that cannot seek announces no length.
    void Adopt(SNDFILE* file, const std::string& name, bool announcesLength);
    template <typename Sample> int64_t ReadAny(Sample* const* channels, int64_t frames);

    SNDFILE* mFile = nullptr;
    int64_t mAnnounced = 0;
    std::string mPath;
    int mChannels = 0;
    double mSampleRate = 0.0;
    int64_t mFrames = 0;
    std::vector<float> mFloats;
    std::vector<double> mDoubles;
};

class MemorySource final : public SignalSource
{
public:
    MemorySource(std::vector<std::vector<double>> channels, double sampleRate);

    int GetChannelCount() const override { return static_cast<int>(mChannels.size()); }
    double GetSampleRate() const override { return mSampleRate; }
    int64_t GetFrameCount() const override;
    int64_t Read(float* const* channels, int64_t frames) override;
    int64_t Read(double* const* channels, int64_t frames) override;

private:
    template <typename Sample> int64_t ReadAny(Sample* const* channels, int64_t frames);

    std::vector<std::vector<double>> mChannels;
    double mSampleRate;
    int64_t mPosition = 0;
};

// How the samples of an output file are stored.
enum class SampleFormat
{
    Float,
    Int16,
    Int24,
    Int32,
    Vorbis,
};

struct OutputFormat
{
    std::string name = "wav";
    SampleFormat sample = SampleFormat::Float;
    // Reductions to 16 and 24 bits add triangular dither of one step, as mastering tools do.
    bool dither = true;
    // Ogg Vorbis only: 0 (smallest) to 10 (best), as sox counts it; negative: the encoder's
    // default.
    double quality = -1.0;
};

// The format for an output path: formatName if given, else the path's extension; bits ("16",
// "24", "32", "float" or empty for the format's default). A path without an extension, such as
// "-" or a device, gets WAV. Answers false with a message naming what is supported.
bool ChooseOutputFormat(const std::string& path, const std::string& formatName,
                        const std::string& bits, OutputFormat& format, std::string& error);

// The format names --format takes, for messages and the help text.
std::string SupportedFormatNames();
// "24-bit FLAC", "32-bit float WAV" and the like.
std::string DescribeFormat(const OutputFormat& format);

// Writes an audio file through PendingFile, so that it appears complete or not at all and never
// replaces what a path names unless it is a regular file.
class AudioFileWriter
{
public:
    AudioFileWriter() = default;
    ~AudioFileWriter();
    AudioFileWriter(const AudioFileWriter&) = delete;
    AudioFileWriter& operator=(const AudioFileWriter&) = delete;

    bool Open(const std::string& path, int channels, double sampleRate,
              const OutputFormat& format = OutputFormat());
    bool Write(const float* const* channels, int64_t frames);
    bool Write(const double* const* channels, int64_t frames);
    bool Commit();

    // Samples that did not fit an integer format and were clipped to full scale.
    int64_t GetClippedSamples() const { return mClipped; }
    const std::string& GetError() const { return mError; }

private:
    template <typename Sample> bool WriteAny(const Sample* const* channels, int64_t frames);
    template <typename Sample> void Quantise(const Sample* const* channels, int64_t frames);
    bool Fail(const std::string& why);
    void Discard();

    SNDFILE* mFile = nullptr;
    PendingFile mTarget;
    std::string mPath;
    OutputFormat mFormat;
    int mChannels = 0;
    int64_t mClipped = 0;
    uint64_t mNoiseState = 0;
    std::vector<float> mFloats;
    std::vector<int32_t> mInts;
    std::string mError;
};

} // namespace veltar_render
