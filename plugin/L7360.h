#pragma once

#include "plugin/Biquad.h"

// Low shelving stage: about -18.7 dB at v = 0 to +18.7 dB at v = 1 at 0 Hz, flat at v = 0.5,
// polarity inverted. The coefficients are polynomials in the sample rate and v fitted to the
// analogue circuit; the grouping below is part of the exact results.
struct L7360 : Biquad
{
    void Calc(double fs, double v) { Coefficients(*this, fs, v); }

    // For any lane type T (see BasicBiquad), into a filter or a BiquadCoefficients.
    template <typename Sets, typename T> static LANE_INLINE void Coefficients(Sets& f, T fs, T v)
    {
        constexpr double l1 = 1.55521242147608e-09;
        constexpr double l2 = 1.25420356570652e-06;
        constexpr double l3 = -0.00280194413615286;
        constexpr double l4 = 1.8199294293869e-06;
        constexpr double l5 = -0.00036961816264144;
        constexpr double l6 = -0.00073923632528288;
        constexpr double l7 = 3.11042484295217e-09;
        constexpr double l8 = -0.00560388827230573;
        constexpr double l9 = 1.55524352572451e-09;
        constexpr double l10 = 1.25422864977784e-06;
        constexpr double l11 = -6.50643407625152e-23;
        constexpr double l12 = 1.81996582797549e-06;
        constexpr double l13 = 3.11048705144903e-09;
        constexpr double l14 = -1.3012868152503e-22;
        constexpr double l15 = 0.00317159771059892;
        constexpr double l16 = 0.00634319542119784;

        const T F = fs * fs;
        const T fv = fs * v;
        f.b0 = ((((-l1 * fs - l2) * fs + (l1 * fs + l2) * fv) + l3) * v - l4 * fs) + l5;
        f.b1 = l6 + ((l7 * F) + (-l7 * v) * F + l8) * v;
        f.b2 = ((((-l1 * fs + l2) * fs + (l1 * fs - l2) * fv) + l3) * v + l4 * fs) + l5;
        f.a0 = ((((l9 * fs + l10) * fs + ((-l9 * fs - l10) * fs + l11) * v) + l3) * v + l12 * fs) +
               l15;
        f.a1 = l16 + ((((l14 + F * l13) * v) - F * l13) + l8) * v;
        f.a2 = ((((l9 * fs - l10) * fs + ((-l9 * fs + l10) * fs + l11) * v) + l3) * v - l12 * fs) +
               l15;
    }
};
