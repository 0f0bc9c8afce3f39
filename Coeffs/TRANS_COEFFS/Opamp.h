#pragma once

#include "Coeffs/TRANS_COEFFS/CurveTable.h"
#include "Coeffs/TRANS_COEFFS/CurveTables.h"

// Integrated line amplifier (model 2).
inline double Nklineampclip(double x)
{
    return WithSignOf(LookupCurve(Nklineamp_table, CompressedIndex(x)), x);
}
