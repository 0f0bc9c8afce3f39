#include "framework/core/SampleConversion.h"

#include <immintrin.h>

// x86-64-v3 (AVX2): four samples per instruction, 32 a round; the measuring forms (AVX2 with FMA)
// sixteen a round, scanned eight 32-bit samples per instruction.

namespace
{

__attribute__((target("avx2"))) void Convert4(const float* src, double* dst)
{
    _mm256_storeu_pd(dst, _mm256_cvtps_pd(_mm_loadu_ps(src)));
}

__attribute__((target("avx2"))) void Convert4(const double* src, float* dst)
{
    _mm_storeu_ps(dst, _mm256_cvtpd_ps(_mm256_loadu_pd(src)));
}

template <class From, class To>
__attribute__((target("avx2"))) void ConvertAvx2(const From* src, To* dst, int n)
{
    int s = 0;
    for (; s + 32 <= n; s += 32)
        for (int k = s; k < s + 32; k += 4)
            Convert4(src + k, dst + k);
    for (; s + 4 <= n; s += 4)
        Convert4(src + s, dst + s);
    ConvertSamples(src + s, dst + s, n - s);
}

// The levels of the eight 32-bit samples each round carries, in two peaks and two sums of eight
// lanes. The sums of a block are short enough for single precision.
struct LevelLanes
{
    __m256 peak[2], sum[2];
};

__attribute__((target("avx2,fma"))) void AddLanes(LevelLanes& lanes, int k, __m256 x)
{
    // max answers its second operand when the first is not a number: such samples are skipped,
    // as the scalar scan skips them.
    lanes.peak[k] = _mm256_max_ps(_mm256_andnot_ps(_mm256_set1_ps(-0.0f), x), lanes.peak[k]);
    lanes.sum[k] = _mm256_fmadd_ps(x, x, lanes.sum[k]);
}

__attribute__((target("avx2,fma"))) void MergeLanes(const LevelLanes& lanes, ChannelLevels* levels)
{
    float peak[8], sum[8];
    _mm256_storeu_ps(peak, _mm256_max_ps(lanes.peak[0], lanes.peak[1]));
    _mm256_storeu_ps(sum, _mm256_add_ps(lanes.sum[0], lanes.sum[1]));
    double total = 0.0;
    for (int k = 0; k < 8; ++k)
    {
        levels->peak = peak[k] > levels->peak ? peak[k] : levels->peak;
        total += sum[k];
    }
    levels->sumSquares += total;
}

// Sixteen samples a round through convert8, which converts and stores the eight from a sample
// and answers them in single precision, into the levels; answers how many samples it took.
template <class Convert8>
__attribute__((target("avx2,fma"), always_inline)) inline int
ConvertMeasuring(int n, ChannelLevels* levels, const Convert8& convert8)
{
    LevelLanes lanes = {{_mm256_setzero_ps(), _mm256_setzero_ps()},
                        {_mm256_setzero_ps(), _mm256_setzero_ps()}};
    int s = 0;
    for (; s + 16 <= n; s += 16)
        for (int k = 0; k < 2; ++k)
            AddLanes(lanes, k, convert8(s + 8 * k));
    MergeLanes(lanes, levels);
    return s;
}

struct Widen8
{
    const float* src;
    double* dst;
    __attribute__((target("avx2"), always_inline)) __m256 operator()(int at) const
    {
        const __m256 x = _mm256_loadu_ps(src + at);
        _mm256_storeu_pd(dst + at, _mm256_cvtps_pd(_mm256_castps256_ps128(x)));
        _mm256_storeu_pd(dst + at + 4, _mm256_cvtps_pd(_mm256_extractf128_ps(x, 1)));
        return x;
    }
};

struct Narrow8
{
    const double* src;
    float* dst;
    __attribute__((target("avx2"), always_inline)) __m256 operator()(int at) const
    {
        const __m128 low = _mm256_cvtpd_ps(_mm256_loadu_pd(src + at));
        const __m128 high = _mm256_cvtpd_ps(_mm256_loadu_pd(src + at + 4));
        const __m256 x = _mm256_insertf128_ps(_mm256_castps128_ps256(low), high, 1);
        _mm256_storeu_ps(dst + at, x);
        return x;
    }
};

__attribute__((target("avx2,fma"))) void WidenMeasuringAvx2(const float* src, double* dst, int n,
                                                            ChannelLevels* levels)
{
    const int s = ConvertMeasuring(n, levels, Widen8{src, dst});
    WidenSamplesMeasuring(src + s, dst + s, n - s, levels);
}

__attribute__((target("avx2,fma"))) void NarrowMeasuringAvx2(const double* src, float* dst, int n,
                                                             ChannelLevels* levels)
{
    const int s = ConvertMeasuring(n, levels, Narrow8{src, dst});
    NarrowSamplesMeasuring(src + s, dst + s, n - s, levels);
}

} // namespace

SampleConverters FastestSampleConverters()
{
    __builtin_cpu_init();
    SampleConverters converters = BaselineSampleConverters();
    if (__builtin_cpu_supports("avx2"))
    {
        converters.widen = ConvertAvx2<float, double>;
        converters.narrow = ConvertAvx2<double, float>;
    }
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
    {
        converters.widenMeasuring = WidenMeasuringAvx2;
        converters.narrowMeasuring = NarrowMeasuringAvx2;
    }
    return converters;
}
