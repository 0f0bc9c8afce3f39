#pragma once

#include "util/channellevels.h"

// A level meter reads every sample of every channel of every block, so the scan runs over each
// side's channels once a block and must stay a small part of the signal chain's cost. The paths
// of a CPU may differ in the last bits of the sum (a meter shows tenths of a decibel), never in
// the peak.
using ChannelLevelScan = ChannelLevels (*)(const double* const* channels, int nChannels, int n);

// The scan every CPU runs: n samples of each channel.
inline ChannelLevels ScanChannelLevels(const double* const* channels, int nChannels, int n)
{
    double peak[4] = {0.0, 0.0, 0.0, 0.0};
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    for (int c = 0; c < nChannels; ++c)
        AddChannelLevels(channels[c], n, peak, sum);
    ChannelLevels levels;
    MergeChannelLevels(peak, sum, &levels);
    return levels;
}

// The fastest scan of this CPU, chosen once when the module loads (one file per architecture).
ChannelLevelScan FastestChannelLevelScan();

// The levels of each of nChannels channels of n samples on its own, with the fastest scan.
void ScanEachChannel(const double* const* channels, int nChannels, int n, ChannelLevels* levels);
