#pragma once

// The chain's frame loop, written once for vectors of Width doubles: the left and right channel
// of Width / 2 consecutive frames side by side (L, R, L, R ...). Each code path includes this and
// instantiates it for its own instruction set. Every lane operation is the IEEE double operation
// the per-frame formulas describe, in the same order, so each path's results are those of the
// scalar curves and filters bit for bit (the tests compare them).
//
// The frames go through the chain in chunks, and the stages of consecutive chunks run in one
// loop: the recursive filters of one chunk (bound by the latency of their feedback division) side
// by side with the smoothers, coefficient formulas and curve lookups of the chunks ahead of it
// and the output transformer of the chunk behind it (bound by throughput), so that the
// out-of-order core overlaps them instead of running them one after the other. Each stage is a
// short chain of dependent operations, so that the chains of many frames fit in the core's
// window at once.

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
    typedef std::uint64_t IndexWords __attribute__((vector_size(4 * Width)));
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

// For a magnitude whose sign bit is known to be clear.
template <typename V> LANE_INLINE V WithSignOfNonNegative(V magnitude, V x)
{
    using B = decltype(x < x);
    return reinterpret_cast<V>(reinterpret_cast<B>(magnitude) |
                               (reinterpret_cast<B>(x) & Broadcast<B>(INT64_MIN)));
}

// A table without negative entries interpolates to values with the sign bit clear (products
// and sums of non-negative numbers, never -0.0).
constexpr bool NonNegative(const CurveTable& t)
{
    for (float v : t.values)
        if (!(v >= 0.0f) || __builtin_copysignf(1.0f, v) < 0.0f)
            return false;
    return true;
}

LANE_INLINE Pair LoadPair(const PairTable& table, std::uint64_t offset)
{
    return Load<Pair>(table.v + offset);
}

// LookupCurve for every lane, with u already brought into [0, 199].
template <typename V> LANE_INLINE V Interpolate(const PairTable& table, V u)
{
    using Index = typename Types<sizeof(V) / 8>::Index;
    const Index i = __builtin_convertvector(u, Index);
    const V f = u - __builtin_convertvector(i, V);
    // The offsets of the pairs, two per 64-bit word: integer moves and shifts take them out of
    // the vector, cheaper than one lane extraction each.
    using Words = typename Types<sizeof(V) / 8>::IndexWords;
    const Words offsets = reinterpret_cast<Words>(i + i);
    const auto low = [&](int w) { return offsets[w] & 0xffffffffu; };
    const auto high = [&](int w) { return offsets[w] >> 32; };
    V below, next;
    if constexpr (sizeof(V) == 16)
    {
        const Pair p0 = LoadPair(table, low(0)), p1 = LoadPair(table, high(0));
        below = __builtin_shufflevector(p0, p1, 0, 2);
        next = __builtin_shufflevector(p0, p1, 1, 3);
    }
    else
    {
        const V even =
            __builtin_shufflevector(LoadPair(table, low(0)), LoadPair(table, low(1)), 0, 1, 2, 3);
        const V odd =
            __builtin_shufflevector(LoadPair(table, high(0)), LoadPair(table, high(1)), 0, 1, 2, 3);
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
    static_assert(NonNegative(transtrans_table));
    const V padded = x * kTransformerPad;
    return WithSignOfNonNegative(Lookup(kTransformerTable, Abs(padded) * kTransformerScale),
                                 padded) *
           kTransformerGain;
}

// The amplifier curves in two steps. First the table index, with the sign of the input x: the
// magnitude is the index and the sign bit is the one the result takes (also for -0.0 and NaN).
template <int Model, typename V> LANE_INLINE V AmplifierIndex(V x)
{
    static_assert(Model >= 0 && Model <= 2, "three amplifier models");
    const V m = Abs(x);
    if constexpr (Model == 0)
        return WithSignOf(m * kAmplifierScale, x);
    else
        return WithSignOf((m / (m + 3.0)) * kAmplifierScale, x);
}

template <int Model, typename V> LANE_INLINE V AmplifierCurve(V signedIndex)
{
    const V t = Abs(signedIndex);
    if constexpr (Model == 0)
        return WithSignOf(Lookup(kSrppTable, t), signedIndex);
    static_assert(NonNegative(quad8_table) && NonNegative(Nklineamp_table));
    const PairTable& table = Model == 1 ? kQuad8Table : kNklineampTable;
    return WithSignOfNonNegative(LookupBelowEnd(table, t), signedIndex) / kLineAmpDivisor;
}

constexpr int kChunk = 16; // frames

// A smoothed value for each channel of each frame of a chunk (L, R, L, R ...).
struct Smoothed
{
    alignas(32) double v[2 * kChunk];

    template <typename V> LANE_INLINE V At(int frame) const { return Load<V>(v + 2 * frame); }

    // The frames from k on that fill V: z advances twice per frame.
    template <typename V> LANE_INLINE void Advance(double& z, double a, double step, int k)
    {
        for (unsigned i = 0; i < sizeof(V) / sizeof(double); ++i)
            v[2 * k + i] = z = (z * a) + step;
    }
};

template <typename V> LANE_INLINE Pair Frame(V v, int frame)
{
    if constexpr (sizeof(V) == 16)
        return v;
    else
        return frame == 0 ? __builtin_shufflevector(v, v, 0, 1)
                          : __builtin_shufflevector(v, v, 2, 3);
}

// One shelf's coefficient sets for each channel of each frame of a chunk, one array per
// coefficient (L, R, L, R ...).
struct ShelfCoefficients
{
    alignas(32) double a0[2 * kChunk], a1[2 * kChunk], a2[2 * kChunk];
    alignas(32) double b0[2 * kChunk], b1[2 * kChunk], b2[2 * kChunk];

    // The coefficient sets of both channels of sizeof(V) / 16 frames from frame k on, computed
    // side by side.
    template <typename Shelf, typename V> LANE_INLINE void Compute(int k, double fs, V position)
    {
        BasicBiquad<V> f;
        Shelf::Coefficients(f, Broadcast<V>(fs), position);
        Store(a0 + 2 * k, f.a0);
        Store(a1 + 2 * k, f.a1);
        Store(a2 + 2 * k, f.a2);
        Store(b0 + 2 * k, f.b0);
        Store(b1 + 2 * k, f.b1);
        Store(b2 + 2 * k, f.b2);
    }

    LANE_INLINE void Set(BasicBiquad<Pair>& f, int frame) const
    {
        f.a0 = Load<Pair>(a0 + 2 * frame);
        f.a1 = Load<Pair>(a1 + 2 * frame);
        f.a2 = Load<Pair>(a2 + 2 * frame);
        f.b0 = Load<Pair>(b0 + 2 * frame);
        f.b1 = Load<Pair>(b1 + 2 * frame);
        f.b2 = Load<Pair>(b2 + 2 * frame);
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
    template <int Model>
    static LANE_INLINE void Run(ChannelStrip& strip, const ChannelStripBlock& b)
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
        st.highFrom = Pair{strip.mHighLFrom, strip.mHighRFrom};
        st.lowFrom = Pair{strip.mLowLFrom, strip.mLowRFrom};
        st.lastHigh = st.high;
        st.lastLow = st.low;
        st.stage1 = Pair{strip.mStage1L, strip.mStage1R};
        st.tube = Pair{strip.mTubeL, strip.mTubeR};
        st.out = Pair{strip.mOutL, strip.mOutR};

        // At step i, stage s works on chunk i + kFilterStage - s: the stages of consecutive
        // chunks run side by side. A last partial chunk runs on its own.
        Chunk chunks[kStages];
        const Chunk* left = nullptr; // the last chunk out of the chain
        const int full = b.nFrames / kChunk;
        for (int i = -kFilterStage; i < full + kStages - 1 - kFilterStage; ++i)
        {
            Chunk* c[kStages];
            for (int stage = 0; stage < kStages; ++stage)
            {
                const int chunk = i + kFilterStage - stage;
                c[stage] = chunk >= 0 && chunk < full ? &chunks[chunk % kStages] : nullptr;
            }
            if (c[0])
                Begin<Model, 0>(st, *c[0], (i + kFilterStage) * kChunk, kChunk);
            if (c[1])
                Begin<Model, 1>(st, *c[1], 0, 0);
            if (c[kStages - 1])
                left = c[kStages - 1];
            if (c[0] && c[kStages - 1])
            {
                const bool filterMoving = c[kFilterStage]->moving;
                if (!filterMoving)
                    SetCoefficients(st, *c[kFilterStage], 0);
                if (filterMoving && c[0]->moving && c[1]->moving)
                    AllStages<Model, 1>(st, c);
                else if (!filterMoving && !c[0]->moving && !c[1]->moving)
                    AllStages<Model, 0>(st, c);
                else
                    AllStages<Model, -1>(st, c);
            }
            else
                SomeStages<Model>(st, c);
        }
        if (const int count = b.nFrames - full * kChunk; count > 0)
        {
            Chunk& c = chunks[0];
            Begin<Model, 0>(st, c, full * kChunk, count);
            for (int k = 0; k < count; ++k)
                Stage<Model, 0, Pair>(st, c, k);
            Begin<Model, 1>(st, c, 0, 0);
            for (int k = 0; k < count; ++k)
            {
                Stage<Model, 1, Pair>(st, c, k);
                Stage<Model, 2, Pair>(st, c, k);
                Stage<Model, 3, Pair>(st, c, k);
                SetCoefficients(st, c, c.moving ? k : 0);
                Filter(st, c, k);
                Stage<Model, 5, Pair>(st, c, k);
            }
            left = &c;
        }
        // The output stage holds its last frame's result.
        st.out = Load<Pair>(left->signal + 2 * (left->count - 1));

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

    // Smoothers, input transformer (and filter coefficients), amplifier index, amplifier,
    // filters, output transformer: each a short chain of dependent operations, so that many
    // frames' chains fit in the core's window.
    static constexpr int kStages = 6;
    static constexpr int kFilterStage = 4;

    // A chunk entering stage S (0: its frames; 1: its smoothed positions are all known).
    template <int Model, int S>
    static LANE_INLINE void Begin(State& st, Chunk& c, int start, int count)
    {
        using namespace strip_lanes;
        if constexpr (S == 0)
        {
            c.start = start;
            c.count = count;
            const auto settled = [&](double z, double step) { return (z * st.a) + step == z; };
            c.moving =
                !(settled(st.zOut, st.outputStep) && settled(st.zLow, st.lowStep) &&
                  settled(st.zHigh, st.highStep) && (Model < 0 || settled(st.zIn, st.inputStep)));
            if (!c.moving)
                for (int i = 0; i < 2 * count; ++i)
                {
                    c.inputGain.v[i] = st.zIn;
                    c.outputGain.v[i] = st.zOut;
                    c.low.v[i] = st.zLow;
                    c.high.v[i] = st.zHigh;
                }
        }
        else
        {
            const auto last = [&](auto shelf, ShelfCoefficients& sets, const Smoothed& v,
                                  BasicBiquad<Pair>& computed, Pair& from)
            {
                const Pair position = v.At<Pair>(c.count - 1);
                const auto differs = position != from;
                if (differs[0] | differs[1])
                {
                    decltype(shelf)::Coefficients(computed, Broadcast<Pair>(st.fs), position);
                    from = position;
                }
                if (!c.moving)
                {
                    Store(sets.a0, computed.a0);
                    Store(sets.a1, computed.a1);
                    Store(sets.a2, computed.a2);
                    Store(sets.b0, computed.b0);
                    Store(sets.b1, computed.b1);
                    Store(sets.b2, computed.b2);
                }
            };
            last(L7360{}, c.lowCoefficients, c.low, st.lastLow, st.lowFrom);
            last(H73{}, c.highCoefficients, c.high, st.lastHigh, st.highFrom);
        }
    }

    // Stage s of frame k of the chunk and the ones after it that fill V (s != kFilterStage).
    // Moving: whether the chunk's values differ from frame to frame, if known ahead (0 or 1;
    // -1: look).
    template <int Model, int S, typename V, int Moving = -1>
    static LANE_INLINE void Stage(State& st, Chunk& c, int k)
    {
        using namespace strip_lanes;
        double* signal = c.signal + 2 * k;
        if constexpr (S == 0)
        {
            if (Moving == 0 || (Moving < 0 && !c.moving))
                return;
            if constexpr (Model >= 0)
                c.inputGain.Advance<V>(st.zIn, st.a, st.inputStep, k);
            c.outputGain.Advance<V>(st.zOut, st.a, st.outputStep, k);
            c.low.Advance<V>(st.zLow, st.a, st.lowStep, k);
            c.high.Advance<V>(st.zHigh, st.a, st.highStep, k);
        }
        else if constexpr (S == 1)
        {
            if (Moving == 1 || (Moving < 0 && c.moving))
            {
                c.lowCoefficients.Compute<L7360>(k, st.fs, c.low.At<V>(k));
                c.highCoefficients.Compute<H73>(k, st.fs, c.high.At<V>(k));
            }
            const int n = c.start + k;
            V x;
            if (st.transformer == 0 || st.transformer == 1)
            {
                if constexpr (sizeof(V) == 16)
                    x = V{st.inLeft[n], st.inRight[n]};
                else
                    x = __builtin_shufflevector(Load<Pair>(st.inLeft + n),
                                                Load<Pair>(st.inRight + n), 0, 2, 1, 3);
                if (st.transformer == 0)
                    x = TransformerStage(x);
                st.stage1 = Frame(x, sizeof(V) / 16 - 1);
            }
            else
                x = Repeat<V>(st.stage1);
            Store(signal, x);
        }
        else if constexpr (S == 2)
        {
            if constexpr (Model >= 0)
                Store(signal, AmplifierIndex<Model>(Load<V>(signal) * c.inputGain.At<V>(k)));
        }
        else if constexpr (S == 3)
        {
            V tube;
            if constexpr (Model >= 0)
            {
                tube = AmplifierCurve<Model>(Load<V>(signal));
                st.tube = Frame(tube, sizeof(V) / 16 - 1);
            }
            else
                tube = Repeat<V>(st.tube);
            Store(signal, c.outputGain.At<V>(k) * (tube * kMakeUp));
        }
        else
        {
            static_assert(S == 5);
            V y = Load<V>(signal);
            if (st.bus == 0)
                y = TransformerStage(y);
            else if (st.bus != 1)
                y = Repeat<V>(st.out);
            Store(signal, y);
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
    }

    // Every stage has a chunk. Moving: whether the chunks of the smoothers, the coefficients and
    // the filters are all moving (1), all not (0), or some are (-1).
    template <int Model, int Moving>
    static LANE_INLINE void AllStages(State& st, Chunk* (&c)[kStages])
    {
        constexpr int kFrames = Width / 2;
        BasicBiquad<Quad> shelves;
        Pair highOut[2];
        for (int k = 0; k < strip_lanes::kChunk; k += kFrames)
        {
            Stage<Model, 0, Lanes, Moving>(st, *c[0], k);
            Stage<Model, 1, Lanes, Moving>(st, *c[1], k);
            Stage<Model, 2, Lanes>(st, *c[2], k);
            Stage<Model, 3, Lanes>(st, *c[3], k);
            if constexpr (Width == 4)
                FilterSideBySide<Moving>(st, *c[4], k, shelves, highOut);
            else
            {
                if constexpr (Moving == 1)
                    SetCoefficients(st, *c[4], k);
                else if constexpr (Moving < 0)
                    SetCoefficients(st, *c[4], c[4]->moving ? k : 0);
                Filter(st, *c[4], k);
            }
            Stage<Model, 5, Lanes>(st, *c[5], k);
        }
        if constexpr (Width == 4)
            FinishSideBySide<Moving>(st, *c[4], shelves, highOut);
    }

    // Four lanes, the two shelves side by side: the high shelf at frame j in the lower half, the
    // low shelf at frame j - 2 in the upper half, fed with what the high shelf gave two frames
    // earlier. Frames 0 and 1 of the chunk go through the high shelf alone; the low shelf
    // finishes frames kChunk - 2 and kChunk - 1 alone.
    using Quad = typename strip_lanes::Types<4>::Lanes;

    static LANE_INLINE Quad Join(Pair lower, Pair upper)
    {
        return __builtin_shufflevector(lower, upper, 0, 1, 2, 3);
    }
    static LANE_INLINE Pair Lower(Quad q) { return __builtin_shufflevector(q, q, 0, 1); }
    static LANE_INLINE Pair Upper(Quad q) { return __builtin_shufflevector(q, q, 2, 3); }

    template <int Moving>
    static LANE_INLINE void FilterSideBySide(State& st, Chunk& c, int k, BasicBiquad<Quad>& shelves,
                                             Pair (&highOut)[2])
    {
        using namespace strip_lanes;
        const bool moving = Moving == 1 || (Moving < 0 && c.moving);
        if (k == 0)
        {
            for (int n = 0; n < 2; ++n)
            {
                if (moving)
                    c.highCoefficients.Set(st.high, n);
                highOut[n] = st.high.Process(Load<Pair>(c.signal + 2 * n));
            }
            shelves.lastInput = Join(st.high.lastInput, st.low.lastInput);
            shelves.lastOutput = Join(st.high.lastOutput, st.low.lastOutput);
            shelves.x1 = Join(st.high.x1, st.low.x1);
            shelves.x2 = Join(st.high.x2, st.low.x2);
            shelves.y1 = Join(st.high.y1, st.low.y1);
            shelves.y2 = Join(st.high.y2, st.low.y2);
            shelves.a0 = Join(st.high.a0, st.low.a0);
            shelves.a1 = Join(st.high.a1, st.low.a1);
            shelves.a2 = Join(st.high.a2, st.low.a2);
            shelves.b0 = Join(st.high.b0, st.low.b0);
            shelves.b1 = Join(st.high.b1, st.low.b1);
            shelves.b2 = Join(st.high.b2, st.low.b2);
            return;
        }
        for (int n = k; n < k + 2; ++n)
        {
            if (moving)
            {
                const ShelfCoefficients& h = c.highCoefficients;
                const ShelfCoefficients& l = c.lowCoefficients;
                const int hi = 2 * n, lo = 2 * (n - 2);
                shelves.a0 = Join(Load<Pair>(h.a0 + hi), Load<Pair>(l.a0 + lo));
                shelves.a1 = Join(Load<Pair>(h.a1 + hi), Load<Pair>(l.a1 + lo));
                shelves.a2 = Join(Load<Pair>(h.a2 + hi), Load<Pair>(l.a2 + lo));
                shelves.b0 = Join(Load<Pair>(h.b0 + hi), Load<Pair>(l.b0 + lo));
                shelves.b1 = Join(Load<Pair>(h.b1 + hi), Load<Pair>(l.b1 + lo));
                shelves.b2 = Join(Load<Pair>(h.b2 + hi), Load<Pair>(l.b2 + lo));
            }
            const Quad y = shelves.Process(Join(Load<Pair>(c.signal + 2 * n), highOut[n & 1]));
            highOut[n & 1] = Lower(y);
            Store(c.signal + 2 * (n - 2), Upper(y));
        }
    }

    template <int Moving>
    static LANE_INLINE void FinishSideBySide(State& st, Chunk& c, const BasicBiquad<Quad>& shelves,
                                             const Pair (&highOut)[2])
    {
        using namespace strip_lanes;
        const auto split = [&](BasicBiquad<Pair>& f, Pair (*half)(Quad))
        {
            f.lastInput = half(shelves.lastInput);
            f.lastOutput = half(shelves.lastOutput);
            f.x1 = half(shelves.x1);
            f.x2 = half(shelves.x2);
            f.y1 = half(shelves.y1);
            f.y2 = half(shelves.y2);
            f.a0 = half(shelves.a0);
            f.a1 = half(shelves.a1);
            f.a2 = half(shelves.a2);
            f.b0 = half(shelves.b0);
            f.b1 = half(shelves.b1);
            f.b2 = half(shelves.b2);
        };
        split(st.high, Lower);
        split(st.low, Upper);
        const bool moving = Moving == 1 || (Moving < 0 && c.moving);
        for (int n = kChunk - 2; n < kChunk; ++n)
        {
            if (moving)
                c.lowCoefficients.Set(st.low, n);
            Store(c.signal + 2 * n, st.low.Process(highOut[n & 1]));
        }
    }

    // While the pipeline fills and drains: the stages that have a chunk.
    template <int Model> static LANE_INLINE void SomeStages(State& st, Chunk* (&c)[kStages])
    {
        constexpr int kFrames = Width / 2;
        for (int k = 0; k < strip_lanes::kChunk; k += kFrames)
        {
            if (c[0])
                Stage<Model, 0, Lanes>(st, *c[0], k);
            if (c[1])
                Stage<Model, 1, Lanes>(st, *c[1], k);
            if (c[2])
                Stage<Model, 2, Lanes>(st, *c[2], k);
            if (c[3])
                Stage<Model, 3, Lanes>(st, *c[3], k);
            if (c[4])
                for (int j = 0; j < kFrames; ++j)
                {
                    SetCoefficients(st, *c[4], c[4]->moving ? k + j : 0);
                    Filter(st, *c[4], k + j);
                }
            if (c[5])
                Stage<Model, 5, Lanes>(st, *c[5], k);
        }
    }

    static LANE_INLINE void SetCoefficients(State& st, const Chunk& c, int frame)
    {
        c.highCoefficients.Set(st.high, frame);
        c.lowCoefficients.Set(st.low, frame);
    }

    // High shelf, then low shelf: frame k of the chunk.
    static LANE_INLINE void Filter(State& st, Chunk& c, int k)
    {
        using namespace strip_lanes;
        Store(c.signal + 2 * k, st.low.Process(st.high.Process(Load<Pair>(c.signal + 2 * k))));
    }
};
