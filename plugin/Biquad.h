#pragma once

// One second-order recursive section with unnormalised coefficients (a0 is not 1). The two
// shelving stages share this state and differ only in how they compute the coefficients.
struct Biquad
{
    double lastInput = 0.0;
    double lastOutput = 0.0;
    double x1 = 0.0, x2 = 0.0;
    double y1 = 0.0, y2 = 0.0;
    double a0 = 0.0, a1 = 0.0, a2 = 0.0;
    double b0 = 0.0, b1 = 0.0, b2 = 0.0;

    // Evaluated strictly in this order; the chain's results depend on each rounding.
    double Process(double x)
    {
        const double y = ((x2 * b2) + ((b1 * x1) + (b0 * x)) - (a1 * y1) - (a2 * y2)) / a0;
        lastInput = x;
        lastOutput = y;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};
