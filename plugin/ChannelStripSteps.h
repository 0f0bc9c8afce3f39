#pragma once

// The chain's stages as steps over a chunk, one frame or more at a time: each step works frame k
// of its chunk and the frames after it that fill the lane type V (two lanes a frame, left and
// right). The frame loop runs the steps of consecutive chunks side by side.
//
// Moving: whether the chunk's smoothed values differ from frame to frame, if known ahead (0 or
// 1; -1: look). Model -1 stands for a model switch out of range: the tube stage keeps its last
// results and its smoother stands still.

#include "plugin/ChannelStripChunk.h"
#include "plugin/ChannelStripStages.h"
#include "plugin/H73.h"
#include "plugin/L7360.h"

namespace strip_lanes
{

template <int Moving> LANE_INLINE bool IsMoving(const Chunk& c)
{
    return Moving == 1 || (Moving < 0 && c.moving);
}

// 1. The smoothers of the gains and the shelf positions.
template <int Model, typename V, int Moving = -1>
LANE_INLINE void Smoothers(State& st, Chunk& c, int k)
{
    if (!IsMoving<Moving>(c))
        return;
    if constexpr (Model >= 0)
        c.inputGain.Advance<V>(st.zIn, st.a, st.inputStep, k);
    c.outputGain.Advance<V>(st.zOut, st.a, st.outputStep, k);
    c.low.Advance<V>(st.zLow, st.a, st.lowStep, k);
    c.high.Advance<V>(st.zHigh, st.a, st.highStep, k);
}

// Frame n of the input and the frames after it that fill V.
template <typename V> LANE_INLINE V Input(const State& st, int n)
{
    if constexpr (lanes::kWidth<V> == 2)
        return V{st.inLeft[n], st.inRight[n]};
    else
        return __builtin_shufflevector(Load<Pair>(st.inLeft + n), Load<Pair>(st.inRight + n), 0, 2,
                                       1, 3);
}

// 2. The input transformer, and the coefficient sets of both shelves from the smoothed
// positions (throughput work that fills the time of the filters).
template <typename V, int Moving = -1> LANE_INLINE void InputTransformer(State& st, Chunk& c, int k)
{
    if (IsMoving<Moving>(c))
    {
        c.lowCoefficients.Compute<L7360>(k, st.fs, c.low.At<V>(k));
        c.highCoefficients.Compute<H73>(k, st.fs, c.high.At<V>(k));
    }
    const int n = c.start + k;
    V x;
    if (st.transformer == 0 || st.transformer == 1)
    {
        x = Input<V>(st, n);
        if (st.measure)
            AddLevels(st.inPeakSquared, st.inSum, x);
        if (st.transformer == 0)
            x = TransformerStage(x);
    }
    else
    {
        if (st.measure)
            AddLevels(st.inPeakSquared, st.inSum, Input<V>(st, n));
        x = Repeat<V>(st.stage1);
    }
    Store(c.signal + 2 * k, x);
}

// 3. The input gain, into the amplifier curve's signed index.
template <int Model, typename V> LANE_INLINE void AmplifierIndex(Chunk& c, int k)
{
    if constexpr (Model >= 0)
    {
        double* signal = c.signal + 2 * k;
        Store(signal, Amplifier<Model>::Index(Load<V>(signal) * c.inputGain.At<V>(k)));
    }
}

// 4. The amplifier curve, and the output gain with its make-up.
template <int Model, typename V> LANE_INLINE void AmplifierCurve(State& st, Chunk& c, int k)
{
    double* signal = c.signal + 2 * k;
    V tube;
    if constexpr (Model >= 0)
        tube = Amplifier<Model>::Stage(Load<V>(signal));
    else
        tube = Repeat<V>(st.tube);
    Store(signal, c.outputGain.At<V>(k) * (tube * kMakeUp));
}

// 5. The shelves, high then low, one frame at a time: frame k of the chunk.
LANE_INLINE void SetCoefficients(State& st, const Chunk& c, int frame)
{
    c.highCoefficients.Set(st.high, frame);
    c.lowCoefficients.Set(st.low, frame);
}

LANE_INLINE void Filters(State& st, Chunk& c, int k)
{
    Store(c.signal + 2 * k, st.low.Process(st.high.Process(Load<Pair>(c.signal + 2 * k))));
}

// 6. The output transformer, into the output buffers.
template <typename V> LANE_INLINE void OutputTransformer(State& st, Chunk& c, int k)
{
    V y = Load<V>(c.signal + 2 * k);
    if (st.bus == 0)
        y = TransformerStage(y);
    else if (st.bus != 1)
        y = Repeat<V>(st.out);
    const int n = c.start + k;
    if (st.measure)
        AddLevels(st.outPeakSquared, st.outSum, y);
    if constexpr (lanes::kWidth<V> == 2)
    {
        st.outLeft[n] = y[0];
        st.outRight[n] = y[1];
    }
    else
    {
        Store(st.outLeft + n, __builtin_shufflevector(y, y, 0, 2));
        Store(st.outRight + n, __builtin_shufflevector(y, y, 1, 3));
    }
}

} // namespace strip_lanes
