#pragma once

#include "framework/core/ChannelLevels.h"

// Hosts in 32 bit have every channel widened into its scratch buffer and narrowed back from it,
// a pass over each channel a block. Every path converts exactly as a scalar cast does (widening
// is exact, narrowing rounds to nearest), so the path a CPU takes never changes the output.
// The measuring forms also add the levels of the 32-bit samples, the ones the host gives and
// gets, to levels: a plug-in with meters makes one pass where it would make two, and scans
// samples half as wide.
struct SampleConverters
{
    void (*widen)(const float* src, double* dst, int n);
    void (*narrow)(const double* src, float* dst, int n);
    void (*widenMeasuring)(const float* src, double* dst, int n, ChannelLevels* levels);
    void (*narrowMeasuring)(const double* src, float* dst, int n, ChannelLevels* levels);
};

template <class From, class To> void ConvertSamples(const From* src, To* dst, int n)
{
    for (int s = 0; s < n; ++s)
        dst[s] = static_cast<To>(src[s]);
}

// Measured on the 32-bit side: the input before it is widened, the output once narrowed.
inline void WidenSamplesMeasuring(const float* src, double* dst, int n, ChannelLevels* levels)
{
    ConvertSamples(src, dst, n);
    AddSampleLevels(src, n, levels);
}

inline void NarrowSamplesMeasuring(const double* src, float* dst, int n, ChannelLevels* levels)
{
    ConvertSamples(src, dst, n);
    AddSampleLevels(dst, n, levels);
}

// The scalar loops, which every CPU runs.
inline SampleConverters BaselineSampleConverters()
{
    return {ConvertSamples<float, double>, ConvertSamples<double, float>, WidenSamplesMeasuring,
            NarrowSamplesMeasuring};
}

// The fastest path of this CPU, chosen once when the module loads (one file per architecture).
SampleConverters FastestSampleConverters();
