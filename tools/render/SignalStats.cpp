#include "SignalStats.h"

#include <cmath>
#include <limits>

namespace veltar_render
{

SignalStats::SignalStats(int channels)
    : mPeak(static_cast<size_t>(channels), 0.0), mSumOfSquares(static_cast<size_t>(channels), 0.0)
{
}

template <typename Sample> void SignalStats::AddAny(const Sample* const* channels, int64_t frames)
{
    for (size_t c = 0; c < mPeak.size(); ++c)
    {
        double peak = mPeak[c];
        double sum = 0.0;
        for (int64_t i = 0; i < frames; ++i)
        {
            const double x = channels[c][i];
            if (!std::isfinite(x))
            {
                if (mNonFinite++ == 0 || mFrames + i < mFirstNonFinite)
                {
                    mFirstNonFinite = mFrames + i;
                }
                continue;
            }
            peak = std::fmax(peak, std::fabs(x));
            sum += x * x;
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
