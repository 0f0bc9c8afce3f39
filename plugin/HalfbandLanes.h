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
    // Half the lanes, as floats and as doubles: a vector of doubles as wide as the floats' one.
    typedef float Half __attribute__((vector_size(2 * Width)));
    typedef double Doubles __attribute__((vector_size(4 * Width)));
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

template <typename V> HALFBAND_INLINE V Zero()
{
    return V{};
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

// The filter's side taps at Count consecutive runs of lanes of L: x holds 2 * Pairs - 1 samples
// of history before the first output's own sample, and the taps pair up around the middle of each
// window. The sums are independent, so that their additions need not wait for each other.
template <typename L, int Count, size_t Taps>
HALFBAND_INLINE void SideTaps(const float* x, const std::array<float, Taps>& taps, L (&sums)[Count])
{
    constexpr int width = kWidth<L>;
    constexpr int pairs = static_cast<int>(Taps) / width;
    for (int s = 0; s < Count; ++s)
        sums[s] = Zero<L>();
    for (int i = 0; i < pairs; ++i)
    {
        const L tap = Load<L>(taps.data() + i * width);
        for (int s = 0; s < Count; ++s)
        {
            const float* w = x + s * width;
            sums[s] += tap * (Load<L>(w + pairs + i) + Load<L>(w + pairs - 1 - i));
        }
    }
}

template <int Width> struct HalfbandLanes
{
    using V = typename Floats<Width>::Lanes;
    // Independent sums in flight: the additions of one sum wait for each other.
    static constexpr int kSums = 4;

    // out[2k] is the filter, out[2k + 1] the input delayed to the filter's centre.
    template <int Stage> static HALFBAND_INLINE void Up(const float* in, float* out, int n)
    {
        constexpr int pairs = kPairs<Stage>;
        Filter<Stage, 2>(in, n,
                         [&](int k, auto sum)
                         {
                             if constexpr (std::is_same_v<decltype(sum), float>)
                             {
                                 out[2 * k] = sum;
                                 out[2 * k + 1] = in[k + pairs];
                             }
                             else
                                 Interleave(out + 2 * k, sum, Load<V>(in + k + pairs));
                         });
    }

    // The filter at every second input: the even phase through the side taps, plus the centre
    // tap's half of the odd phase.
    template <int Stage>
    static HALFBAND_INLINE void Down(const float* even, const float* odd, float* out, int n)
    {
        Filter<Stage, 1>(even, n,
                         [&](int k, auto sum)
                         {
                             using L = decltype(sum);
                             Store(out + k, sum + 0.5f * Load<L>(odd + k + kPairs<Stage> - 1));
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

    static HALFBAND_INLINE void Widen(const float* in, double* out, int n)
    {
        int k = 0;
        for (; k + Width / 2 <= n; k += Width / 2)
            Store(out + k, __builtin_convertvector(Load<H>(in + k), D));
        for (; k < n; ++k)
            out[k] = static_cast<double>(in[k]);
    }

    static HALFBAND_INLINE void Narrow(const double* in, float* out, int n)
    {
        int k = 0;
        for (; k + Width / 2 <= n; k += Width / 2)
            Store(out + k, __builtin_convertvector(Load<D>(in + k), H));
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

    using H = typename Floats<Width>::Half;
    using D = typename Floats<Width>::Doubles;
    using Indices = std::make_index_sequence<Width>;

    static HALFBAND_INLINE V Narrowed(const float* in) { return Load<V>(in); }
    static HALFBAND_INLINE V Narrowed(const double* in)
    {
        const H low = __builtin_convertvector(Load<D>(in), H);
        const H high = __builtin_convertvector(Load<D>(in + Width / 2), H);
        return Join(low, high, Indices());
    }

    template <size_t... Lane>
    static HALFBAND_INLINE V Join(H low, H high, std::index_sequence<Lane...>)
    {
        return __builtin_shufflevector(low, high, Lane...);
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
    static HALFBAND_INLINE void Interleave(float* out, V filtered, V delayed)
    {
        Store(out, Zip(filtered, delayed, Indices(), 0));
        Store(out + Width, Zip(filtered, delayed, Indices(), Width / 2));
    }

    template <size_t... Lane>
    static HALFBAND_INLINE V Zip(V a, V b, std::index_sequence<Lane...>, int from)
    {
        return from ? __builtin_shufflevector(a, b, (Width / 2 + Lane / 2 + (Lane % 2) * Width)...)
                    : __builtin_shufflevector(a, b, (Lane / 2 + (Lane % 2) * Width)...);
    }
};

} // namespace halfband
