#pragma once

// What the chain's frame loop keeps: chunks of frames on their way through the stages, and the
// state the stages carry from frame to frame while a block runs.

#include "Coeffs/Lanes.h"
#include "plugin/Biquad.h"
#include "util/channellevels.h"

#include <cmath>

namespace strip_lanes
{

using lanes::Load;
using lanes::Pair;
using lanes::Quad;
using lanes::Store;

constexpr int kChunk = 16; // frames

// A smoothed value for each channel of each frame of a chunk (L, R, L, R ...).
struct Smoothed
{
    alignas(32) double v[2 * kChunk];

    template <typename V> LANE_INLINE V At(int frame) const { return Load<V>(v + 2 * frame); }

    // The frames from k on that fill V: z advances twice per frame.
    template <typename V> LANE_INLINE void Advance(double& z, double a, double step, int k)
    {
        for (int i = 0; i < lanes::kWidth<V>; ++i)
            v[2 * k + i] = z = (z * a) + step;
    }
};

// One shelf's coefficient sets for each channel of each frame of a chunk, one array per
// coefficient (L, R, L, R ...).
struct ShelfCoefficients
{
    alignas(32) double a0[2 * kChunk], a1[2 * kChunk], a2[2 * kChunk];
    alignas(32) double b0[2 * kChunk], b1[2 * kChunk], b2[2 * kChunk];

    // The coefficient sets of both channels of the frames from k on that fill V, computed side
    // by side.
    template <typename Shelf, typename V> LANE_INLINE void Compute(int k, double fs, V position)
    {
        BiquadCoefficients<V> f;
        Shelf::Coefficients(f, lanes::Broadcast<V>(fs), position);
        Put(f, k);
    }

    template <typename Sets> LANE_INLINE void Put(const Sets& f, int frame)
    {
        ForEachCoefficient([&](double* sets, auto c) { Store(sets + 2 * frame, c); }, *this, f);
    }

    LANE_INLINE void Set(BasicBiquad<Pair>& f, int frame) const
    {
        ForEachCoefficient([&](const double* sets, Pair& c) { c = Load<Pair>(sets + 2 * frame); },
                           *this, f);
    }
};

// One chunk on its way through the stages. Moving: a smoother has not reached its fixed point
// ((z * a) + step == z, from which every later step gives the same z), so the gains, positions
// and coefficients differ from frame to frame; otherwise they are the same for all frames and
// the coefficients are set once, at frame 0.
struct Chunk
{
    int start, count;
    bool moving;
    // The smoothed values and the coefficient sets are the settled ones. Smoothers that have
    // reached their fixed point stay there for the rest of the block, so a chunk buffer needs
    // them written only once.
    bool holdsSettled = false;
    alignas(32) double signal[2 * kChunk]; // stage by stage, in place
    Smoothed inputGain, outputGain, low, high;
    ShelfCoefficients lowCoefficients, highCoefficients;
};

// What the stages keep from frame to frame while a block runs; copied from the chain before and
// back after, so that no store to an output buffer can be taken for a store to it.
struct State
{
    const double* inLeft;
    const double* inRight;
    double* outLeft;
    double* outRight;
    double fs, a, inputStep, outputStep, lowStep, highStep;
    int transformer, bus;
    double zIn, zOut, zLow, zHigh;
    BasicBiquad<Pair> high, low;
    // The last coefficient sets computed for a chunk's last frame, and the positions they were
    // computed from.
    BasicBiquad<Pair> lastHigh, lastLow;
    Pair highFrom, lowFrom;
    Pair stage1, tube, out;
    // The filters run on the settled coefficient sets, which stay for the rest of the block.
    bool filtersHoldSettled;
    // The levels of the input and output as they pass, when asked for; lanes as the chunks'
    // (left, right, left, right), a frame at a time filling the first two.
    bool measure;
    Quad inPeakSquared, inSum, outPeakSquared, outSum;
};

template <typename V> LANE_INLINE Quad Widen(V x)
{
    if constexpr (lanes::kWidth<V> == 4)
        return x;
    else
        return __builtin_shufflevector(x, Pair{}, 0, 1, 2, 3);
}

// The peak is kept squared, one operation fewer a vector: the square root of a rounded square is
// the magnitude again, exactly. Samples that are not numbers leave the peak (the comparison
// fails) but not the sum.
template <typename V> LANE_INLINE void AddLevels(Quad& peakSquared, Quad& sum, V x)
{
    const Quad wide = Widen(x);
    const Quad square = wide * wide;
    peakSquared = square > peakSquared ? square : peakSquared;
    sum += square;
}

// The levels of the lanes, channel by channel.
LANE_INLINE void MergeLevels(const Quad& peakSquared, const Quad& sum, ChannelLevels (&levels)[2])
{
    for (int c = 0; c < 2; ++c)
    {
        const double largest =
            peakSquared[c + 2] > peakSquared[c] ? peakSquared[c + 2] : peakSquared[c];
        levels[c].peak = std::sqrt(largest);
        levels[c].sumSquares = sum[c] + sum[c + 2];
    }
}

// One frame's pair repeated across a vector.
template <typename V> LANE_INLINE V Repeat(Pair p)
{
    if constexpr (lanes::kWidth<V> == 2)
        return p;
    else
        return __builtin_shufflevector(p, p, 0, 1, 0, 1);
}

} // namespace strip_lanes
