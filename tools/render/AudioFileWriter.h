#pragma once

#include "OutputFormat.h"
#include "PendingFile.h"
#include "Quantiser.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace veltar_render
{

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
    int64_t GetClippedSamples() const { return mQuantiser.GetClippedSamples(); }
    const std::string& GetError() const { return mError; }

private:
    template <typename Sample> bool WriteAny(const Sample* const* channels, int64_t frames);
    bool Fail(const std::string& why);
    void Discard();

    SNDFILE* mFile = nullptr;
    PendingFile mTarget;
    std::string mPath;
    OutputFormat mFormat;
    int mChannels = 0;
    Quantiser mQuantiser;
    std::vector<float> mFloats;
    std::vector<int32_t> mInts;
    std::string mError;
};

} // namespace veltar_render
