#pragma once

#include "Coeffs/Lanes.h"
#include "Coeffs/TRANS_COEFFS/CurveTable.h"
#include "Coeffs/TRANS_COEFFS/CurveTables.h"

// A curve table widened to double and stored as (entry i, entry i + 1) pairs, entry 199 paired
// with itself: one aligned load gives both interpolation points.
struct alignas(16) PairTable
{
    double v[400];
};

constexpr PairTable Pairs(const CurveTable& t)
{
    PairTable p{};
    for (int i = 0; i < 200; ++i)
    {
        p.v[2 * i] = t.values[i];
        p.v[2 * i + 1] = t.values[i < 199 ? i + 1 : 199];
    }
    return p;
}

template <const CurveTable& Table> inline constexpr PairTable kPairs = Pairs(Table);

// What a curve of lane type V reads: the single-precision table itself for one lane, its pairs
// for vectors.
template <const CurveTable& Table, typename V> LANE_INLINE const auto& TableFor()
{
    if constexpr (lanes::kWidth<V> == 1)
        return Table;
    else
        return kPairs<Table>;
}

// A table without negative entries interpolates to values with the sign bit clear (products
// and sums of non-negative numbers, never -0.0).
constexpr bool NonNegative(const CurveTable& t)
{
    for (float v : t.values)
        if (!(v >= 0.0f) || __builtin_copysignf(1.0f, v) < 0.0f)
            return false;
    return true;
}

// The two entries around index i of every lane.
template <typename V> struct Neighbours
{
    V below, next;
};

template <typename V> LANE_INLINE Neighbours<V> Around(const CurveTable& table, std::int32_t i)
{
    static_assert(lanes::kWidth<V> == 1, "the single-precision tables serve one lane");
    return {table.values[i], table.values[i < 199 ? i + 1 : 199]};
}

template <typename V> LANE_INLINE Neighbours<V> Around(const PairTable& table, lanes::Index<V> i)
{
    static_assert(lanes::kWidth<V> >= 2, "the pairs serve vectors");
    using lanes::Pair;
    const auto pairAt = [&](std::uint64_t offset) { return lanes::Load<Pair>(table.v + offset); };
    // The offsets of the pairs, two per 64-bit word: integer moves and shifts take them out of
    // the vector, cheaper than one lane extraction each.
    using Words = typename lanes::Types<lanes::kWidth<V>>::IndexWords;
    const Words offsets = reinterpret_cast<Words>(i + i);
    const auto low = [&](int w) { return pairAt(offsets[w] & 0xffffffffu); };
    const auto high = [&](int w) { return pairAt(offsets[w] >> 32); };
    if constexpr (lanes::kWidth<V> == 2)
    {
        const Pair p0 = low(0), p1 = high(0);
        return {__builtin_shufflevector(p0, p1, 0, 2), __builtin_shufflevector(p0, p1, 1, 3)};
    }
    else
    {
        const V even = __builtin_shufflevector(low(0), low(1), 0, 1, 2, 3);
        const V odd = __builtin_shufflevector(high(0), high(1), 0, 1, 2, 3);
        return {__builtin_shufflevector(even, odd, 0, 4, 2, 6),
                __builtin_shufflevector(even, odd, 1, 5, 3, 7)};
    }
}

// Linear interpolation at u in [0, 199] for every lane.
template <typename Table, typename V> LANE_INLINE V Interpolate(const Table& table, V u)
{
    const lanes::Index<V> i = lanes::ToIndex(u);
    const V f = u - lanes::FromIndex<V>(i);
    const Neighbours<V> p = Around<V>(table, i);
    return (p.next * f) + ((1.0 - f) * p.below);
}

// Interpolation in a table at fractional index t (t >= 0 or NaN). Entry 199 holds from t = 199
// on; a NaN index, or one beyond the range of a 32-bit int, reads as 0 (entry 0).
//
// Branch-free, so loud or silent passages cost no mispredicted branches: the out-of-range cases
// are folded into an index that yields the same value as the direct rule.
template <typename Table, typename V> LANE_INLINE V Lookup(const Table& table, V t)
{
    const V held = t < 199.0 ? t : lanes::Broadcast<V>(199.0);
    return Interpolate(table, t < 2147483648.0 ? held : V{});
}

// For an index known to be below 199 unless it is NaN.
template <typename Table, typename V> LANE_INLINE V LookupBelowEnd(const Table& table, V t)
{
    return Interpolate(table, t < 199.0 ? t : V{});
}

inline double LookupCurve(const CurveTable& table, double t)
{
    return Lookup(table, t);
}

// A curve that reads one table for inputs of either sign, at index abs(x) * scale.
inline double OddCurve(const CurveTable& table, double scale, double x)
{
    return lanes::WithSignOf(LookupCurve(table, std::fabs(x) * scale), x);
}

// The line amplifiers compress their input as abs(x) / (abs(x) + 3) into [0, 1) before the
// lookup, so they never reach entry 143. Two steps, which the chain runs apart: the table index
// carrying the input's sign, then the curve.
template <const CurveTable& Table> struct LineAmplifierCurve
{
    template <typename V> static LANE_INLINE V Index(V x)
    {
        const V m = lanes::Abs(x);
        return lanes::WithSignOf((m / (m + 3.0)) * kAmplifierScale, x);
    }

    template <typename V> static LANE_INLINE V Curve(V signedIndex)
    {
        static_assert(NonNegative(Table));
        return lanes::WithSignOfNonNegative(
            LookupBelowEnd(TableFor<Table, V>(), lanes::Abs(signedIndex)), signedIndex);
    }
};
