#pragma once

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
    T Process(T x)
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
