#pragma once

#include "plugin/Biquad.h"

// High shelving stage: about -16 dB at v = 0 to +16 dB at v = 1 at 20 kHz (44.1 and 48 kHz),
// unity at 0 Hz, flat at v = 0.5, polarity inverted. The grouping below is part of the exact
// results.
struct H73 : Biquad
{
    void Calc(double fs, double v) { Coefficients(*this, fs, v); }

    // For any lane type T (see BasicBiquad), into a filter or a BiquadCoefficients.
    template <typename Sets, typename T> static LANE_INLINE void Coefficients(Sets& f, T fs, T v)
    {
        constexpr double h1 = 6.81147611116674e-10;
        constexpr double h2 = -5.68570106117114e-11;
        constexpr double h3 = 2.42315123226797e-06;
        constexpr double h4 = -1.36229522223335e-09;
        constexpr double h5 = -0.00351832443758613;
        constexpr double h6 = 9.90879243374448e-10;
        constexpr double h7 = 1.9817584867489e-09;
        constexpr double h8 = 1.13714021223423e-10;
        constexpr double h9 = -0.00703664887517225;
        constexpr double h10 = 3.66592877326021e-10;
        constexpr double h11 = 2.42319969529262e-06;
        constexpr double h12 = 3.71429601811122e-10;
        constexpr double h13 = -6.81161234068896e-10;
        constexpr double h14 = -7.42859203622244e-10;
        constexpr double h15 = 1.36232246813779e-09;
        constexpr double h16 = -7.33185754652041e-10;
        constexpr double h17 = 0.00351839480407488;
        constexpr double h18 = 0.00703678960814975;

        const T F = fs * fs;
        f.b0 = ((-h3 + h2 * fs) * fs + v * ((h1 * v) * F - h6 * F)) + h5;
        f.b1 = (h8 * F + v * (h7 * F + (h4 * v) * F)) + h9;
        f.b2 = ((h2 * fs + h3) * fs + v * ((h1 * v) * F - h6 * F)) + h5;
        f.a0 = ((h11 + h10 * fs) * fs + (h12 * F + (h13 * v) * F) * v) + h17;
        f.a1 = h18 + (F * h16 + (h14 * F + (h15 * v) * F) * v);
        f.a2 = ((h10 * fs - h11) * fs + (h12 * F + (h13 * v) * F) * v) + h17;
    }
};
