#pragma once

// The chain's stages for one sample of any lane type: the chain runs them over vectors, its
// per-frame reference over doubles.

#include "Coeffs/TRANS_COEFFS/Opamp.h"
#include "Coeffs/TRANS_COEFFS/TRANSTRANS_HARM.h"
#include "Coeffs/TRANS_COEFFS/Transistor.h"
#include "Coeffs/TRANS_COEFFS/Tube.h"

#include <type_traits>

constexpr double kTransformerPad = 0.03162277660168379; // -30 dB into the transformer curve
constexpr double kTransformerGain = 1161.4486138403427; // +61.3 dB after it
constexpr double kMakeUp = 7.079457843841379;           // +17 dB for the level the tubes lose
constexpr double kLineAmpDivisor = 1.5;

template <typename V> LANE_INLINE V TransformerStage(V x)
{
    return TransformerCurve(x * kTransformerPad) * kTransformerGain;
}

// The amplifier of each model in the two steps of its curve: the signed table index of the
// gained input, then the curve (the line amplifiers' scaled down to the tube's level).
template <int Model> struct Amplifier
{
    static_assert(Model >= 0 && Model <= 2, "three amplifier models");
    using Curve = std::conditional_t<Model == 0, SrppCurve,
                                     std::conditional_t<Model == 1, Quad8Curve, NklineampCurve>>;

    template <typename V> static LANE_INLINE V Index(V x) { return Curve::Index(x); }

    template <typename V> static LANE_INLINE V Stage(V signedIndex)
    {
        if constexpr (Model == 0)
            return Curve::Curve(signedIndex);
        else
            return Curve::Curve(signedIndex) / kLineAmpDivisor;
    }
};
