// The plug-in base with a stand-in for the host adapter, for code that drives the base where no
// host is involved: the tests, the fuzz targets and the benchmarks.
#pragma once

#include "framework/core/IFxBase.h"

#include <string>
#include <vector>

// Answers the host-facing operations with fixed values and, unless told not to, records what the
// base told the host. Its parameters are left for the user to initialise, as a plug-in does.
class StandInAdapter : public IFxBase
{
public:
    static constexpr int kUniqueID = 0x54737431; // "Tst1"

    struct Options
    {
        int nParams = 0;
        const char* channelIO = "2-2";
        int nPresets = 1;
        int latency = 0;
        bool doesChunks = false;
        int uniqueID = kUniqueID;
        const char* effectName = "Test";
        const char* mfrName = "Maker";
        int version = 0x00010100;
        int mfrID = 0x4D6B7231; // "Mkr1"
        EAPI api = kAPIVST3;
        double tempo = 0.0;
        // Fuzz targets and benchmarks run for long and read none of the records.
        bool recordsHost = true;
    };

    struct Edit
    {
        char kind; // 'b' begin, 'p' perform, 'e' end
        int paramIdx;
        double value;
    };

    explicit StandInAdapter(const Options& options)
        : IFxBase(options.nParams, options.channelIO, options.nPresets, options.effectName, "",
                  options.mfrName, options.version, options.uniqueID, options.mfrID,
                  options.latency, false, options.doesChunks, false, options.api),
          mTempo(options.tempo), mRecordsHost(options.recordsHost)
    {
    }

    void BeginInformHostOfParamChange(int idx) override { Record({'b', idx, 0.0}); }
    void InformHostOfParamChange(int idx, double v) override { Record({'p', idx, v}); }
    void EndInformHostOfParamChange(int idx) override { Record({'e', idx, 0.0}); }
    void InformHostOfProgramChange() override
    {
        if (mRecordsHost)
            ++mProgramChanges;
    }
    int GetSamplePos() override { return 0; }
    double GetTempo() override { return mTempo; }
    void GetTimeSig(int* num, int* den) override { *num = 4, *den = 4; }
    void GetTime(ITimeInfo*) override {}
    void ResizeGraphics(int w, int h) override
    {
        if (mRecordsHost)
            mResizes.push_back({w, h});
    }
    bool SendMidiMsg(IMidiMsg*) override { return true; }
    void PopupHostContextMenuForParam(int idx, int x, int y) override
    {
        if (mRecordsHost)
            mContextMenus.push_back({idx, x, y});
    }
    void OnParamChange(int idx) override
    {
        IFxBase::OnParamChange(idx);
        if (mRecordsHost)
            mParamChanges.push_back(idx);
    }

    // The edit kinds in order, e.g. "bppe".
    std::string EditKinds() const
    {
        std::string kinds;
        for (const Edit& e : mEdits)
            kinds.push_back(e.kind);
        return kinds;
    }

    using IFxBase::CreateBypassDelayLine;

    std::vector<Edit> mEdits;
    std::vector<int> mParamChanges;
    std::vector<std::vector<int>> mResizes;
    std::vector<std::vector<int>> mContextMenus;
    double mTempo;
    int mProgramChanges = 0;

private:
    void Record(const Edit& edit)
    {
        if (mRecordsHost)
            mEdits.push_back(edit);
    }

    bool mRecordsHost;
};
