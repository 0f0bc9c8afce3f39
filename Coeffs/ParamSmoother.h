#pragma once

#include <cmath>

// One-pole smoother for a control value. The chain writes the pole and its complement once per
// block (computing them again only when the sample rate changes) and advances the state towards
// the current target twice per frame, once per channel.
struct ParamSmoother
{
    // The low-pass corner of every smoother of the chain, in hertz.
    static constexpr double kCornerHz = 0.5;
    // One smoother serves both channels and advances once for each.
    static constexpr int kStepsPerFrame = 2;
    static constexpr double kTwoPi = 6.283185307179586;

    double b = 1.0; // 1 - a
    double a = 0.0; // pole
    double z = 0.0; // state

    static double Pole(double sampleRate) { return std::exp(-kTwoPi * (kCornerHz / sampleRate)); }

    // The time after which a smoother has come within share of a new target, wherever it started:
    // each step shrinks the distance by the pole, exp(-2 pi corner / rate), so a second of frames
    // shrinks it by exp(-2 pi corner steps-per-frame) at any rate.
    static double SecondsToSettle(double share)
    {
        return std::log(1.0 / share) / (kTwoPi * kCornerHz * kStepsPerFrame);
    }

    // The grouping of the products is part of the chain's exact results.
    double Advance(double target)
    {
        z = (z * a) + (target * b);
        return z;
    }
};
