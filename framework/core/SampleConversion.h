#pragma once

// Hosts in 32 bit have every channel widened into its scratch buffer and narrowed back from it,
// a pass over each channel a block. Every path converts exactly as a scalar cast does (widening
// is exact, narrowing rounds to nearest), so the path a CPU takes never changes the output.
struct SampleConverters
{
    void (*widen)(const float* src, double* dst, int n);
    void (*narrow)(const double* src, float* dst, int n);
};

template <class From, class To> void ConvertSamples(const From* src, To* dst, int n)
{
    for (int s = 0; s < n; ++s)
        dst[s] = static_cast<To>(src[s]);
}

// The scalar loops, which every CPU runs.
inline SampleConverters BaselineSampleConverters()
{
    return {ConvertSamples<float, double>, ConvertSamples<double, float>};
}

// The fastest path of this CPU, chosen once when the module loads (one file per architecture).
SampleConverters FastestSampleConverters();
