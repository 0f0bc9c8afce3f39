#pragma once

#include <cstdint>
#include <vector>

namespace veltar_render
{

// Turns samples into the integers of a file of a given width: scaled to full scale, with
// triangular dither of one step when asked (not at 32 bits, where it would be far below the
// samples' own precision), rounded, and clipped to the range, counting the samples clipped. The
// dither's noise is the same from run to run, so a render repeated gives the same file.
class Quantiser
{
public:
    explicit Quantiser(int bits = 32, bool dither = false);

    // Interleaves frames of the channels into out as integers left-aligned in 32 bits, the way
    // libsndfile takes integer samples of any width.
    template <typename Sample>
    void Quantise(const Sample* const* channels, int nChannels, int64_t frames,
                  std::vector<int32_t>& out);

    int64_t GetClippedSamples() const { return mClipped; }

private:
    double TriangularNoise();

    int mBits;
    bool mDither;
    uint64_t mNoiseState = 0x9E3779B97F4A7C15ull;
    int64_t mClipped = 0;
};

} // namespace veltar_render
