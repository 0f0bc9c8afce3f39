#include "plugin/ChannelStrip.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>

#if defined(__SSE2__)
#include <xmmintrin.h>
#endif

namespace
{

// No audio runs at a gigahertz. Far above it (from about 1.3e154) the shelf coefficients, which
// take the square of the rate, overflow and even silence comes out as NaN.
constexpr double kMaxSampleRate = 1e9;

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
                           const ChannelStripSettings& s, ChannelStripLevels* levels)
{
    if (nFrames < 1)
    {
        if (levels)
            *levels = ChannelStripLevels();
        return;
    }
    const double fs = s.sampleRate;
    if (!(fs > 0.0 && fs <= kMaxSampleRate))
    {
        // The input as it is, the output silent.
        if (levels)
        {
            *levels = ChannelStripLevels();
            for (int c = 0; c < 2; ++c)
                AddSampleLevels(inputs[c], nFrames, &levels->in[c]);
        }
        for (int n = 0; n < nFrames; ++n)
            outputs[0][n] = outputs[1][n] = 0.0;
        return;
    }
    FlushSubnormals flush;

    if (fs != mPoleRate)
    {
        mPoleA = ParamSmoother::Pole(fs);
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

    // The target times b is the same product every frame.
    const ChannelStripBlock block = {inputs,
                                     outputs,
                                     nFrames,
                                     fs,
                                     mPoleA,
                                     SafeTarget(s.inputGain, mInputGainSmoother) * mPoleB,
                                     SafeTarget(s.outputGain, mOutputGainSmoother) * mPoleB,
                                     SafeTarget(s.low, mLowSmoother) * mPoleB,
                                     SafeTarget(s.high, mHighSmoother) * mPoleB,
                                     s.transformer,
                                     s.bus,
                                     s.model,
                                     levels};
    mPath(*this, block);

    for (Biquad* f : {static_cast<Biquad*>(&mHighL), static_cast<Biquad*>(&mHighR),
                      static_cast<Biquad*>(&mLowL), static_cast<Biquad*>(&mLowR)})
        RecoverIfNonFinite(*f);
}
