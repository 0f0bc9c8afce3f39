#pragma once

#include "Coeffs/TRANS_COEFFS/CurveTable.h"
#include "Coeffs/TRANS_COEFFS/CurveTables.h"

// Discrete line amplifier (model 1).
inline double quad8clip(double x)
{
    return WithSignOf(LookupCurve(quad8_table, CompressedIndex(x)), x);
}
