#pragma once

#include "Coeffs/Lanes.h"

// One second-order recursive section with unnormalised coefficients (a0 is not 1). The two
// shelving stages share this state and differ only in how they compute the coefficients.
//
// T is double; the signal chain also instantiates it with a two-lane vector to run the left and
// right channel side by side (each lane is rounded exactly as a double).
template <typename T> struct BasicBiquad
{
    T lastInput{};
    T lastOutput{};
    T x1{}, x2{};
    T y1{}, y2{};
    T a0{}, a1{}, a2{};
    T b0{}, b1{}, b2{};

    // Evaluated strictly in this order; the chain's results depend on each rounding.
    LANE_INLINE T Process(T x)
    {
        const T y = ((x2 * b2) + ((b1 * x1) + (b0 * x)) - (a1 * y1) - (a2 * y2)) / a0;
        lastInput = x;
        lastOutput = y;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

using Biquad = BasicBiquad<double>;

// The coefficients alone, for a set that is computed to be stored elsewhere: nothing to
// initialise, since the formulas write every field.
template <typename T> struct BiquadCoefficients
{
    T a0, a1, a2;
    T b0, b1, b2;
};

// Calls f once per coefficient, with that coefficient of each of the sections (of any lane
// types, or anything that names its members alike), to move them between layouts.
template <typename F, typename... Sections> LANE_INLINE void ForEachCoefficient(F f, Sections&... s)
{
    f(s.a0...), f(s.a1...), f(s.a2...);
    f(s.b0...), f(s.b1...), f(s.b2...);
}

// The same for every field: the history and the coefficients.
template <typename F, typename... Sections> LANE_INLINE void ForEachField(F f, Sections&... s)
{
    f(s.lastInput...), f(s.lastOutput...);
    f(s.x1...), f(s.x2...), f(s.y1...), f(s.y2...);
    ForEachCoefficient(f, s...);
}
