#pragma once

#include "util/heapbuf.h"

// Delays every input channel by the plug-in's latency while bypassed, so that a bypassed plug-in
// stays time-aligned with the host's latency compensation. One lane per input channel. It takes in
// the blocks the plug-in processes too, so that a bypass switched on goes on from the input of
// just before, not from whatever the last bypass left.
class ChannelDelayLine
{
public:
    ChannelDelayLine(int nInputChannels, int nOutputChannels)
        : mNIn(nInputChannels), mNOut(nOutputChannels)
    {
    }

    void SetDelay(int delaySamples)
    {
        mDelay = delaySamples > 0 ? delaySamples : 0;
        mWritePos = 0;
        long total = static_cast<long>(mNIn) * mDelay;
        if (total > 0x7fffffffL / 8 || !mBuf.Resize(static_cast<int>(total)))
        {
            mDelay = 0;
            mBuf.Resize(0);
        }
        mBuf.Zero();
    }

    // Room for delays up to maxDelay, so that setting one later allocates nothing.
    void Reserve(int maxDelay)
    {
        if (maxDelay > mDelay && static_cast<long>(mNIn) * maxDelay <= 0x7fffffffL / 8 &&
            mBuf.Resize(mNIn * maxDelay))
            mBuf.Resize(mNIn * mDelay);
    }

    int GetDelay() const { return mDelay; }

    void Process(double** inputs, double** outputs, int nFrames)
    {
        Run<true>(inputs, outputs, nFrames);
    }

    // Takes in a block that the plug-in hands on processed.
    void Write(double** inputs, int nFrames) { Run<false>(inputs, nullptr, nFrames); }

private:
    template <bool kHandOn> void Run(double** inputs, double** outputs, int nFrames)
    {
        if (mDelay <= 0)
            return;
        int nLanes = mNIn < mNOut ? mNIn : mNOut;
        double* lanes = mBuf.Get();
        for (int s = 0; s < nFrames; ++s)
        {
            for (int c = 0; c < nLanes; ++c)
            {
                double* slot = lanes + static_cast<long>(c) * mDelay + mWritePos;
                double in = inputs[c][s];
                if (kHandOn)
                    outputs[c][s] = *slot;
                *slot = in;
            }
            if (++mWritePos >= mDelay)
                mWritePos = 0;
        }
    }

    FxTypedBuf<double> mBuf;
    long mWritePos = 0;
    int mNIn;
    int mNOut;
    int mDelay = 0;
};
