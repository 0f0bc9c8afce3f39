#include "Quantiser.h"

#include <algorithm>
#include <cmath>

namespace veltar_render
{

Quantiser::Quantiser(int bits, bool dither) : mBits(bits), mDither(dither && bits < 32) {}

// Triangular noise of one step peak, from two uniform numbers; xorshift keeps it cheap.
double Quantiser::TriangularNoise()
{
    const auto next = [this]
    {
        mNoiseState ^= mNoiseState << 13;
        mNoiseState ^= mNoiseState >> 7;
        mNoiseState ^= mNoiseState << 17;
        return static_cast<double>(mNoiseState >> 11) * (1.0 / 9007199254740992.0);
    };
    return next() - next();
}

template <typename Sample>
void Quantiser::Quantise(const Sample* const* channels, int nChannels, int64_t frames,
                         std::vector<int32_t>& out)
{
    const double scale = std::ldexp(1.0, mBits - 1);
    const double highest = scale - 1.0;
    const int shift = 32 - mBits;
    out.resize(static_cast<size_t>(frames * nChannels));
    for (int64_t i = 0; i < frames; ++i)
    {
        for (int c = 0; c < nChannels; ++c)
        {
            double x = static_cast<double>(channels[c][i]) * scale;
            if (mDither)
            {
                x += TriangularNoise();
            }
            x = std::nearbyint(std::isnan(x) ? 0.0 : x);
            if (x > highest || x < -scale)
            {
                ++mClipped;
                x = std::clamp(x, -scale, highest);
            }
            out[static_cast<size_t>(i * nChannels + c)] =
                static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(x)) << shift);
        }
    }
}

template void Quantiser::Quantise(const float* const*, int, int64_t, std::vector<int32_t>&);
template void Quantiser::Quantise(const double* const*, int, int64_t, std::vector<int32_t>&);

} // namespace veltar_render
