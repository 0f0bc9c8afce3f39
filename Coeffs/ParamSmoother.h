#pragma once

// One-pole smoother for a control value. The chain writes the pole and its complement once per
// block (computing them again only when the sample rate changes) and advances the state towards
// the current target twice per frame, once per channel.
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
