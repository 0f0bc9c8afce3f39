#include "plugin/ChannelStrip.h"

#include "Coeffs/TRANS_COEFFS/CurveTables.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <utility>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

// The left and right channel run side by side in the two lanes of a vector. Every lane operation
// is the IEEE double operation the per-frame formulas describe, in the same order, so the results
// are those of the scalar curves and filters bit for bit (the tests compare them).

namespace
{

using Lanes = double __attribute__((vector_size(16)));
using LaneBits = std::int64_t __attribute__((vector_size(16)));

constexpr double kTransformerPad = 0.03162277660168379; // -30 dB into the transformer curve
constexpr double kTransformerGain = 1161.4486138403427; // +61.3 dB after it
constexpr double kMakeUp = 7.079457843841379;           // +17 dB for the level the tubes lose
constexpr double kLineAmpDivisor = 1.5;
// No audio runs at a gigahertz. Far above it (from about 1.3e154) the shelf coefficients, which
// take the square of the rate, overflow and even silence comes out as NaN.
constexpr double kMaxSampleRate = 1e9;

// A curve table widened to double, with entry 199 repeated once more: an index of exactly 199
// then interpolates entry 199 with weight 1 and needs no clamping to 198.
struct WideTable
{
    double v[201];
};

constexpr WideTable Widen(const CurveTable& t)
{
    WideTable w{};
    for (int i = 0; i < 200; ++i)
        w.v[i] = t.values[i];
    w.v[200] = t.values[199];
    return w;
}

// The negative transformer table is the exact mirror of the positive one, so after taking the
// magnitude both give the same value: one table serves both signs.
constexpr WideTable kTransformerTable = Widen(transtrans_table);
constexpr WideTable kSrppTable = Widen(srpp_table);
constexpr WideTable kQuad8Table = Widen(quad8_table);
constexpr WideTable kNklineampTable = Widen(Nklineamp_table);

// The lane helpers run several times per frame; a call would force every vector register the
// loop keeps live out to memory (they are all caller-saved).
#define LANE_INLINE inline __attribute__((always_inline))

constexpr LaneBits kSignBits = {INT64_MIN, INT64_MIN};

LANE_INLINE Lanes Abs(Lanes x)
{
    return reinterpret_cast<Lanes>(reinterpret_cast<LaneBits>(x) & ~kSignBits);
}

LANE_INLINE Lanes WithSignOf(Lanes magnitude, Lanes x)
{
    return reinterpret_cast<Lanes>((reinterpret_cast<LaneBits>(magnitude) & ~kSignBits) |
                                   (reinterpret_cast<LaneBits>(x) & kSignBits));
}

// LookupCurve for both lanes, with u already brought into [0, 199].
LANE_INLINE Lanes Interpolate(const WideTable& table, Lanes u)
{
    // Zero-extended indices let the address arithmetic fold into the loads.
    const unsigned iL = static_cast<unsigned>(static_cast<int>(u[0]));
    const unsigned iR = static_cast<unsigned>(static_cast<int>(u[1]));
    const Lanes f = u - Lanes{static_cast<double>(static_cast<int>(u[0])),
                              static_cast<double>(static_cast<int>(u[1]))};
    const double* above = table.v + 1;
    const Lanes below = {table.v[iL], table.v[iR]};
    const Lanes next = {above[iL], above[iR]};
    return (next * f) + ((1.0 - f) * below);
}

// Hold from index 199 on; 0 for NaN or indices of 2^31 and above.
LANE_INLINE Lanes Lookup(const WideTable& table, Lanes t)
{
    const Lanes held = t < 199.0 ? t : Lanes{199.0, 199.0};
    return Interpolate(table, t < 2147483648.0 ? held : Lanes{0.0, 0.0});
}

// For an index known to be below 199 unless it is NaN (the compressed amplifier input).
LANE_INLINE Lanes LookupBelowEnd(const WideTable& table, Lanes t)
{
    return Interpolate(table, t < 199.0 ? t : Lanes{0.0, 0.0});
}

LANE_INLINE Lanes TransformerStage(Lanes x)
{
    const Lanes padded = x * kTransformerPad;
    return WithSignOf(Lookup(kTransformerTable, Abs(padded) * kTransformerScale), padded) *
           kTransformerGain;
}

template <int Model> LANE_INLINE Lanes AmplifierStage(Lanes x)
{
    static_assert(Model >= 0 && Model <= 2, "three amplifier models");
    const Lanes m = Abs(x);
    if constexpr (Model == 0)
        return WithSignOf(Lookup(kSrppTable, m * kAmplifierScale), x);
    const Lanes t = (m / (m + 3.0)) * kAmplifierScale;
    const WideTable& table = Model == 1 ? kQuad8Table : kNklineampTable;
    return WithSignOf(LookupBelowEnd(table, t), x) / kLineAmpDivisor;
}

LANE_INLINE bool Differs(Lanes a, Lanes b)
{
    const LaneBits d = a != b;
    return (d[0] | d[1]) != 0;
}

template <typename T> BasicBiquad<Lanes> Pair(const T& left, const T& right)
{
    BasicBiquad<Lanes> p;
    p.lastInput = Lanes{left.lastInput, right.lastInput};
    p.lastOutput = Lanes{left.lastOutput, right.lastOutput};
    p.x1 = Lanes{left.x1, right.x1};
    p.x2 = Lanes{left.x2, right.x2};
    p.y1 = Lanes{left.y1, right.y1};
    p.y2 = Lanes{left.y2, right.y2};
    p.a0 = Lanes{left.a0, right.a0};
    p.a1 = Lanes{left.a1, right.a1};
    p.a2 = Lanes{left.a2, right.a2};
    p.b0 = Lanes{left.b0, right.b0};
    p.b1 = Lanes{left.b1, right.b1};
    p.b2 = Lanes{left.b2, right.b2};
    return p;
}

template <typename T> void Split(const BasicBiquad<Lanes>& p, T& left, T& right)
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

// A decaying filter history runs into subnormal numbers after a loud passage, which the FPU
// handles in microcode, many times slower. Flushing them to zero for the duration of a block
// changes nothing above the subnormal range.
class FlushSubnormals
{
public:
#if defined(__SSE2__)
    FlushSubnormals() : mSaved(_mm_getcsr())
    {
        _mm_setcsr(mSaved | kFlushToZero | kDenormalsAreZero);
    }
    ~FlushSubnormals()
    {
        _mm_setcsr(mSaved);
    }

private:
    static constexpr unsigned kFlushToZero = 0x8000;
    static constexpr unsigned kDenormalsAreZero = 0x0040;
    unsigned mSaved;
#elif defined(__aarch64__)
    FlushSubnormals()
    {
        __asm__ volatile("mrs %0, fpcr" : "=r"(mSaved));
        __asm__ volatile("msr fpcr, %0" : : "r"(mSaved | kFlushToZero));
    }
    ~FlushSubnormals()
    {
        __asm__ volatile("msr fpcr, %0" : : "r"(mSaved));
    }

private:
    static constexpr std::uint64_t kFlushToZero = std::uint64_t(1) << 24;
    std::uint64_t mSaved;
#endif
    FlushSubnormals(const FlushSubnormals&) = delete;
    FlushSubnormals& operator=(const FlushSubnormals&) = delete;
};

// A non-finite target would poison its smoother for good; such a target holds it instead.
double SafeTarget(double target, const ParamSmoother& smoother)
{
    return std::isfinite(target) ? target : smoother.z;
}

// A filter driven beyond its stable range can overflow; start it afresh rather than carry
// infinities or NaNs into every later block.
void RecoverIfNonFinite(Biquad& f)
{
    if (std::isfinite(f.x1) && std::isfinite(f.x2) && std::isfinite(f.y1) && std::isfinite(f.y2))
        return;
    f.lastInput = f.lastOutput = f.x1 = f.x2 = f.y1 = f.y2 = 0.0;
}

} // namespace

void ChannelStrip::Process(const double* const* inputs, double* const* outputs, int nFrames,
                           const ChannelStripSettings& s)
{
    if (nFrames < 1)
        return;
    const double fs = s.sampleRate;
    if (!(fs > 0.0 && fs <= kMaxSampleRate))
    {
        for (int n = 0; n < nFrames; ++n)
            outputs[0][n] = outputs[1][n] = 0.0;
        return;
    }
    FlushSubnormals flush;

    if (fs != mPoleRate)
    {
        mPoleA = std::exp(-6.283185307179586 * (0.5 / fs));
        mPoleB = 1.0 - mPoleA;
        mPoleRate = fs;
    }
    if (fs != mCoeffRate)
    {
        mHighLFrom = mHighRFrom = mLowLFrom = mLowRFrom = kUnset;
        mCoeffRate = fs;
    }
    for (ParamSmoother* smoother :
         {&mLowSmoother, &mHighSmoother, &mInputGainSmoother, &mOutputGainSmoother})
    {
        smoother->a = mPoleA;
        smoother->b = mPoleB;
    }

    switch (s.model)
    {
    case 0:
        Run<0>(inputs, outputs, nFrames, s);
        break;
    case 1:
        Run<1>(inputs, outputs, nFrames, s);
        break;
    case 2:
        Run<2>(inputs, outputs, nFrames, s);
        break;
    default:
        Run<-1>(inputs, outputs, nFrames, s);
        break;
    }

    for (Biquad* f : {static_cast<Biquad*>(&mHighL), static_cast<Biquad*>(&mHighR),
                      static_cast<Biquad*>(&mLowL), static_cast<Biquad*>(&mLowR)})
        RecoverIfNonFinite(*f);
}

// Model -1 stands for a model switch out of range: the tube stage keeps its last results and
// its smoother stands still.
template <int Model>
void ChannelStrip::Run(const double* const* inputs, double* const* outputs, int nFrames,
                       const ChannelStripSettings& s)
{
    const double a = mPoleA;
    const Lanes fs = {s.sampleRate, s.sampleRate};
    // The target times b is the same product every frame.
    const double inputStep = SafeTarget(s.inputGain, mInputGainSmoother) * mPoleB;
    const double outputStep = SafeTarget(s.outputGain, mOutputGainSmoother) * mPoleB;
    const double lowStep = SafeTarget(s.low, mLowSmoother) * mPoleB;
    const double highStep = SafeTarget(s.high, mHighSmoother) * mPoleB;
    const int transformer = s.transformer;
    const int bus = s.bus;

    // Local copies: the output buffers could alias the members as far as the compiler knows,
    // which would pin every state variable to memory.
    double zIn = mInputGainSmoother.z, zOut = mOutputGainSmoother.z;
    double zLow = mLowSmoother.z, zHigh = mHighSmoother.z;
    BasicBiquad<Lanes> high = Pair(mHighL, mHighR);
    BasicBiquad<Lanes> low = Pair(mLowL, mLowR);
    Lanes highFrom = {mHighLFrom, mHighRFrom}, lowFrom = {mLowLFrom, mLowRFrom};
    Lanes stage1 = {mStage1L, mStage1R}, tube = {mTubeL, mTubeR};
    Lanes filterIn = {mFilterInL, mFilterInR}, filterOut = {mFilterOutL, mFilterOutR};
    Lanes out = {mOutL, mOutR};

    const double* inLeft = inputs[0];
    const double* inRight = inputs[1];
    double* outLeft = outputs[0];
    double* outRight = outputs[1];
    // The frames go through the stages in chunks, one stage at a time: the recursive filters are
    // bound by the latency of their feedback, the curve lookups around them by throughput, and
    // separated each runs at its own limit instead of the lookups waiting in line behind the
    // feedback (and the switches are tested once per chunk). A chunk's inputs are all read
    // before its outputs are written.
    constexpr int kChunk = 64;
    Lanes chunk[kChunk];
    for (int start = 0; start < nFrames; start += kChunk)
    {
        const int count = nFrames - start < kChunk ? nFrames - start : kChunk;
        const double* left = inLeft + start;
        const double* right = inRight + start;

        if (transformer == 0)
            for (int k = 0; k < count; ++k)
                chunk[k] = TransformerStage(Lanes{left[k], right[k]});
        else if (transformer == 1)
            for (int k = 0; k < count; ++k)
                chunk[k] = Lanes{left[k], right[k]};
        else
            for (int k = 0; k < count; ++k)
                chunk[k] = stage1;
        stage1 = chunk[count - 1];

        // Once a smoother sits at its fixed point ((z * a) + step == z) every later step gives
        // the same z: the settled gains need no recurrence.
        const auto amplify = [&](auto nextGains)
        {
            for (int k = 0; k < count; ++k)
            {
                const auto [input, output] = nextGains();
                if constexpr (Model >= 0)
                    tube = AmplifierStage<Model>(chunk[k] * input);
                chunk[k] = output * (tube * kMakeUp);
            }
        };
        const bool inputSettled = Model < 0 || (zIn * a) + inputStep == zIn;
        if (inputSettled && (zOut * a) + outputStep == zOut)
        {
            const Lanes input = {zIn, zIn}, output = {zOut, zOut};
            amplify([&] { return std::pair(input, output); });
        }
        else
        {
            amplify(
                [&]
                {
                    Lanes input = {zIn, zIn};
                    if constexpr (Model >= 0)
                    {
                        const double gainL = zIn = (zIn * a) + inputStep;
                        const double gainR = zIn = (zIn * a) + inputStep;
                        input = Lanes{gainL, gainR};
                    }
                    const double gainL = (zOut * a) + outputStep;
                    zOut = (gainL * a) + outputStep;
                    return std::pair(input, Lanes{gainL, zOut});
                });
        }
        filterIn = chunk[count - 1];

        const auto setShelves = [&](Lanes lowV, Lanes highV)
        {
            if (Differs(lowV, lowFrom))
            {
                L7360::Coefficients(low, fs, lowV);
                lowFrom = lowV;
            }
            if (Differs(highV, highFrom))
            {
                H73::Coefficients(high, fs, highV);
                highFrom = highV;
            }
        };
        if ((zLow * a) + lowStep == zLow && (zHigh * a) + highStep == zHigh)
        {
            setShelves(Lanes{zLow, zLow}, Lanes{zHigh, zHigh});
            for (int k = 0; k < count; ++k)
                chunk[k] = low.Process(high.Process(chunk[k]));
        }
        else
        {
            for (int k = 0; k < count; ++k)
            {
                const double lowL = zLow = (zLow * a) + lowStep;
                const double lowR = zLow = (zLow * a) + lowStep;
                const double highL = zHigh = (zHigh * a) + highStep;
                const double highR = zHigh = (zHigh * a) + highStep;
                setShelves(Lanes{lowL, lowR}, Lanes{highL, highR});
                chunk[k] = low.Process(high.Process(chunk[k]));
            }
        }
        filterOut = chunk[count - 1];

        if (bus == 0)
            for (int k = 0; k < count; ++k)
                chunk[k] = TransformerStage(chunk[k]);
        else if (bus != 1)
            for (int k = 0; k < count; ++k)
                chunk[k] = out;
        out = chunk[count - 1];
        double* outL = outLeft + start;
        double* outR = outRight + start;
        for (int k = 0; k < count; ++k)
        {
            outL[k] = chunk[k][0];
            outR[k] = chunk[k][1];
        }
    }

    mInputGainSmoother.z = zIn;
    mOutputGainSmoother.z = zOut;
    mLowSmoother.z = zLow;
    mHighSmoother.z = zHigh;
    Split(high, mHighL, mHighR);
    Split(low, mLowL, mLowR);
    mHighLFrom = highFrom[0];
    mHighRFrom = highFrom[1];
    mLowLFrom = lowFrom[0];
    mLowRFrom = lowFrom[1];
    mStage1L = stage1[0];
    mStage1R = stage1[1];
    mTubeL = tube[0];
    mTubeR = tube[1];
    mFilterInL = filterIn[0];
    mFilterInR = filterIn[1];
    mFilterOutL = filterOut[0];
    mFilterOutR = filterOut[1];
    mOutL = out[0];
    mOutR = out[1];
}
