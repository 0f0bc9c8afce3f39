#pragma once

#include "Coeffs/TRANS_COEFFS/CurveTable.h"
#include "Coeffs/TRANS_COEFFS/CurveTables.h"

// SRPP tube stage; asymmetric: negative input reads its own table.
inline double TUBETRANS_HARM(double x)
{
    const CurveTable& table = std::signbit(x) ? srpp_neg_table : srpp_table;
    return WithSignOf(LookupCurve(table, std::fabs(x) * kAmplifierScale), x);
}

inline double srppclip(double x)
{
    return WithSignOf(LookupCurve(srpp_table, std::fabs(x) * kAmplifierScale), x);
}
