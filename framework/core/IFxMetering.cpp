// Level metering as the base does it: the processing thread's side of the meters, measuring
// each block where it costs least (in the 32-bit conversions, in the plug-in's own processing,
// or in a scan of its own).
#include "framework/core/IFxBase.h"

#include <algorithm>

void IFxBase::EnableLevelMeters()
{
    if (mLevelMeters)
        return;
    mLevelMeters.reset(new LevelMeters);
    mProcessLevels[0].resize(static_cast<size_t>(NInChannels()));
    mProcessLevels[1].resize(static_cast<size_t>(NOutChannels()));
}

int IFxBase::MeteredChannels(int side, int* indices) const
{
    const bool input = side == LevelMeters::kInputSide;
    int n = 0;
    for (int c = 0; c < (input ? NInChannels() : NOutChannels()) && n < LevelMeters::kMaxChannels;
         ++c)
        if (input ? mInChannels.Get(c)->mConnected : mOutChannels.Get(c)->mConnected)
            indices[n++] = c;
    return n;
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
    const std::vector<double*>& data = side == LevelMeters::kInputSide ? mInData : mOutData;
    int indices[LevelMeters::kMaxChannels];
    const double* channels[LevelMeters::kMaxChannels];
    const int n = MeteredChannels(side, indices);
    for (int i = 0; i < n; ++i)
        channels[i] = data[static_cast<size_t>(indices[i])];
    mLevelMeters->Measure(side, channels, n, nFrames, mSampleRate);
}

ChannelLevels* IFxBase::LevelsToMeasure(int side)
{
    return mMeasuringInProcessing ? mProcessLevels[side == LevelMeters::kOutputSide ? 1 : 0].data()
                                  : nullptr;
}

void IFxBase::ProcessMeasuring(int nFrames)
{
    for (std::vector<ChannelLevels>& side : mProcessLevels)
        std::fill(side.begin(), side.end(), ChannelLevels());
    mMeasuringInProcessing = true;
    ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
    mMeasuringInProcessing = false;
    for (int side : {LevelMeters::kInputSide, LevelMeters::kOutputSide})
    {
        int indices[LevelMeters::kMaxChannels];
        const int n = MeteredChannels(side, indices);
        ChannelLevels levels;
        for (int i = 0; i < n; ++i)
        {
            const ChannelLevels& channel =
                mProcessLevels[side == LevelMeters::kOutputSide ? 1 : 0][size_t(indices[i])];
            levels.peak = channel.peak > levels.peak ? channel.peak : levels.peak;
            levels.sumSquares += channel.sumSquares;
        }
        mLevelMeters->Add(side, levels, n, nFrames, mSampleRate);
    }
}
