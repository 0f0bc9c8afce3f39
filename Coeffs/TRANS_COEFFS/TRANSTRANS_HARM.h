#pragma once

#include "Coeffs/TRANS_COEFFS/CurveLookup.h"

constexpr bool Mirrors(const CurveTable& negative, const CurveTable& positive)
{
    for (int i = 0; i < 200; ++i)
        if (negative.values[i] != -positive.values[i])
            return false;
    return true;
}

// Transformer curve, for any lane type. Its negative half reads a table that mirrors the
// positive one exactly, so the positive table's value with the input's sign is the same number:
// one table serves both signs.
template <typename V> LANE_INLINE V TransformerCurve(V x)
{
    static_assert(Mirrors(transtrans_neg_table, transtrans_table));
    static_assert(NonNegative(transtrans_table));
    return lanes::WithSignOfNonNegative(
        Lookup(TableFor<transtrans_table, V>(), lanes::Abs(x) * kTransformerScale), x);
}

inline double TRANSTRANS_HARM(double x)
{
    return TransformerCurve(x);
}

inline double transtransclip(double x)
{
    return OddCurve(transtrans_table, kTransformerScale, x);
}

inline double transtrans_negclip(double x)
{
    return OddCurve(transtrans_neg_table, kTransformerScale, x);
}
