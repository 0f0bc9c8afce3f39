#pragma once

// One-pole smoother for a control value. The chain writes the pole and its complement every
// frame and advances the state towards the current target.
struct ParamSmoother
{
    double b = 1.0; // 1 - a
    double a = 0.0; // pole
    double z = 0.0; // state

    // The grouping of the products is part of the chain's exact results.
    double Advance(double target)
    {
        z = (z * a) + (target * b);
        return z;
    }
};
