#pragma once

#include "util/channellevels.h"

// A level meter reads every sample of every channel of every block, so the scan runs over each
// side's channels once a block and must stay a small part of the signal chain's cost. The paths
// of a CPU may differ in the last bits of the sum (a meter shows tenths of a decibel), never in
// the peak.
using ChannelLevelScan = ChannelLevels (*)(const double* const* channels, int nChannels, int n);

// Adds n samples (64-bit, or a 32-bit host's own) to four peaks and four sums side by side, so
// that no add waits for the one before it.
template <class Sample>
void AddChannelLevels(const Sample* samples, int n, double* peak, double* sum)
{
    int s = 0;
    for (; s + 4 <= n; s += 4)
        for (int k = 0; k < 4; ++k)
        {
            const double x = samples[s + k];
            const double magnitude = x < 0.0 ? -x : x;
            peak[k] = magnitude > peak[k] ? magnitude : peak[k];
            sum[k] += x * x;
        }
    for (; s < n; ++s)
    {
        const double x = samples[s];
        const double magnitude = x < 0.0 ? -x : x;
        peak[0] = magnitude > peak[0] ? magnitude : peak[0];
        sum[0] += x * x;
    }
}

// Folds four peaks and four sums into levels.
inline void MergeChannelLevels(const double* peak, const double* sum, ChannelLevels* levels)
{
    for (int k = 0; k < 4; ++k)
        levels->peak = peak[k] > levels->peak ? peak[k] : levels->peak;
    levels->sumSquares += (sum[0] + sum[1]) + (sum[2] + sum[3]);
}

// Adds the levels of n samples of one channel to levels.
template <class Sample> void AddSampleLevels(const Sample* samples, int n, ChannelLevels* levels)
{
    double peak[4] = {0.0, 0.0, 0.0, 0.0};
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    AddChannelLevels(samples, n, peak, sum);
    MergeChannelLevels(peak, sum, levels);
}

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
