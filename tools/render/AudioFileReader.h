#pragma once

#include "SignalSource.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace veltar_render
{

// Any format libsndfile reads, from a file or, for "-", from standard input.
class AudioFileReader final : public SignalSourceOf<AudioFileReader>
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
    // The length the file's header claims, which is more than GetFrameCount() when the file was
    // cut short (libsndfile reads what is there and only logs the difference).
    int64_t GetAnnouncedFrameCount() const { return mAnnounced; }

private:
    friend class SignalSourceOf<AudioFileReader>;

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

} // namespace veltar_render
