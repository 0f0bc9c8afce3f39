#pragma once

#include <cstdint>

// A transfer curve sampled at 200 points of input magnitude.
struct CurveTable
{
    float start;    // input value of entry 0
    float endValue; // the curve's value at the end of its input range
    float scale;    // entries per unit of input magnitude
    std::int32_t count;
    float values[200];
};

// Widened single-precision scales: the lookups must index exactly as the tables were sampled.
constexpr double kTransformerScale = 281.47100830078125;
constexpr double kAmplifierScale = 142.14300537109375;
