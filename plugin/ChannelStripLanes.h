#pragma once

// The chain's frame loop, written once for vectors of Width doubles: the left and right channel
// of Width / 2 consecutive frames side by side (L, R, L, R ...). Each code path includes this and
// instantiates it for its own instruction set. Every lane operation is the IEEE double operation
// the per-frame formulas describe, in the same order, so each path's results are those of the
// scalar curves and filters bit for bit (the tests compare them).
//
// The frames go through the chain in chunks, and the stages of three consecutive chunks run in
// one loop: the recursive filters of chunk c (bound by the latency of their feedback division)
// side by side with the curve lookups of chunk c + 1 ahead of them and chunk c - 1 behind them
// (bound by throughput), so the out-of-order core overlaps the two instead of running them one
// after the other. Smoothed values and filter coefficients of a chunk are computed ahead of its
// lookups, in loops of their own.

#include "Coeffs/TRANS_COEFFS/CurveTables.h"
#include "plugin/ChannelStrip.h"

#include <cstdint>
#include <cstring>

// The lane helpers run several times per frame; a call would force every vector register the
// loop keeps live out to memory (they are all caller-saved).
#define LANE_INLINE inline __attribute__((always_inline))

namespace strip_lanes
{

template <int Width> struct Types
{
    typedef double Lanes __attribute__((vector_size(8 * Width)));
    typedef std::int64_t Bits __attribute__((vector_size(8 * Width)));
    typedef std::int32_t Index __attribute__((vector_size(4 * Width)));
};

using Pair = Types<2>::Lanes; // one frame: left, right

constexpr double kTransformerPad = 0.03162277660168379; // -30 dB into the transformer curve
constexpr double kTransformerGain = 1161.4486138403427; // +61.3 dB after it
constexpr double kMakeUp = 7.079457843841379;           // +17 dB for the level the tubes lose
constexpr double kLineAmpDivisor = 1.5;

// A curve table widened to double and stored as (entry i, entry i + 1) pairs, entry 199 paired
// with itself: one aligned load gives both interpolation points, and an index of exactly 199
// interpolates entry 199 with weight 1 without clamping to 198.
struct alignas(16) PairTable
{
    double v[400];
};

constexpr PairTable Pairs(const CurveTable& t)
{
    PairTable p{};
    for (int i = 0; i < 200; ++i)
    {
        p.v[2 * i] = t.values[i];
        p.v[2 * i + 1] = t.values[i < 199 ? i + 1 : 199];
    }
    return p;
}

// The negative transformer table is the exact mirror of the positive one, so after taking the
// magnitude both give the same value: one table serves both signs.
inline constexpr PairTable kTransformerTable = Pairs(transtrans_table);
inline constexpr PairTable kSrppTable = Pairs(srpp_table);
inline constexpr PairTable kQuad8Table = Pairs(quad8_table);
inline constexpr PairTable kNklineampTable = Pairs(Nklineamp_table);

template <typename V> LANE_INLINE V Broadcast(double x)
{
    V v;
    for (unsigned i = 0; i < sizeof(V) / sizeof(double); ++i)
        v[i] = x;
    return v;
}

template <typename V> LANE_INLINE V Load(const double* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V> LANE_INLINE void Store(double* p, V v)
{
    std::memcpy(p, &v, sizeof v);
}

// One frame's pair repeated across a vector.
template <typename V> LANE_INLINE V Repeat(Pair p)
{
    if constexpr (sizeof(V) == 16)
        return p;
    else
        return __builtin_shufflevector(p, p, 0, 1, 0, 1);
}

template <typename V> LANE_INLINE V Abs(V x)
{
    using B = decltype(x < x);
    return reinterpret_cast<V>(reinterpret_cast<B>(x) & ~Broadcast<B>(INT64_MIN));
}

template <typename V> LANE_INLINE V WithSignOf(V magnitude, V x)
{
    using B = decltype(x < x);
    const B sign = Broadcast<B>(INT64_MIN);
    return reinterpret_cast<V>((reinterpret_cast<B>(magnitude) & ~sign) |
                               (reinterpret_cast<B>(x) & sign));
}

LANE_INLINE Pair LoadPair(const PairTable& table, std::int32_t i)
{
    // Zero-extended indices let the address arithmetic fold into the load.
    return Load<Pair>(table.v + 2 * static_cast<std::uint32_t>(i));
}

// LookupCurve for every lane, with u already brought into [0, 199].
template <typename V> LANE_INLINE V Interpolate(const PairTable& table, V u)
{
    using Index = typename Types<sizeof(V) / 8>::Index;
    const Index i = __builtin_convertvector(u, Index);
    const V f = u - __builtin_convertvector(i, V);
    V below, next;
    if constexpr (sizeof(V) == 16)
    {
        const Pair p0 = LoadPair(table, i[0]), p1 = LoadPair(table, i[1]);
        below = __builtin_shufflevector(p0, p1, 0, 2);
        next = __builtin_shufflevector(p0, p1, 1, 3);
    }
    else
    {
        const V even = __builtin_shufflevector(LoadPair(table, i[0]), LoadPair(table, i[2]), 0, 1,
                                               2, 3);
        const V odd = __builtin_shufflevector(LoadPair(table, i[1]), LoadPair(table, i[3]), 0, 1,
                                              2, 3);
        below = __builtin_shufflevector(even, odd, 0, 4, 2, 6);
        next = __builtin_shufflevector(even, odd, 1, 5, 3, 7);
    }
    return (next * f) + ((1.0 - f) * below);
}

// Hold from index 199 on; 0 for NaN or indices of 2^31 and above.
template <typename V> LANE_INLINE V Lookup(const PairTable& table, V t)
{
    const V held = t < 199.0 ? t : Broadcast<V>(199.0);
    return Interpolate(table, t < 2147483648.0 ? held : V{});
}

// For an index known to be below 199 unless it is NaN (the compressed amplifier input).
template <typename V> LANE_INLINE V LookupBelowEnd(const PairTable& table, V t)
{
    return Interpolate(table, t < 199.0 ? t : V{});
}

template <typename V> LANE_INLINE V TransformerStage(V x)
{
    const V padded = x * kTransformerPad;
    return WithSignOf(Lookup(kTransformerTable, Abs(padded) * kTransformerScale), padded) *
           kTransformerGain;
}

template <int Model, typename V> LANE_INLINE V AmplifierStage(V x)
{
    static_assert(Model >= 0 && Model <= 2, "three amplifier models");
    const V m = Abs(x);
    if constexpr (Model == 0)
        return WithSignOf(Lookup(kSrppTable, m * kAmplifierScale), x);
    const V t = (m / (m + 3.0)) * kAmplifierScale;
    const PairTable& table = Model == 1 ? kQuad8Table : kNklineampTable;
    return WithSignOf(LookupBelowEnd(table, t), x) / kLineAmpDivisor;
}

constexpr int kChunk = 32; // frames

// A smoothed value for each channel of each frame of a chunk (L, R, L, R ...). A smoother at its
// fixed point ((z * a) + step == z) gives the same z at every later step: then only the first
// four values are filled and the stride is 0.
struct Smoothed
{
    alignas(32) double v[2 * kChunk];
    int stride;

    template <typename V> LANE_INLINE V At(int frame) const
    {
        return Load<V>(v + 2 * frame * stride);
    }

    // Advances z for count frames, twice per frame.
    LANE_INLINE void Fill(double& z, double a, double step, int count)
    {
        if ((z * a) + step == z)
        {
            v[0] = v[1] = v[2] = v[3] = z;
            stride = 0;
            return;
        }
        for (int i = 0; i < 2 * count; ++i)
            v[i] = z = (z * a) + step;
        stride = 1;
    }
};

struct Coefficients
{
    Pair a0, a1, a2, b0, b1, b2;
};

template <typename V> LANE_INLINE Pair Frame(V v, int frame)
{
    if constexpr (sizeof(V) == 16)
        return v;
    else
        return frame == 0 ? __builtin_shufflevector(v, v, 0, 1) : __builtin_shufflevector(v, v, 2, 3);
}

// The coefficient sets of both channels of sizeof(V) / 16 consecutive frames, side by side.
template <typename Shelf, typename V>
LANE_INLINE void Compute(Coefficients* out, double fs, V position)
{
    BasicBiquad<V> f;
    Shelf::Coefficients(f, Broadcast<V>(fs), position);
    for (unsigned frame = 0; frame < sizeof(V) / 16; ++frame)
    {
        out[frame].a0 = Frame(f.a0, frame);
        out[frame].a1 = Frame(f.a1, frame);
        out[frame].a2 = Frame(f.a2, frame);
        out[frame].b0 = Frame(f.b0, frame);
        out[frame].b1 = Frame(f.b1, frame);
        out[frame].b2 = Frame(f.b2, frame);
    }
}

// One shelf's coefficient sets for a chunk: one per frame, or while its smoother is settled one
// for the whole chunk (stride 0), recomputed only when the position differs from the one the
// last set was computed from.
struct ShelfCoefficients
{
    Coefficients perFrame[kChunk];
    int stride;

    template <typename Shelf, typename V>
    LANE_INLINE void Fill(const Smoothed& v, double fs, Coefficients& last, Pair& from, int count)
    {
        const Pair position = v.At<Pair>(count - 1);
        if (v.stride == 0)
        {
            const auto differs = position != from;
            if (differs[0] | differs[1])
                Compute<Shelf>(&last, fs, position);
            perFrame[0] = last;
            stride = 0;
        }
        else
        {
            constexpr int kFrames = sizeof(V) / 16;
            int k = 0;
            for (; k + kFrames <= count; k += kFrames)
                Compute<Shelf>(perFrame + k, fs, v.At<V>(k));
            for (; k < count; ++k)
                Compute<Shelf>(perFrame + k, fs, v.At<Pair>(k));
            last = perFrame[count - 1];
            stride = 1;
        }
        from = position;
    }

    LANE_INLINE const Coefficients& Of(int frame) const { return perFrame[frame * stride]; }
};

// One chunk on its way through the stages.
struct Chunk
{
    int start, count;
    alignas(32) double signal[2 * kChunk]; // filter input, then filter output
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
    Coefficients lastHigh, lastLow;
    Pair highFrom, lowFrom;
    Pair stage1, tube, out;
};

template <typename T> LANE_INLINE BasicBiquad<Pair> Paired(const T& left, const T& right)
{
    BasicBiquad<Pair> p;
    p.lastInput = Pair{left.lastInput, right.lastInput};
    p.lastOutput = Pair{left.lastOutput, right.lastOutput};
    p.x1 = Pair{left.x1, right.x1};
    p.x2 = Pair{left.x2, right.x2};
    p.y1 = Pair{left.y1, right.y1};
    p.y2 = Pair{left.y2, right.y2};
    p.a0 = Pair{left.a0, right.a0};
    p.a1 = Pair{left.a1, right.a1};
    p.a2 = Pair{left.a2, right.a2};
    p.b0 = Pair{left.b0, right.b0};
    p.b1 = Pair{left.b1, right.b1};
    p.b2 = Pair{left.b2, right.b2};
    return p;
}

template <typename T> LANE_INLINE void Split(const BasicBiquad<Pair>& p, T& left, T& right)
{
    for (int lane = 0; lane < 2; ++lane)
    {
        T& f = lane == 0 ? left : right;
        f.lastInput = p.lastInput[lane];
        f.lastOutput = p.lastOutput[lane];
        f.x1 = p.x1[lane];
        f.x2 = p.x2[lane];
        f.y1 = p.y1[lane];
        f.y2 = p.y2[lane];
        f.a0 = p.a0[lane];
        f.a1 = p.a1[lane];
        f.a2 = p.a2[lane];
        f.b0 = p.b0[lane];
        f.b1 = p.b1[lane];
        f.b2 = p.b2[lane];
    }
}

LANE_INLINE Coefficients CoefficientsOf(const BasicBiquad<Pair>& f)
{
    return {f.a0, f.a1, f.a2, f.b0, f.b1, f.b2};
}

} // namespace strip_lanes

// Width: doubles per vector of the lookups and the coefficient formulas (2 or 4); the filters
// always run one frame at a time.
template <int Width> struct ChannelStripLanes
{
    using Lanes = typename strip_lanes::Types<Width>::Lanes;
    using Pair = strip_lanes::Pair;
    using Chunk = strip_lanes::Chunk;
    using State = strip_lanes::State;

    static void Run(ChannelStrip& strip, const ChannelStripBlock& b)
    {
        switch (b.model)
        {
        case 0:
            Run<0>(strip, b);
            break;
        case 1:
            Run<1>(strip, b);
            break;
        case 2:
            Run<2>(strip, b);
            break;
        default:
            Run<-1>(strip, b);
            break;
        }
    }

private:
    // Model -1 stands for a model switch out of range: the tube stage keeps its last results and
    // its smoother stands still.
    template <int Model> static LANE_INLINE void Run(ChannelStrip& strip, const ChannelStripBlock& b)
    {
        using namespace strip_lanes;
        State st;
        st.inLeft = b.inputs[0];
        st.inRight = b.inputs[1];
        st.outLeft = b.outputs[0];
        st.outRight = b.outputs[1];
        st.fs = b.fs;
        st.a = b.a;
        st.inputStep = b.inputStep;
        st.outputStep = b.outputStep;
        st.lowStep = b.lowStep;
        st.highStep = b.highStep;
        st.transformer = b.transformer;
        st.bus = b.bus;
        st.zIn = strip.mInputGainSmoother.z;
        st.zOut = strip.mOutputGainSmoother.z;
        st.zLow = strip.mLowSmoother.z;
        st.zHigh = strip.mHighSmoother.z;
        st.high = Paired(strip.mHighL, strip.mHighR);
        st.low = Paired(strip.mLowL, strip.mLowR);
        st.lastHigh = CoefficientsOf(st.high);
        st.lastLow = CoefficientsOf(st.low);
        st.highFrom = Pair{strip.mHighLFrom, strip.mHighRFrom};
        st.lowFrom = Pair{strip.mLowLFrom, strip.mLowRFrom};
        st.stage1 = Pair{strip.mStage1L, strip.mStage1R};
        st.tube = Pair{strip.mTubeL, strip.mTubeR};
        st.out = Pair{strip.mOutL, strip.mOutR};

        // Chunk i + 1 enters, chunk i is filtered, chunk i - 1 leaves; a last partial chunk runs
        // on its own.
        Chunk chunks[3];
        const int full = b.nFrames / kChunk;
        for (int i = -1; i <= full; ++i)
        {
            Chunk* entering = i + 1 < full ? &chunks[(i + 1) % 3] : nullptr;
            Chunk* filtered = i >= 0 && i < full ? &chunks[i % 3] : nullptr;
            Chunk* leaving = i >= 1 ? &chunks[(i - 1) % 3] : nullptr;
            if (entering)
            {
                entering->start = (i + 1) * kChunk;
                entering->count = kChunk;
                Prepare<Model>(st, *entering);
            }
            if (entering && filtered && leaving)
                Stages<Model, true, true, true>(st, *entering, *filtered, *leaving);
            else if (entering && filtered)
                Stages<Model, true, true, false>(st, *entering, *filtered, *filtered);
            else if (filtered && leaving)
                Stages<Model, false, true, true>(st, *filtered, *filtered, *leaving);
            else if (entering)
                Stages<Model, true, false, false>(st, *entering, *entering, *entering);
            else if (filtered)
                Stages<Model, false, true, false>(st, *filtered, *filtered, *filtered);
            else if (leaving)
                Stages<Model, false, false, true>(st, *leaving, *leaving, *leaving);
        }
        if (const int count = b.nFrames - full * kChunk; count > 0)
        {
            Chunk& c = chunks[0];
            c.start = full * kChunk;
            c.count = count;
            Prepare<Model>(st, c);
            for (int k = 0; k < count; ++k)
            {
                Enter<Model, Pair>(st, c, k);
                Filter(st, c, k);
                Leave<Pair>(st, c, k);
            }
        }

        strip.mInputGainSmoother.z = st.zIn;
        strip.mOutputGainSmoother.z = st.zOut;
        strip.mLowSmoother.z = st.zLow;
        strip.mHighSmoother.z = st.zHigh;
        Split(st.high, strip.mHighL, strip.mHighR);
        Split(st.low, strip.mLowL, strip.mLowR);
        strip.mHighLFrom = st.highFrom[0];
        strip.mHighRFrom = st.highFrom[1];
        strip.mLowLFrom = st.lowFrom[0];
        strip.mLowRFrom = st.lowFrom[1];
        strip.mStage1L = st.stage1[0];
        strip.mStage1R = st.stage1[1];
        strip.mTubeL = st.tube[0];
        strip.mTubeR = st.tube[1];
        strip.mFilterInL = st.high.lastInput[0];
        strip.mFilterInR = st.high.lastInput[1];
        strip.mFilterOutL = st.low.lastOutput[0];
        strip.mFilterOutR = st.low.lastOutput[1];
        strip.mOutL = st.out[0];
        strip.mOutR = st.out[1];
    }

    template <int Model> static LANE_INLINE void Prepare(State& st, Chunk& c)
    {
        using namespace strip_lanes;
        if constexpr (Model >= 0)
            c.inputGain.Fill(st.zIn, st.a, st.inputStep, c.count);
        c.outputGain.Fill(st.zOut, st.a, st.outputStep, c.count);
        c.low.Fill(st.zLow, st.a, st.lowStep, c.count);
        c.high.Fill(st.zHigh, st.a, st.highStep, c.count);
        c.lowCoefficients.Fill<L7360, Lanes>(c.low, st.fs, st.lastLow, st.lowFrom, c.count);
        c.highCoefficients.Fill<H73, Lanes>(c.high, st.fs, st.lastHigh, st.highFrom, c.count);
    }

    template <int Model, bool DoEnter, bool DoFilter, bool DoLeave>
    static LANE_INLINE void Stages(State& st, Chunk& entering, Chunk& filtered, Chunk& leaving)
    {
        constexpr int kFrames = Width / 2;
        for (int k = 0; k < strip_lanes::kChunk; k += kFrames)
        {
            if constexpr (DoEnter)
                Enter<Model, Lanes>(st, entering, k);
            if constexpr (DoFilter)
                for (int j = 0; j < kFrames; ++j)
                    Filter(st, filtered, k + j);
            if constexpr (DoLeave)
                Leave<Lanes>(st, leaving, k);
        }
    }

    // Input transformer, input gain, amplifier, output gain: frame k of the chunk and the ones
    // after it that fill V.
    template <int Model, typename V> static LANE_INLINE void Enter(State& st, Chunk& c, int k)
    {
        using namespace strip_lanes;
        const int n = c.start + k;
        V x;
        if (st.transformer == 0 || st.transformer == 1)
        {
            if constexpr (sizeof(V) == 16)
                x = V{st.inLeft[n], st.inRight[n]};
            else
                x = __builtin_shufflevector(Load<Pair>(st.inLeft + n), Load<Pair>(st.inRight + n),
                                            0, 2, 1, 3);
            if (st.transformer == 0)
                x = TransformerStage(x);
            st.stage1 = Frame(x, sizeof(V) / 16 - 1);
        }
        else
            x = Repeat<V>(st.stage1);
        V tube;
        if constexpr (Model >= 0)
        {
            tube = AmplifierStage<Model>(x * c.inputGain.At<V>(k));
            st.tube = Frame(tube, sizeof(V) / 16 - 1);
        }
        else
            tube = Repeat<V>(st.tube);
        Store(c.signal + 2 * k, c.outputGain.At<V>(k) * (tube * kMakeUp));
    }

    // High shelf, then low shelf: frame k of the chunk.
    static LANE_INLINE void Filter(State& st, Chunk& c, int k)
    {
        using namespace strip_lanes;
        const Coefficients& h = c.highCoefficients.Of(k);
        const Coefficients& l = c.lowCoefficients.Of(k);
        st.high.a0 = h.a0;
        st.high.a1 = h.a1;
        st.high.a2 = h.a2;
        st.high.b0 = h.b0;
        st.high.b1 = h.b1;
        st.high.b2 = h.b2;
        st.low.a0 = l.a0;
        st.low.a1 = l.a1;
        st.low.a2 = l.a2;
        st.low.b0 = l.b0;
        st.low.b1 = l.b1;
        st.low.b2 = l.b2;
        Store(c.signal + 2 * k, st.low.Process(st.high.Process(Load<Pair>(c.signal + 2 * k))));
    }

    // Output transformer and the output buffers: frame k of the chunk and the ones after it
    // that fill V.
    template <typename V> static LANE_INLINE void Leave(State& st, Chunk& c, int k)
    {
        using namespace strip_lanes;
        V y = Load<V>(c.signal + 2 * k);
        if (st.bus == 0)
            y = TransformerStage(y);
        else if (st.bus != 1)
            y = Repeat<V>(st.out);
        st.out = Frame(y, sizeof(V) / 16 - 1);
        const int n = c.start + k;
        if constexpr (sizeof(V) == 16)
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
};
