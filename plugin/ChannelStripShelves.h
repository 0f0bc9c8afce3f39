#pragma once

// Step 5 on four lanes, the two shelves side by side: the high shelf at frame j in the lower
// half, the low shelf at frame j - 2 in the upper half, fed with what the high shelf gave two
// frames earlier, so that both shelves of both channels share one division per frame. Frames 0
// and 1 of the chunk go through the high shelf alone; the low shelf finishes frames kChunk - 2
// and kChunk - 1 alone.

#include "plugin/ChannelStripSteps.h"

namespace strip_lanes
{

// Templates, so that only the four-lane path (built for AVX2) instantiates them.
template <typename P> LANE_INLINE Quad Join(P lower, P upper)
{
    return __builtin_shufflevector(lower, upper, 0, 1, 2, 3);
}
template <typename Q> LANE_INLINE Pair Lower(Q q)
{
    return __builtin_shufflevector(q, q, 0, 1);
}
template <typename Q> LANE_INLINE Pair Upper(Q q)
{
    return __builtin_shufflevector(q, q, 2, 3);
}

// What the side-by-side shelves keep between two steps of a chunk.
struct SideBySide
{
    BasicBiquad<Quad> shelves;
    Pair highOut[2];
};

template <int Moving> LANE_INLINE void FiltersSideBySide(State& st, Chunk& c, int k, SideBySide& s)
{
    const bool moving = IsMoving<Moving>(c);
    if (k == 0)
    {
        for (int n = 0; n < 2; ++n)
        {
            if (moving)
                c.highCoefficients.Set(st.high, n);
            s.highOut[n] = st.high.Process(Load<Pair>(c.signal + 2 * n));
        }
        ForEachField([](Quad& q, Pair high, Pair low) { q = Join(high, low); }, s.shelves, st.high,
                     st.low);
        return;
    }
    // k is even: frame k + j takes what the high shelf gave for frame k + j - 2 from highOut[j].
    for (int j = 0; j < 2; ++j)
    {
        const int n = k + j;
        if (moving)
            ForEachCoefficient(
                [&](Quad& q, const double* high, const double* low)
                { q = Join(Load<Pair>(high + 2 * n), Load<Pair>(low + 2 * (n - 2))); },
                s.shelves, c.highCoefficients, c.lowCoefficients);
        const Quad y = s.shelves.Process(Join(Load<Pair>(c.signal + 2 * n), s.highOut[j]));
        s.highOut[j] = Lower(y);
        Store(c.signal + 2 * (n - 2), Upper(y));
    }
}

template <int Moving> LANE_INLINE void FinishSideBySide(State& st, Chunk& c, const SideBySide& s)
{
    ForEachField(
        [](const Quad& q, Pair& high, Pair& low)
        {
            high = Lower(q);
            low = Upper(q);
        },
        s.shelves, st.high, st.low);
    const bool moving = IsMoving<Moving>(c);
    for (int j = 0; j < 2; ++j)
    {
        const int n = kChunk - 2 + j;
        if (moving)
            c.lowCoefficients.Set(st.low, n);
        Store(c.signal + 2 * n, st.low.Process(s.highOut[j]));
    }
}

} // namespace strip_lanes
