#pragma once

#include "Coeffs/TRANS_COEFFS/CurveTable.h"
#include "Coeffs/TRANS_COEFFS/CurveTables.h"

// Transformer curve; the negative half reads its own (mirrored) table.
inline double TRANSTRANS_HARM(double x)
{
    const CurveTable& table = std::signbit(x) ? transtrans_neg_table : transtrans_table;
    return WithSignOf(LookupCurve(table, std::fabs(x) * kTransformerScale), x);
}

inline double transtransclip(double x)
{
    return WithSignOf(LookupCurve(transtrans_table, std::fabs(x) * kTransformerScale), x);
}

inline double transtrans_negclip(double x)
{
    return WithSignOf(LookupCurve(transtrans_neg_table, std::fabs(x) * kTransformerScale), x);
}
