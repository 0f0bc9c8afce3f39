#include "framework/core/ChannelLevels.h"

#include <immintrin.h>

// x86-64-v3 (AVX2 with FMA): four samples per instruction, sixteen a round in four sums, so that
// the adds of one round do not wait for each other; the sums run on across the channels and are
// added up once.

namespace
{

__attribute__((target("avx2,fma"))) double Largest(__m256d v)
{
    const __m128d pair = _mm_max_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
    const double a = _mm_cvtsd_f64(pair), b = _mm_cvtsd_f64(_mm_unpackhi_pd(pair, pair));
    return a > b ? a : b;
}

__attribute__((target("avx2,fma"))) double Total(__m256d v)
{
    const __m128d pair = _mm_add_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1));
    return _mm_cvtsd_f64(_mm_add_sd(pair, _mm_unpackhi_pd(pair, pair)));
}

__attribute__((target("avx2,fma"))) ChannelLevels ScanAvx2(const double* const* channels,
                                                           int nChannels, int n)
{
    const __m256d sign = _mm256_set1_pd(-0.0);
    __m256d peak[4], sum[4];
    for (int k = 0; k < 4; ++k)
        peak[k] = sum[k] = _mm256_setzero_pd();
    // The samples after the last whole round of each channel.
    double tailPeak[4] = {0.0, 0.0, 0.0, 0.0};
    double tailSum[4] = {0.0, 0.0, 0.0, 0.0};
    const int whole = n - n % 16;
    for (int c = 0; c < nChannels; ++c)
    {
        const double* samples = channels[c];
        for (int s = 0; s < whole; s += 16)
            for (int k = 0; k < 4; ++k)
            {
                const __m256d x = _mm256_loadu_pd(samples + s + 4 * k);
                // max answers its second operand when the first is not a number: such samples
                // are skipped, as the scalar scan skips them.
                peak[k] = _mm256_max_pd(_mm256_andnot_pd(sign, x), peak[k]);
                sum[k] = _mm256_fmadd_pd(x, x, sum[k]);
            }
        AddChannelLevels(samples + whole, n - whole, tailPeak, tailSum);
    }
    ChannelLevels levels;
    levels.peak =
        Largest(_mm256_max_pd(_mm256_max_pd(peak[0], peak[1]), _mm256_max_pd(peak[2], peak[3])));
    levels.sumSquares =
        Total(_mm256_add_pd(_mm256_add_pd(sum[0], sum[1]), _mm256_add_pd(sum[2], sum[3])));
    for (int k = 0; k < 4; ++k)
    {
        levels.peak = tailPeak[k] > levels.peak ? tailPeak[k] : levels.peak;
        levels.sumSquares += tailSum[k];
    }
    return levels;
}

} // namespace

ChannelLevelScan FastestChannelLevelScan()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
        return ScanAvx2;
    return ScanChannelLevels;
}
