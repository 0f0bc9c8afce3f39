#pragma once

// The signal chain computed the plain way: the smoothing pole and all four sets of filter
// coefficients at every frame, the switches tested at every frame, state kept in members.
// ChannelStrip must match it bit for bit; the benchmark measures how much faster it is.

#include "Coeffs/ParamSmoother.h"
#include "Coeffs/TRANS_COEFFS/Opamp.h"
#include "Coeffs/TRANS_COEFFS/TRANSTRANS_HARM.h"
#include "Coeffs/TRANS_COEFFS/Transistor.h"
#include "Coeffs/TRANS_COEFFS/Tube.h"
#include "plugin/ChannelStrip.h"
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
            const double a = std::exp(-6.283185307179586 * (0.5 / fs));
            const double b = 1.0 - a;
            for (ParamSmoother* p :
                 {&mLowSmoother, &mHighSmoother, &mInputGainSmoother, &mOutputGainSmoother})
            {
                p->a = a;
                p->b = b;
            }

            const double inL = inputs[0][n];
            const double inR = inputs[1][n];
            if (s.transformer == 0)
            {
                mStage1L = TRANSTRANS_HARM(inL * 0.03162277660168379) * 1161.4486138403427;
                mStage1R = TRANSTRANS_HARM(inR * 0.03162277660168379) * 1161.4486138403427;
            }
            else if (s.transformer == 1)
            {
                mStage1L = inL;
                mStage1R = inR;
            }

            Tube(s.model, s.inputGain, mStage1L, mTubeL);
            Tube(s.model, s.inputGain, mStage1R, mTubeR);

            const double z1 = (mOutputGainSmoother.z * a) + (s.outputGain * b);
            const double z2 = (z1 * a) + (s.outputGain * b);
            mOutputGainSmoother.z = z2;
            mFilterInL = z1 * (mTubeL * 7.079457843841379);
            mFilterInR = z2 * (mTubeR * 7.079457843841379);

            mLowL.Calc(fs, mLowSmoother.Advance(s.low));
            mLowR.Calc(fs, mLowSmoother.Advance(s.low));
            mHighL.Calc(fs, mHighSmoother.Advance(s.high));
            mHighR.Calc(fs, mHighSmoother.Advance(s.high));

            mFilterOutL = mLowL.Process(mHighL.Process(mFilterInL));
            mFilterOutR = mLowR.Process(mHighR.Process(mFilterInR));

            if (s.bus == 0)
            {
                mOutL = TRANSTRANS_HARM(mFilterOutL * 0.03162277660168379) * 1161.4486138403427;
                mOutR = TRANSTRANS_HARM(mFilterOutR * 0.03162277660168379) * 1161.4486138403427;
            }
            else if (s.bus == 1)
            {
                mOutL = mFilterOutL;
                mOutR = mFilterOutR;
            }
            outputs[0][n] = mOutL;
            outputs[1][n] = mOutR;
        }
    }

private:
    void Tube(int model, double inputGain, double stage1, double& tube)
    {
        if (model < 0 || model > 2)
            return;
        const double x = stage1 * mInputGainSmoother.Advance(inputGain);
        if (model == 0)
            tube = srppclip(x);
        else if (model == 1)
            tube = quad8clip(x) / 1.5;
        else
            tube = Nklineampclip(x) / 1.5;
    }
};
