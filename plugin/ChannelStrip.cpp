#include "plugin/ChannelStrip.h"

#include "Coeffs/TRANS_COEFFS/Opamp.h"
#include "Coeffs/TRANS_COEFFS/TRANSTRANS_HARM.h"
#include "Coeffs/TRANS_COEFFS/Transistor.h"
#include "Coeffs/TRANS_COEFFS/Tube.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace
{

constexpr double kTransformerPad = 0.03162277660168379; // -30 dB into the transformer curve
constexpr double kTransformerGain = 1161.4486138403427; // +61.3 dB after it
constexpr double kMakeUp = 7.079457843841379;           // +17 dB for the level the tubes lose
constexpr double kLineAmpDivisor = 1.5;

double TransformerStage(double x)
{
    return TRANSTRANS_HARM(x * kTransformerPad) * kTransformerGain;
}

// Only called with model 0, 1 or 2.
double AmplifierStage(int model, double x)
{
    if (model == 0)
        return srppclip(x);
    if (model == 1)
        return quad8clip(x) / kLineAmpDivisor;
    return Nklineampclip(x) / kLineAmpDivisor;
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

template <typename Filter> void UpdateCoefficients(Filter& f, double& from, double fs, double v)
{
    if (v != from)
    {
        f.Calc(fs, v);
        from = v;
    }
}

} // namespace

void ChannelStrip::Process(const double* const* inputs, double* const* outputs, int nFrames,
                           const ChannelStripSettings& s)
{
    if (nFrames < 1)
        return;
    const double fs = s.sampleRate;
    if (!(std::isfinite(fs) && fs > 0.0))
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
    const double a = mPoleA;
    const double b = mPoleB;
    const double inputStep = SafeTarget(s.inputGain, mInputGainSmoother) * b;
    const double outputStep = SafeTarget(s.outputGain, mOutputGainSmoother) * b;
    const double lowStep = SafeTarget(s.low, mLowSmoother) * b;
    const double highStep = SafeTarget(s.high, mHighSmoother) * b;
    const int transformer = s.transformer;
    const int model = s.model;
    const int bus = s.bus;
    const bool amplify = model >= 0 && model <= 2;

    // Work on local copies: the output buffers could alias the members as far as the compiler
    // knows, which would pin every state variable to memory.
    double zIn = mInputGainSmoother.z, zOut = mOutputGainSmoother.z;
    double zLow = mLowSmoother.z, zHigh = mHighSmoother.z;
    H73 highL = mHighL, highR = mHighR;
    L7360 lowL = mLowL, lowR = mLowR;
    double highLFrom = mHighLFrom, highRFrom = mHighRFrom;
    double lowLFrom = mLowLFrom, lowRFrom = mLowRFrom;
    double stage1L = mStage1L, stage1R = mStage1R, tubeL = mTubeL, tubeR = mTubeR;
    double filterInL = mFilterInL, filterInR = mFilterInR;
    double filterOutL = mFilterOutL, filterOutR = mFilterOutR;
    double outL = mOutL, outR = mOutR;

    const double* inLeft = inputs[0];
    const double* inRight = inputs[1];
    double* outLeft = outputs[0];
    double* outRight = outputs[1];
    for (int n = 0; n < nFrames; ++n)
    {
        const double inL = inLeft[n];
        const double inR = inRight[n];
        if (transformer == 0)
        {
            stage1L = TransformerStage(inL);
            stage1R = TransformerStage(inR);
        }
        else if (transformer == 1)
        {
            stage1L = inL;
            stage1R = inR;
        }

        if (amplify)
        {
            zIn = (zIn * a) + inputStep;
            tubeL = AmplifierStage(model, stage1L * zIn);
            zIn = (zIn * a) + inputStep;
            tubeR = AmplifierStage(model, stage1R * zIn);
        }

        const double gainL = (zOut * a) + outputStep;
        zOut = (gainL * a) + outputStep;
        filterInL = gainL * (tubeL * kMakeUp);
        filterInR = zOut * (tubeR * kMakeUp);

        zLow = (zLow * a) + lowStep;
        UpdateCoefficients(lowL, lowLFrom, fs, zLow);
        zLow = (zLow * a) + lowStep;
        UpdateCoefficients(lowR, lowRFrom, fs, zLow);
        zHigh = (zHigh * a) + highStep;
        UpdateCoefficients(highL, highLFrom, fs, zHigh);
        zHigh = (zHigh * a) + highStep;
        UpdateCoefficients(highR, highRFrom, fs, zHigh);

        filterOutL = lowL.Process(highL.Process(filterInL));
        filterOutR = lowR.Process(highR.Process(filterInR));

        if (bus == 0)
        {
            outL = TransformerStage(filterOutL);
            outR = TransformerStage(filterOutR);
        }
        else if (bus == 1)
        {
            outL = filterOutL;
            outR = filterOutR;
        }
        outLeft[n] = outL;
        outRight[n] = outR;
    }

    for (ParamSmoother* smoother :
         {&mLowSmoother, &mHighSmoother, &mInputGainSmoother, &mOutputGainSmoother})
    {
        smoother->a = a;
        smoother->b = b;
    }
    mInputGainSmoother.z = zIn;
    mOutputGainSmoother.z = zOut;
    mLowSmoother.z = zLow;
    mHighSmoother.z = zHigh;
    mHighL = highL;
    mHighR = highR;
    mLowL = lowL;
    mLowR = lowR;
    for (Biquad* f : {static_cast<Biquad*>(&mHighL), static_cast<Biquad*>(&mHighR),
                      static_cast<Biquad*>(&mLowL), static_cast<Biquad*>(&mLowR)})
        RecoverIfNonFinite(*f);
    mHighLFrom = highLFrom;
    mHighRFrom = highRFrom;
    mLowLFrom = lowLFrom;
    mLowRFrom = lowRFrom;
    mStage1L = stage1L;
    mStage1R = stage1R;
    mTubeL = tubeL;
    mTubeR = tubeR;
    mFilterInL = filterInL;
    mFilterInR = filterInR;
    mFilterOutL = filterOutL;
    mFilterOutR = filterOutR;
    mOutL = outL;
    mOutR = outR;
}
