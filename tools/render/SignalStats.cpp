#include "SignalStats.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace veltar_render
{
namespace
{
constexpr int kLanes = 8;
}

SignalStats::SignalStats(int channels)
    : mPeak(static_cast<size_t>(channels), 0.0), mSumOfSquares(static_cast<size_t>(channels), 0.0)
{
}

template <typename Sample> void SignalStats::AddAny(const Sample* const* channels, int64_t frames)
{
    for (size_t c = 0; c < mPeak.size(); ++c)
    {
        const Sample* samples = channels[c];
        // The common case in cheap passes: a NaN fails every comparison and an infinity makes
        // the sum infinite, so a non-finite sum is the only sign that a second look is needed.
        // Independent lanes let the compiler use vector instructions without reordering any
        // one sum, so the result stays the same on every machine.
        Sample peaks[kLanes] = {};
        double sums[kLanes] = {};
        const int64_t whole = frames - frames % kLanes;
        for (int64_t i = 0; i < whole; i += kLanes)
        {
            for (int lane = 0; lane < kLanes; ++lane)
            {
                const Sample magnitude = std::fabs(samples[i + lane]);
                peaks[lane] = magnitude > peaks[lane] ? magnitude : peaks[lane];
            }
        }
        for (int64_t i = 0; i < whole; i += kLanes)
        {
            for (int lane = 0; lane < kLanes; ++lane)
            {
                const double x = samples[i + lane];
                sums[lane] += x * x;
            }
        }
        for (int64_t i = whole; i < frames; ++i)
        {
            const double x = samples[i];
            const Sample magnitude = std::fabs(samples[i]);
            peaks[0] = magnitude > peaks[0] ? magnitude : peaks[0];
            sums[0] += x * x;
        }
        double peak = mPeak[c];
        double sum = 0.0;
        for (int lane = 0; lane < kLanes; ++lane)
        {
            peak = std::max(peak, static_cast<double>(peaks[lane]));
            sum += sums[lane];
        }
        if (!std::isfinite(sum) || !std::isfinite(peak))
        {
            peak = mPeak[c];
            sum = 0.0;
            for (int64_t k = 0; k < frames; ++k)
            {
                const double x = samples[k];
                if (!std::isfinite(x))
                {
                    if (mNonFinite++ == 0 || mFrames + k < mFirstNonFinite)
                    {
                        mFirstNonFinite = mFrames + k;
                    }
                    continue;
                }
                peak = std::max(peak, std::fabs(x));
                sum += x * x;
            }
        }
        mPeak[c] = peak;
        mSumOfSquares[c] += sum;
    }
    mFrames += frames;
}

void SignalStats::Add(const float* const* channels, int64_t frames)
{
    AddAny(channels, frames);
}

void SignalStats::Add(const double* const* channels, int64_t frames)
{
    AddAny(channels, frames);
}

double SignalStats::GetRms(int channel) const
{
    if (mFrames == 0)
    {
        return 0.0;
    }
    return std::sqrt(mSumOfSquares[static_cast<size_t>(channel)] / static_cast<double>(mFrames));
}

double ToDbfs(double level)
{
    if (level <= 0.0)
    {
        return -std::numeric_limits<double>::infinity();
    }
    return 20.0 * std::log10(level);
}

} // namespace veltar_render
