#include "SignalSource.h"

#include <algorithm>

namespace veltar_render
{

MemorySource::MemorySource(std::vector<std::vector<double>> channels, double sampleRate)
    : mChannels(std::move(channels)), mSampleRate(sampleRate)
{
}

int64_t MemorySource::GetFrameCount() const
{
    return mChannels.empty() ? 0 : static_cast<int64_t>(mChannels[0].size());
}

template <typename Sample> int64_t MemorySource::ReadAny(Sample* const* channels, int64_t frames)
{
    const int64_t count = std::min(frames, GetFrameCount() - mPosition);
    for (size_t c = 0; c < mChannels.size(); ++c)
    {
        std::copy_n(mChannels[c].begin() + mPosition, count, channels[c]);
    }
    mPosition += count;
    return count;
}

template int64_t MemorySource::ReadAny(float* const*, int64_t);
template int64_t MemorySource::ReadAny(double* const*, int64_t);

} // namespace veltar_render
