#pragma once

#include "Coeffs/TRANS_COEFFS/CurveLookup.h"

// SRPP tube stage (model 0), for any lane type. Two steps, which the chain runs apart: the
// table index carrying the input's sign, then the curve.
struct SrppCurve
{
    template <typename V> static LANE_INLINE V Index(V x)
    {
        return lanes::WithSignOf(lanes::Abs(x) * kAmplifierScale, x);
    }

    template <typename V> static LANE_INLINE V Curve(V signedIndex)
    {
        return lanes::WithSignOf(Lookup(TableFor<srpp_table, V>(), lanes::Abs(signedIndex)),
                                 signedIndex);
    }
};

inline double srppclip(double x)
{
    return SrppCurve::Curve(SrppCurve::Index(x));
}

// Asymmetric: negative input reads its own table.
inline double TUBETRANS_HARM(double x)
{
    return OddCurve(std::signbit(x) ? srpp_neg_table : srpp_table, kAmplifierScale, x);
}
