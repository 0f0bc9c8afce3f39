#pragma once

// The oversampler's filter arithmetic, written once for vectors of Width floats: Width consecutive
// samples of one channel side by side. Each code path includes this and instantiates it for its
// own instruction set; every lane runs the same operations in the same order as the one-sample
// tail, so all paths give the same bits (the tests compare them).
//
// The filters compute in single precision: their rounding noise stays about 125 dB below the
// signal, under the 100 dB their stopbands keep, and eight lanes to a vector instead of four
// halve the cost of the first stage, which outweighs everything else the oversampler does.

#include "plugin/HalfbandCoefficients.h"
#include "plugin/HalfbandPath.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#define HALFBAND_INLINE inline __attribute__((always_inline))

namespace halfband
{

template <int Width> struct Floats
{
    typedef float Lanes __attribute__((vector_size(4 * Width)));
    // As many doubles, and half as many in a vector as wide as the floats' one. gcc converts
    // between Lanes and Doubles a machine vector at a time, where it would take a vector of
    // floats apart through memory; Doubles are stored as two HalfDoubles, since gcc stores a
    // vector wider than the machine's through the stack.
    typedef double Doubles __attribute__((vector_size(8 * Width)));
    typedef double HalfDoubles __attribute__((vector_size(4 * Width)));
};
template <> struct Floats<1>
{
    using Lanes = float;
};

template <typename V> constexpr int kWidth = sizeof(V) / sizeof(float);

template <typename V, typename Sample> HALFBAND_INLINE V Load(const Sample* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V, typename Sample> HALFBAND_INLINE void Store(Sample* p, V v)
{
    std::memcpy(p, &v, sizeof v);
}

// The stages in the order the signal goes up through them: host rate <-> 2x, 2x <-> 4x, 4x <-> 8x.
template <int Stage> constexpr const auto& Design()
{
    if constexpr (Stage == 0)
        return kHalfband2x;
    else if constexpr (Stage == 1)
        return kHalfband4x;
    else
        return kHalfband8x;
}

template <int Stage> constexpr int kPairs = static_cast<int>(Design<Stage>().size());

// The taps in single precision, times gain, each repeated across Width lanes: loaded as a vector,
// since gcc builds a vector of equal lanes from one float as a chain of inserts. Upsampling puts a
// zero between samples, halving the level; the taps twice over (an exact doubling) give it back.
template <int Stage, int Width>
constexpr std::array<float, kPairs<Stage> * Width> TapLanes(float gain)
{
    std::array<float, kPairs<Stage> * Width> taps{};
    for (size_t i = 0; i < taps.size(); ++i)
        taps[i] = gain * static_cast<float>(Design<Stage>()[i / Width]);
    return taps;
}

// Keeps v in a register at this point of the program, in the order of the program: without it,
// gcc is free to load a value again rather than keep it, and to finish one sum before it starts
// the next, so that every addition waits for the one before.
template <typename L> HALFBAND_INLINE void Pin(L& v)
{
#if defined(__x86_64__) || defined(__i386__)
    __asm__ volatile("" : "+x"(v));
#elif defined(__aarch64__)
    __asm__ volatile("" : "+w"(v));
#endif
}

// The pairs of taps go in strides of kStride, the first of every stride, then the second of
// every stride ...: between pairs kStride apart the windows of runs kStride samples apart are the
// same, so each step loads only the samples that the runs have not yet loaded, instead of two
// vectors per run. The order is the same at every width, so all paths give the same bits.
constexpr int kStride = 8;

// The filter's side taps at Count consecutive runs of lanes of L: x holds 2 * Pairs - 1 samples
// of history before the first output's own sample, and the taps pair up around the middle of each
// window. The sums are independent, so that their additions need not wait for each other.
template <typename L, int Count, size_t Taps>
HALFBAND_INLINE void SideTaps(const float* x, const std::array<float, Taps>& taps, L (&sums)[Count])
{
    constexpr int width = kWidth<L>;
    constexpr int pairs = static_cast<int>(Taps) / width;
    // Runs between the windows of one run at pairs i and i + kStride.
    constexpr int shift = kStride / width;
    // The first pair's products start the sums: one addition fewer than adding them to zero.
    if constexpr (pairs <= kStride)
    {
        // A stride or less: every window is loaded once anyway.
        for (int i = 0; i < pairs; ++i)
        {
            const L tap = Load<L>(taps.data() + i * width);
            for (int s = 0; s < Count; ++s)
            {
                const float* w = x + s * width;
                const L product = tap * (Load<L>(w + pairs + i) + Load<L>(w + pairs - 1 - i));
                sums[s] = i == 0 ? product : sums[s] + product;
            }
        }
    }
    else
    {
#pragma GCC unroll 8
        for (int first = 0; first < kStride && first < pairs; ++first)
        {
            L right[Count], left[Count];
#pragma GCC unroll 8
            for (int i = first; i < pairs; i += kStride)
            {
                const bool reuse = i != first;
#pragma GCC unroll 8
                for (int s = 0; s < Count; ++s)
                {
                    right[s] = reuse && s + shift < Count ? right[s + shift]
                                                          : Load<L>(x + s * width + pairs + i);
                    Pin(right[s]);
                }
#pragma GCC unroll 8
                for (int s = Count - 1; s >= 0; --s)
                {
                    left[s] = reuse && s >= shift ? left[s - shift]
                                                  : Load<L>(x + s * width + pairs - 1 - i);
                    Pin(left[s]);
                }
                L tap = Load<L>(taps.data() + i * width);
                Pin(tap);
#pragma GCC unroll 8
                for (int s = 0; s < Count; ++s)
                {
                    const L product = tap * (right[s] + left[s]);
                    sums[s] = i == 0 ? product : sums[s] + product;
                    Pin(sums[s]);
                }
            }
        }
    }
}

template <int Width> struct HalfbandLanes
{
    using V = typename Floats<Width>::Lanes;
    // Independent sums in flight: the additions of one sum wait for each other.
    static constexpr int kSums = 4;

    // out[2k] is the filter, out[2k + 1] the input delayed to the filter's centre. Out is float
    // for the next stage, double for the process.
    template <int Stage, typename Out>
    static HALFBAND_INLINE void Up(const float* in, Out* out, int n)
    {
        constexpr int pairs = kPairs<Stage>;
        Filter<Stage, 2>(in, n,
                         [&](int k, auto sum)
                         {
                             if constexpr (std::is_same_v<decltype(sum), float>)
                             {
                                 out[2 * k] = static_cast<Out>(sum);
                                 out[2 * k + 1] = static_cast<Out>(in[k + pairs]);
                             }
                             else
                                 Interleave(out + 2 * k, sum, Load<V>(in + k + pairs));
                         });
    }

    // The filter at every second input: the even phase through the side taps, plus the centre
    // tap's half of the odd phase. Out is float for the next stage, double for the host.
    template <int Stage, typename Out>
    static HALFBAND_INLINE void Down(const float* even, const float* odd, Out* out, int n)
    {
        Filter<Stage, 1>(even, n,
                         [&](int k, auto sum)
                         {
                             using L = decltype(sum);
                             Put(out + k, sum + 0.5f * Load<L>(odd + k + kPairs<Stage> - 1));
                         });
    }

    // 2n samples into their even and odd phases, in single precision.
    template <typename Sample>
    static HALFBAND_INLINE void Split(const Sample* in, float* even, float* odd, int n)
    {
        int k = 0;
        for (; k + Width <= n; k += Width)
        {
            const V a = Narrowed(in + 2 * k);
            const V b = Narrowed(in + 2 * k + Width);
            Store(even + k, Pick(a, b, Indices(), 0));
            Store(odd + k, Pick(a, b, Indices(), 1));
        }
        for (; k < n; ++k)
        {
            even[k] = static_cast<float>(in[2 * k]);
            odd[k] = static_cast<float>(in[2 * k + 1]);
        }
    }

    static HALFBAND_INLINE void Narrow(const double* in, float* out, int n)
    {
        int k = 0;
        for (; k + Width <= n; k += Width)
            Store(out + k, Narrowed(in + k));
        for (; k < n; ++k)
            out[k] = static_cast<float>(in[k]);
    }

private:
    // The side taps (times Gain) over x at n outputs: emit(k, sum) takes the sums of the outputs
    // from k on, a vector at a time, then one at a time for the rest.
    template <int Stage, int Gain, typename Emit>
    static HALFBAND_INLINE void Filter(const float* x, int n, Emit&& emit)
    {
        static constexpr auto taps = TapLanes<Stage, Width>(static_cast<float>(Gain));
        static constexpr auto tap = TapLanes<Stage, 1>(static_cast<float>(Gain));
        int k = 0;
        for (; k + kSums * Width <= n; k += kSums * Width)
        {
            V sums[kSums];
            SideTaps(x + k, taps, sums);
            for (int s = 0; s < kSums; ++s)
                emit(k + s * Width, sums[s]);
        }
        for (; k < n; ++k)
        {
            float sum[1];
            SideTaps(x + k, tap, sum);
            emit(k, sum[0]);
        }
    }

    using D = typename Floats<Width>::Doubles;
    using HalfD = typename Floats<Width>::HalfDoubles;
    using Indices = std::make_index_sequence<Width>;
    using HalfIndices = std::make_index_sequence<Width / 2>;

    static HALFBAND_INLINE V Narrowed(const float* in) { return Load<V>(in); }
    static HALFBAND_INLINE V Narrowed(const double* in)
    {
        return __builtin_convertvector(Load<D>(in), V);
    }

    // Every second lane of a then b, from lane phase on.
    template <size_t... Lane>
    static HALFBAND_INLINE V Pick(V a, V b, std::index_sequence<Lane...>, int phase)
    {
        return phase ? __builtin_shufflevector(a, b, (2 * Lane + 1)...)
                     : __builtin_shufflevector(a, b, (2 * Lane)...);
    }

    // filtered[0], delayed[0], filtered[1], delayed[1] ... into 2 * Width samples, a vector at a
    // time: gcc builds shuffles into a vector wider than the machine's lane by lane.
    template <typename Out> static HALFBAND_INLINE void Interleave(Out* out, V filtered, V delayed)
    {
        Put(out, Zip(filtered, delayed, Indices(), 0));
        Put(out + Width, Zip(filtered, delayed, Indices(), Width / 2));
    }

    // Stores v, widened where the samples are doubles: exactly, so the bits are the filters'.
    static HALFBAND_INLINE void Put(float* out, float v) { *out = v; }
    static HALFBAND_INLINE void Put(double* out, float v) { *out = static_cast<double>(v); }
    static HALFBAND_INLINE void Put(float* out, V v) { Store(out, v); }
    static HALFBAND_INLINE void Put(double* out, V v)
    {
        const D wide = __builtin_convertvector(v, D);
        Store(out, Half(wide, HalfIndices(), 0));
        Store(out + Width / 2, Half(wide, HalfIndices(), Width / 2));
    }

    template <size_t... Lane>
    static HALFBAND_INLINE HalfD Half(D wide, std::index_sequence<Lane...>, int from)
    {
        return from ? __builtin_shufflevector(wide, wide, (Width / 2 + Lane)...)
                    : __builtin_shufflevector(wide, wide, Lane...);
    }

    template <size_t... Lane>
    static HALFBAND_INLINE V Zip(V a, V b, std::index_sequence<Lane...>, int from)
    {
        return from ? __builtin_shufflevector(a, b, (Width / 2 + Lane / 2 + (Lane % 2) * Width)...)
                    : __builtin_shufflevector(a, b, (Lane / 2 + (Lane % 2) * Width)...);
    }
};

// The table of a path whose functions are the static members of Kernels.
template <typename Kernels> constexpr HalfbandPath PathOf()
{
    return {{Kernels::template Up<0, float>, Kernels::template Up<1, float>},
            {Kernels::template Up<0, double>, Kernels::template Up<1, double>,
             Kernels::template Up<2, double>},
            {Kernels::template Down<1, float>, Kernels::template Down<2, float>},
            Kernels::template Down<0, double>,
            Kernels::template Split<double>,
            Kernels::template Split<float>,
            Kernels::Narrow};
}

} // namespace halfband
