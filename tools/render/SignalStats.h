#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace veltar_render
{

// Peak and RMS level of each channel of a signal that arrives block by block.
class SignalStats
{
public:
    explicit SignalStats(int channels);

    void Add(const float* const* channels, int64_t frames);
    void Add(const double* const* channels, int64_t frames);

    int GetChannelCount() const { return static_cast<int>(mPeak.size()); }
    int64_t GetFrames() const { return mFrames; }
    // Largest absolute sample; 0 before any frame.
    double GetPeak(int channel) const { return mPeak[static_cast<size_t>(channel)]; }
    // Root of the mean square over all frames; 0 before any frame.
    double GetRms(int channel) const;
    // NaN or infinite samples seen (left out of peak and RMS), and the first frame with one.
    bool HasNonFinite() const { return mNonFinite > 0; }
    int64_t GetNonFiniteCount() const { return mNonFinite; }
    int64_t GetFirstNonFiniteFrame() const { return mFirstNonFinite; }

private:
    template <typename Sample> void AddAny(const Sample* const* channels, int64_t frames);

    std::vector<double> mPeak;
    std::vector<double> mSumOfSquares;
    int64_t mFrames = 0;
    int64_t mNonFinite = 0;
    int64_t mFirstNonFinite = 0;
};

// A linear level in dB relative to full scale (1.0); minus infinity for 0.
double ToDbfs(double level);

} // namespace veltar_render
