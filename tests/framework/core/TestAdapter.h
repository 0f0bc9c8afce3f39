#pragma once

#include "framework/core/IFxBase.h"

#include <vector>

// Stands in for a host adapter: implements the host-facing operations and records what the base
// told the host.
class TestAdapter : public IFxBase
{
public:
    struct Edit
    {
        char kind; // 'b' begin, 'p' perform, 'e' end
        int paramIdx;
        double value;
    };

    static constexpr int kUniqueID = 0x54737431; // "Tst1"

    TestAdapter(int nParams, const char* channelIO, int nPresets = 1, int latency = 0,
                bool doesChunks = false, int uniqueID = kUniqueID)
        : IFxBase(nParams, channelIO, nPresets, "Test", "", "Maker", 0x00010100, uniqueID,
                  0x4D6B7231, latency, false, doesChunks, false, kAPIVST3)
    {
    }

    void BeginInformHostOfParamChange(int idx) override { mEdits.push_back({'b', idx, 0.0}); }
    void InformHostOfParamChange(int idx, double v) override { mEdits.push_back({'p', idx, v}); }
    void EndInformHostOfParamChange(int idx) override { mEdits.push_back({'e', idx, 0.0}); }
    void InformHostOfProgramChange() override { ++mProgramChanges; }
    int GetSamplePos() override { return 0; }
    double GetTempo() override { return mTempo; }
    void GetTimeSig(int* num, int* den) override { *num = 4, *den = 4; }
    void GetTime(ITimeInfo*) override {}
    void ResizeGraphics(int, int) override {}
    bool SendMidiMsg(IMidiMsg*) override { return true; }
    void OnParamChange(int idx) override
    {
        IFxBase::OnParamChange(idx);
        mParamChanges.push_back(idx);
    }

    using IFxBase::CreateBypassDelayLine;

    std::vector<Edit> mEdits;
    std::vector<int> mParamChanges;
    double mTempo = 0.0;
    int mProgramChanges = 0;
};
