#include "plugin/Oversampler.h"

#include "plugin/HalfbandCoefficients.h"

#include <algorithm>

namespace
{

constexpr int kPairs[kHalfbandStages] = {static_cast<int>(kHalfband2x.size()),
                                         static_cast<int>(kHalfband4x.size()),
                                         static_cast<int>(kHalfband8x.size())};

// Samples a stage keeps from one slice to the next: the filter's span minus one.
constexpr int History(int stage)
{
    return 2 * kPairs[stage] - 1;
}

constexpr int StagesOf(int factor)
{
    return factor >= 8 ? 3 : factor >= 4 ? 2 : factor >= 2 ? 1 : 0;
}

// Each filter delays by its history at its own rate, once up and once down: at the top rate,
// stage s (running at 2^(s+1) times the host rate) delays by 2 * History(s) * factor / 2^(s+1).
constexpr int TopDelay(int factor)
{
    int delay = 0;
    for (int s = 0; s < StagesOf(factor); ++s)
        delay += History(s) * factor / (1 << s);
    return delay;
}

constexpr int PadFor(int factor)
{
    return (factor - TopDelay(factor) % factor) % factor;
}

// Keeps the last history samples of a buffer of history + n samples at its front.
template <typename Sample> void KeepHistory(std::vector<Sample>& buffer, int history, int n)
{
    std::copy(buffer.begin() + n, buffer.begin() + n + history, buffer.begin());
}

} // namespace

Oversampler::Oversampler()
{
    for (Channel& c : mChannels)
    {
        // Each stage's slower side takes at most half the top rate's samples.
        const size_t lower = kTopSliceFrames / 2;
        for (int s = 0; s < kHalfbandStages; ++s)
        {
            c.up[s].assign(static_cast<size_t>(History(s)) + lower, 0.0f);
            c.downEven[s].assign(static_cast<size_t>(History(s)) + lower, 0.0f);
            c.downOdd[s].assign(static_cast<size_t>(History(s)) + lower, 0.0f);
            if (s + 1 < kHalfbandStages)
                c.downOut[s].assign(2 * lower, 0.0f);
        }
        const size_t top = kTopSliceFrames;
        c.topIn.assign(top, 0.0);
        c.topOut.assign(top + static_cast<size_t>(kMaxFactor), 0.0);
    }
    for (int c = 0; c < 2; ++c)
    {
        mTopIn[c] = mChannels[c].topIn.data();
        mTopOut[c] = mChannels[c].topOut.data();
    }
}

bool Oversampler::IsFactor(int factor)
{
    return factor == 1 || factor == 2 || factor == 4 || factor == 8;
}

int Oversampler::LatencyFrames(int factor)
{
    if (!IsFactor(factor))
        return 0;
    return (TopDelay(factor) + PadFor(factor)) / factor;
}

void Oversampler::SetFactor(int factor)
{
    mFactor = IsFactor(factor) ? factor : 1;
    mPad = PadFor(mFactor);
    for (int c = 0; c < 2; ++c)
        mTopOut[c] = mChannels[c].topOut.data() + mPad;
    Clear();
}

// Only the histories at the buffers' fronts are read before a slice writes them: clearing the
// rest would cost a factor change, and every reset, hundreds of kilobytes of writes for nothing.
void Oversampler::Clear()
{
    for (Channel& c : mChannels)
    {
        for (auto* buffers : {c.up, c.downEven, c.downOdd})
            for (int s = 0; s < kHalfbandStages; ++s)
                std::fill_n(buffers[s].begin(), History(s), 0.0f);
        std::fill_n(c.topOut.begin(), kMaxFactor, 0.0);
    }
}

int Oversampler::Stages() const
{
    return StagesOf(mFactor);
}

void Oversampler::Up(const double* const* in, int nFrames)
{
    const int stages = Stages();
    for (int ch = 0; ch < 2; ++ch)
    {
        Channel& c = mChannels[ch];
        mPath->narrow(in[ch], c.up[0].data() + History(0), nFrames);
        int n = nFrames;
        for (int s = 0; s < stages; ++s)
        {
            if (s + 1 < stages)
                mPath->up[s](c.up[s].data(), c.up[s + 1].data() + History(s + 1), n);
            else
                mPath->upTop[s](c.up[s].data(), c.topIn.data(), n);
            KeepHistory(c.up[s], History(s), n);
            n *= 2;
        }
    }
}

void Oversampler::Down(double* const* out, int nFrames)
{
    const int stages = Stages();
    for (int ch = 0; ch < 2; ++ch)
    {
        Channel& c = mChannels[ch];
        for (int s = stages - 1; s >= 0; --s)
        {
            const int n = nFrames << s;
            float* even = c.downEven[s].data() + History(s);
            float* odd = c.downOdd[s].data() + History(s);
            if (s == stages - 1)
                mPath->splitTop(c.topOut.data(), even, odd, n);
            else
                mPath->split(c.downOut[s].data(), even, odd, n);
            if (s > 0)
                mPath->down[s - 1](c.downEven[s].data(), c.downOdd[s].data(),
                                   c.downOut[s - 1].data(), n);
            else
                mPath->downHost(c.downEven[s].data(), c.downOdd[s].data(), out[ch], n);
            KeepHistory(c.downEven[s], History(s), n);
            KeepHistory(c.downOdd[s], History(s), n);
        }
        KeepHistory(c.topOut, mPad, nFrames * mFactor);
    }
}
