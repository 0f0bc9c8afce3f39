// Level metering as the base does it: the processing thread's side of the meters, measuring
// each block where it costs least (in the 32-bit conversions, in the plug-in's own processing,
// or in a scan of its own).
#include "framework/core/IFxBase.h"

#include <algorithm>

void IFxBase::EnableLevelMeters()
{
    if (!mLevelMeters)
        mLevelMeters.reset(new LevelMeters);
}

void IFxBase::MeasureLevels(int side, int nFrames)
{
    if (!mLevelMeters)
        return;
    // A 32-bit input was measured as it was widened.
    if (side == LevelMeters::kInputSide && mWidenedChannels >= 0)
    {
        mLevelMeters->Add(side, mWidenedLevels, mWidenedChannels, nFrames, mSampleRate);
        mWidenedChannels = -1;
        return;
    }
    const double* channels[LevelMeters::kMaxChannels];
    int n = 0;
    if (side == LevelMeters::kInputSide)
    {
        for (int c = 0; c < NInChannels() && n < LevelMeters::kMaxChannels; ++c)
            if (mInChannels.Get(c)->mConnected)
                channels[n++] = mInData[static_cast<size_t>(c)];
    }
    else
    {
        for (int c = 0; c < NOutChannels() && n < LevelMeters::kMaxChannels; ++c)
            if (mOutChannels.Get(c)->mConnected)
                channels[n++] = mOutData[static_cast<size_t>(c)];
    }
    mLevelMeters->Measure(side, channels, n, nFrames, mSampleRate);
}

ChannelLevels* IFxBase::LevelsToMeasure(int side)
{
    return mMeasuringInProcessing ? mProcessLevels[side == LevelMeters::kOutputSide ? 1 : 0]
                                  : nullptr;
}

void IFxBase::ProcessMeasuring(int nFrames)
{
    for (auto& side : mProcessLevels)
        std::fill(std::begin(side), std::end(side), ChannelLevels());
    mMeasuringInProcessing = true;
    ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
    mMeasuringInProcessing = false;
    // The connected channels count, as in the base's own scans.
    for (int side : {LevelMeters::kInputSide, LevelMeters::kOutputSide})
    {
        const bool input = side == LevelMeters::kInputSide;
        const int channels =
            std::min(input ? NInChannels() : NOutChannels(), int(LevelMeters::kMaxChannels));
        ChannelLevels levels;
        int n = 0;
        for (int c = 0; c < channels; ++c)
        {
            if (!(input ? mInChannels.Get(c)->mConnected : mOutChannels.Get(c)->mConnected))
                continue;
            const ChannelLevels& channel = mProcessLevels[input ? 0 : 1][c];
            levels.peak = channel.peak > levels.peak ? channel.peak : levels.peak;
            levels.sumSquares += channel.sumSquares;
            ++n;
        }
        mLevelMeters->Add(side, levels, n, nFrames, mSampleRate);
    }
}
