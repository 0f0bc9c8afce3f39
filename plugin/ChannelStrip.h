#pragma once

#include "Coeffs/ParamSmoother.h"
#include "plugin/H73.h"
#include "plugin/L7360.h"
#include "util/channellevels.h"

#include <limits>

struct ChannelStrip;

// The levels of a block's samples, channel by channel, measured as the chain passes them: there
// the measurement costs little, its work fitting into the time the filters wait on each other.
struct ChannelStripLevels
{
    ChannelLevels in[2], out[2];
};

// One block for a code path of the chain, once the smoothing pole, the smoothers' constant
// products (target times b) and the switches are known.
struct ChannelStripBlock
{
    const double* const* inputs;
    double* const* outputs;
    int nFrames;
    double fs, a;
    double inputStep, outputStep, lowStep, highStep;
    int transformer, bus, model;
    ChannelStripLevels* levels; // null: not measured
};

// A code path of the chain: the same results bit for bit, built for a different instruction set.
using ChannelStripPath = void (*)(ChannelStrip&, const ChannelStripBlock&);

// The baseline path every CPU of the build's architecture runs, and the fastest one this CPU
// has (chosen once when the library loads).
ChannelStripPath BaselineChannelStripPath();
ChannelStripPath FastestChannelStripPath();

// What one block of the chain needs from the plug-in: the sample rate, the cached linear gains
// and shelf positions, and the three switches truncated to integers.
struct ChannelStripSettings
{
    double sampleRate;
    double inputGain, outputGain, low, high;
    int transformer, bus, model;
};

// The stereo signal path: input transformer, input gain into an amplifier curve, output gain
// with make-up, high and low shelves, output transformer. Gains and shelf positions are
// smoothed per sample; one smoother serves both channels and advances once per channel.
//
// Results are bit-identical to recomputing the smoothing pole and all filter coefficients at
// every frame (as long as no value falls into the subnormal range, see Process): those are
// recomputed only when their inputs differ from the last ones, and gain smoothers that have
// reached their fixed point are not stepped.
struct ChannelStrip
{
    ParamSmoother mLowSmoother, mHighSmoother, mInputGainSmoother, mOutputGainSmoother;
    H73 mHighL, mHighR;
    L7360 mLowL, mLowR;
    double mStage1L = 0.0, mStage1R = 0.0;
    double mTubeL = 0.0, mTubeR = 0.0;
    double mFilterInL = 0.0, mFilterInR = 0.0;
    double mFilterOutL = 0.0, mFilterOutR = 0.0;
    double mOutL = 0.0, mOutR = 0.0;

    // inputs and outputs: two channels each. An output may be the very buffer of either input
    // (in place, or with the channels swapped), but must not overlap it at an offset. A sample
    // rate that is not a positive number up to a gigahertz yields silence and leaves the state
    // alone; a non-finite gain or shelf position holds its smoother where it is. Subnormal numbers
    // are flushed to zero during the call (the caller's floating-point mode is restored). With
    // levels, the levels of the block's input and output as well.
    void Process(const double* const* inputs, double* const* outputs, int nFrames,
                 const ChannelStripSettings& s, ChannelStripLevels* levels = nullptr);

    // Which code path Process runs (tests pin each one).
    ChannelStripPath mPath = FastestChannelStripPath();

private:
    template <int Width> friend struct ChannelStripLanes;

    static constexpr double kUnset = std::numeric_limits<double>::quiet_NaN();

    // The rate the pole was computed for, and the rate and positions each filter's coefficients
    // were computed from (NaN: never, so the first comparison fails).
    double mPoleRate = kUnset, mPoleA = 0.0, mPoleB = 1.0;
    double mCoeffRate = kUnset;
    double mHighLFrom = kUnset, mHighRFrom = kUnset, mLowLFrom = kUnset, mLowRFrom = kUnset;
};
