#pragma once

#include <cmath>
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

// Linear interpolation in a table at fractional index t (t >= 0 or NaN). Entry 199 holds from
// t = 199 on; a NaN index, or one beyond the range of a 32-bit int, reads as 0.
//
// Branch-free: the out-of-range cases are folded into an index/fraction pair that yields the
// same value as the direct rule (entry 199 exactly as entry[199] * 1 + 0 * entry[198], zero as
// entry[1] * 0 + 1 * entry[0] with entry[0] = 0), so loud or silent passages cost no
// mispredicted branches.
inline double LookupCurve(const CurveTable& table, double t)
{
    const double held = t < 199.0 ? t : 199.0;
    const double u = t < 2147483648.0 ? held : 0.0;
    int i = static_cast<int>(u);
    i = i > 198 ? 198 : i;
    const double f = u - i;
    return (static_cast<double>(table.values[i + 1]) * f) +
           ((1.0 - f) * static_cast<double>(table.values[i]));
}

// The magnitude of a curve value with the sign of the input (-0.0 stays -0.0).
inline double WithSignOf(double magnitude, double x)
{
    return std::copysign(std::fabs(magnitude), x);
}

// Index of the amplifier curves that compress their input into [0, 1) first.
inline double CompressedIndex(double x)
{
    const double m = std::fabs(x);
    return (m / (m + 3.0)) * kAmplifierScale;
}
