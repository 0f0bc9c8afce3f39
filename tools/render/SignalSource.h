#pragma once

#include <cstdint>
#include <string>
#include <vector>

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

// A source whose one function template ReadAny reads both sample types.
template <class Derived> class SignalSourceOf : public SignalSource
{
public:
    int64_t Read(float* const* channels, int64_t frames) final
    {
        return static_cast<Derived*>(this)->ReadAny(channels, frames);
    }
    int64_t Read(double* const* channels, int64_t frames) final
    {
        return static_cast<Derived*>(this)->ReadAny(channels, frames);
    }
};

class MemorySource final : public SignalSourceOf<MemorySource>
{
public:
    MemorySource(std::vector<std::vector<double>> channels, double sampleRate);

    int GetChannelCount() const override { return static_cast<int>(mChannels.size()); }
    double GetSampleRate() const override { return mSampleRate; }
    int64_t GetFrameCount() const override;

private:
    friend class SignalSourceOf<MemorySource>;
    template <typename Sample> int64_t ReadAny(Sample* const* channels, int64_t frames);

    std::vector<std::vector<double>> mChannels;
    double mSampleRate;
    int64_t mPosition = 0;
};

} // namespace veltar_render
