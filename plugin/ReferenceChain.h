#pragma once

// The signal chain computed the plain way: the smoothing pole and all four sets of filter
// coefficients at every frame, the switches tested at every frame, state kept in members.
// ChannelStrip must match it bit for bit (the tests compare them); the chain's benchmark
// measures how much faster ChannelStrip is.

#include "Coeffs/ParamSmoother.h"
#include "plugin/ChannelStrip.h"
#include "plugin/ChannelStripStages.h"
#include "plugin/H73.h"
#include "plugin/L7360.h"

#include <cmath>
#include <initializer_list>

struct ReferenceChain
{
    ParamSmoother mLowSmoother, mHighSmoother, mInputGainSmoother, mOutputGainSmoother;
    H73 mHighL, mHighR;
    L7360 mLowL, mLowR;
    double mStage1L = 0.0, mStage1R = 0.0, mTubeL = 0.0, mTubeR = 0.0;
    double mFilterInL = 0.0, mFilterInR = 0.0, mFilterOutL = 0.0, mFilterOutR = 0.0;
    double mOutL = 0.0, mOutR = 0.0;

    void Process(const double* const* inputs, double* const* outputs, int nFrames,
                 const ChannelStripSettings& s)
    {
        for (int n = 0; n < nFrames; ++n)
        {
            const double fs = s.sampleRate;
            const double a = ParamSmoother::Pole(fs);
            const double b = 1.0 - a;
            for (ParamSmoother* p :
                 {&mLowSmoother, &mHighSmoother, &mInputGainSmoother, &mOutputGainSmoother})
            {
                p->a = a;
                p->b = b;
            }

            Transformer(s.transformer, inputs[0][n], inputs[1][n], mStage1L, mStage1R);

            Tube(s.model, s.inputGain, mStage1L, mTubeL);
            Tube(s.model, s.inputGain, mStage1R, mTubeR);

            const double z1 = (mOutputGainSmoother.z * a) + (s.outputGain * b);
            const double z2 = (z1 * a) + (s.outputGain * b);
            mOutputGainSmoother.z = z2;
            mFilterInL = z1 * (mTubeL * kMakeUp);
            mFilterInR = z2 * (mTubeR * kMakeUp);

            mLowL.Calc(fs, mLowSmoother.Advance(s.low));
            mLowR.Calc(fs, mLowSmoother.Advance(s.low));
            mHighL.Calc(fs, mHighSmoother.Advance(s.high));
            mHighR.Calc(fs, mHighSmoother.Advance(s.high));

            mFilterOutL = mLowL.Process(mHighL.Process(mFilterInL));
            mFilterOutR = mLowR.Process(mHighR.Process(mFilterInR));

            Transformer(s.bus, mFilterOutL, mFilterOutR, mOutL, mOutR);
            outputs[0][n] = mOutL;
            outputs[1][n] = mOutR;
        }
    }

private:
    // 0: the curve in circuit; 1: bypassed; any other position keeps the last results.
    static void Transformer(int position, double inL, double inR, double& outL, double& outR)
    {
        if (position == 0)
        {
            outL = TransformerStage(inL);
            outR = TransformerStage(inR);
        }
        else if (position == 1)
        {
            outL = inL;
            outR = inR;
        }
    }

    void Tube(int model, double inputGain, double stage1, double& tube)
    {
        if (model < 0 || model > 2)
            return;
        const double x = stage1 * mInputGainSmoother.Advance(inputGain);
        if (model == 0)
            tube = srppclip(x);
        else if (model == 1)
            tube = quad8clip(x) / kLineAmpDivisor;
        else
            tube = Nklineampclip(x) / kLineAmpDivisor;
    }
};
