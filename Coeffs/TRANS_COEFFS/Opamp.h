#pragma once

#include "Coeffs/TRANS_COEFFS/CurveLookup.h"

// Integrated line amplifier (model 2).
using NklineampCurve = LineAmplifierCurve<Nklineamp_table>;

inline double Nklineampclip(double x)
{
    return NklineampCurve::Curve(NklineampCurve::Index(x));
}
