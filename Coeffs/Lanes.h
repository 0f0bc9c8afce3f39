#pragma once

// Arithmetic written once for a plain double and for vectors of doubles side by side (the
// vector extensions gcc and clang share). The curves, the filters and the chain are written over
// a lane type V with these, so every lane of a vector is rounded exactly as the double is.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

// The lane helpers run several times per frame in the chain; a call would force every vector
// register the loop keeps live out to memory (they are all caller-saved).
#define LANE_INLINE inline __attribute__((always_inline))

namespace lanes
{

template <int Width> struct Types
{
    typedef double Lanes __attribute__((vector_size(8 * Width)));
    typedef std::int32_t Index __attribute__((vector_size(4 * Width)));
    typedef std::uint64_t IndexWords __attribute__((vector_size(4 * Width)));
};

template <> struct Types<1>
{
    using Lanes = double;
    using Index = std::int32_t;
};

template <typename V> constexpr int kWidth = sizeof(V) / sizeof(double);
template <typename V> using Index = typename Types<kWidth<V>>::Index;

using Pair = Types<2>::Lanes; // one frame: left, right
using Quad = Types<4>::Lanes;

template <typename V> LANE_INLINE V Broadcast(double x)
{
    if constexpr (kWidth<V> == 1)
        return x;
    else
    {
        V v;
        for (int i = 0; i < kWidth<V>; ++i)
            v[i] = x;
        return v;
    }
}

template <typename V> LANE_INLINE V Load(const double* p)
{
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename V> LANE_INLINE void Store(double* p, V v)
{
    std::memcpy(p, &v, sizeof v);
}

// Truncation toward zero, and back.
template <typename V> LANE_INLINE Index<V> ToIndex(V u)
{
    if constexpr (kWidth<V> == 1)
        return static_cast<std::int32_t>(u);
    else
        return __builtin_convertvector(u, Index<V>);
}

template <typename V, std::size_t... Lane>
LANE_INLINE V FromIndexLanes(Index<V> i, std::index_sequence<Lane...>)
{
    return V{static_cast<double>(i[Lane])...};
}

template <typename V> LANE_INLINE V FromIndex(Index<V> i)
{
    if constexpr (kWidth<V> == 1)
        return static_cast<double>(i);
    else
        // Lane by lane: gcc 12 widens with __builtin_convertvector in two halves and a shuffle,
        // but builds this as the one conversion instruction.
        return FromIndexLanes<V>(i, std::make_index_sequence<kWidth<V>>());
}

template <typename V> LANE_INLINE V Abs(V x)
{
    if constexpr (kWidth<V> == 1)
        return std::fabs(x);
    else
    {
        using B = decltype(x < x);
        return reinterpret_cast<V>(reinterpret_cast<B>(x) & ~Broadcast<B>(INT64_MIN));
    }
}

// The magnitude of a value with the sign bit of x (-0.0 and NaN included).
template <typename V> LANE_INLINE V WithSignOf(V magnitude, V x)
{
    if constexpr (kWidth<V> == 1)
        return std::copysign(std::fabs(magnitude), x);
    else
    {
        using B = decltype(x < x);
        const B sign = Broadcast<B>(INT64_MIN);
        return reinterpret_cast<V>((reinterpret_cast<B>(magnitude) & ~sign) |
                                   (reinterpret_cast<B>(x) & sign));
    }
}

// The same for a magnitude whose sign bit is known to be clear.
template <typename V> LANE_INLINE V WithSignOfNonNegative(V magnitude, V x)
{
    if constexpr (kWidth<V> == 1)
        return std::copysign(magnitude, x);
    else
    {
        using B = decltype(x < x);
        return reinterpret_cast<V>(reinterpret_cast<B>(magnitude) |
                                   (reinterpret_cast<B>(x) & Broadcast<B>(INT64_MIN)));
    }
}

} // namespace lanes
