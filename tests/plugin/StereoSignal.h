#pragma once

#include "plugin/ChannelStrip.h"

#include <cmath>
#include <cstddef>
#include <vector>

namespace veltartest
{

struct Stereo
{
    std::vector<double> left, right;

    Stereo() = default;
    explicit Stereo(size_t n, double value = 0.0) : left(n, value), right(n, value) {}
    size_t Size() const { return left.size(); }
};

// Programme-like material: two unrelated tones per channel and a little deterministic noise,
// loud enough to drive the curves well into their bend.
inline Stereo TestSignal(size_t n, double fs = 48000.0)
{
    Stereo s(n);
    unsigned seed = 12345u;
    constexpr double kTwoPi = 6.283185307179586;
    for (size_t i = 0; i < n; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        const double noise = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 0.05;
        const double t = static_cast<double>(i) / fs;
        s.left[i] =
            0.5 * std::sin(kTwoPi * 220.0 * t) + 0.2 * std::sin(kTwoPi * 5100.0 * t) + noise;
        s.right[i] =
            0.4 * std::sin(kTwoPi * 97.0 * t) - 0.3 * std::sin(kTwoPi * 8300.0 * t) - noise;
    }
    return s;
}

// Every sample rounded to single precision, as a 32-bit host buffer holds it.
inline Stereo ToFloatPrecision(const Stereo& in)
{
    Stereo out(in.Size());
    for (size_t i = 0; i < in.Size(); ++i)
    {
        out.left[i] = static_cast<float>(in.left[i]);
        out.right[i] = static_cast<float>(in.right[i]);
    }
    return out;
}

// Runs the signal chain over the whole input in one call.
inline Stereo RunChain(ChannelStrip& chain, const Stereo& in, const ChannelStripSettings& s)
{
    Stereo out(in.Size());
    const double* inputs[2] = {in.left.data(), in.right.data()};
    double* outputs[2] = {out.left.data(), out.right.data()};
    chain.Process(inputs, outputs, static_cast<int>(in.Size()), s);
    return out;
}

inline bool AllFinite(const Stereo& s)
{
    for (size_t i = 0; i < s.Size(); ++i)
        if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i]))
            return false;
    return true;
}

// Index of the first frame where the two differ in either channel; -1 when they are identical.
inline long FirstDifference(const Stereo& a, const Stereo& b)
{
    if (a.Size() != b.Size())
        return 0;
    for (size_t i = 0; i < a.Size(); ++i)
        if (a.left[i] != b.left[i] || a.right[i] != b.right[i])
            return static_cast<long>(i);
    return -1;
}

} // namespace veltartest
