#pragma once

#include "Coeffs/TRANS_COEFFS/CurveLookup.h"

// Discrete line amplifier (model 1).
using Quad8Curve = LineAmplifierCurve<quad8_table>;

inline double quad8clip(double x)
{
    return Quad8Curve::Curve(Quad8Curve::Index(x));
}
