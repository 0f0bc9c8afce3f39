#pragma once

#include "framework/core/testing/StandInAdapter.h"

// The stand-in adapter, constructed from the options the core tests vary, in that order.
class TestAdapter : public StandInAdapter
{
public:
    TestAdapter(int nParams, const char* channelIO, int nPresets = 1, int latency = 0,
                bool doesChunks = false, int uniqueID = kUniqueID)
        : StandInAdapter(MakeOptions(nParams, channelIO, nPresets, latency, doesChunks, uniqueID))
    {
    }

private:
    static Options MakeOptions(int nParams, const char* channelIO, int nPresets, int latency,
                               bool doesChunks, int uniqueID)
    {
        Options options;
        options.nParams = nParams;
        options.channelIO = channelIO;
        options.nPresets = nPresets;
        options.latency = latency;
        options.doesChunks = doesChunks;
        options.uniqueID = uniqueID;
        return options;
    }
};
