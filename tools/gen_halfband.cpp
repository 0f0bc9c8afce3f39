// Writes the taps of the oversampler's half-band filters as a C++ header.
//
// Each stage doubles or halves the rate with a linear-phase half-band lowpass: its centre tap is
// 1/2, every second tap is zero, and the rest are symmetric, so one stage costs one multiply per
// pair of taps. The taps are the equiripple (minimax) solution, found with the Remez exchange:
// for a given length no other filter has a smaller largest error, and by the half-band symmetry
// the passband ripple and the stopband level are the same number.
//
// The filter h has taps g[i] at the offsets +-(2i + 1) from its centre, so at the rate it runs at
// its response is H(w) = 1/2 + 2 sum g[i] cos((2i + 1) w). Since H(w) + H(pi - w) = 1, it is
// enough to make F(t) = sum 2 g[i] cos((i + 1/2) t) (t = 2w) as close to 1/2 as possible over the
// passband 0 <= t <= 2 wPass; the stopband follows by symmetry.
//
// Usage: gen_halfband <output file>

#include "GeneratedHeader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

struct Stage
{
    const char* name;
    const char* purpose;
    int pairs;         // number of distinct non-zero side taps
    double passHostFs; // passband edge in host-rate units (the stopband edge mirrors it)
    int rateFactor;    // the rate the filter runs at, in host rates
};

// The first stage carries the steep transition between 0.45 and 0.55 of the host rate. The later
// ones must keep all of that band (its images fall into their stopbands from 0.55 on), but have
// octaves of room to their stopband, so they are short.
const Stage kStages[] = {
    {"kHalfband2x", "host rate <-> 2x", 31, 0.45, 2},
    {"kHalfband4x", "2x <-> 4x", 7, 0.55, 4},
    {"kHalfband8x", "4x <-> 8x", 4, 0.55, 8},
};

constexpr double kPi = 3.14159265358979323846;
constexpr int kGridPerPair = 64;
constexpr int kMaxIterations = 60;

double Basis(int i, double t)
{
    return std::cos((i + 0.5) * t);
}

double Error(const std::vector<double>& b, double t)
{
    double f = 0.0;
    for (size_t i = 0; i < b.size(); ++i)
        f += b[i] * Basis(static_cast<int>(i), t);
    return f - 0.5;
}

// Solves a x = y in place by Gaussian elimination with partial pivoting.
std::vector<double> Solve(std::vector<std::vector<double>> a, std::vector<double> y)
{
    const size_t n = y.size();
    for (size_t col = 0; col < n; ++col)
    {
        size_t pivot = col;
        for (size_t r = col + 1; r < n; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col]))
                pivot = r;
        std::swap(a[col], a[pivot]);
        std::swap(y[col], y[pivot]);
        for (size_t r = col + 1; r < n; ++r)
        {
            const double f = a[r][col] / a[col][col];
            for (size_t c = col; c < n; ++c)
                a[r][c] -= f * a[col][c];
            y[r] -= f * y[col];
        }
    }
    std::vector<double> x(n);
    for (size_t r = n; r-- > 0;)
    {
        double s = y[r];
        for (size_t c = r + 1; c < n; ++c)
            s -= a[r][c] * x[c];
        x[r] = s / a[r][r];
    }
    return x;
}

// The taps 2 g[i] whose error alternates in sign with equal size at the reference points.
std::vector<double> FitReference(const std::vector<double>& reference, int pairs)
{
    const size_t n = reference.size();
    std::vector<std::vector<double>> a(n, std::vector<double>(n));
    std::vector<double> y(n, 0.5);
    for (size_t k = 0; k < n; ++k)
    {
        for (int i = 0; i < pairs; ++i)
            a[k][static_cast<size_t>(i)] = Basis(i, reference[k]);
        a[k][n - 1] = k % 2 ? 1.0 : -1.0;
    }
    std::vector<double> x = Solve(a, y);
    x.pop_back();
    return x;
}

// The next reference: the local extremes of the error on the grid, neighbours of one sign merged
// into the largest, then thinned from the smaller end to pairs + 1 alternating points.
std::vector<double> Extremes(const std::vector<double>& b, const std::vector<double>& grid,
                             size_t wanted)
{
    std::vector<double> e(grid.size());
    for (size_t g = 0; g < grid.size(); ++g)
        e[g] = Error(b, grid[g]);
    std::vector<size_t> picks;
    for (size_t g = 0; g < grid.size(); ++g)
    {
        const bool left = g == 0 || std::fabs(e[g]) >= std::fabs(e[g - 1]);
        const bool right = g + 1 == grid.size() || std::fabs(e[g]) >= std::fabs(e[g + 1]);
        if (!left || !right)
            continue;
        if (!picks.empty() && (e[picks.back()] > 0) == (e[g] > 0))
        {
            if (std::fabs(e[g]) > std::fabs(e[picks.back()]))
                picks.back() = g;
            continue;
        }
        picks.push_back(g);
    }
    while (picks.size() > wanted)
    {
        if (std::fabs(e[picks.front()]) < std::fabs(e[picks.back()]))
            picks.erase(picks.begin());
        else
            picks.pop_back();
    }
    std::vector<double> reference;
    for (size_t g : picks)
        reference.push_back(grid[g]);
    return reference;
}

// Equiripple taps g[i] of a half-band filter with its passband edge at wPass (radians at the
// filter's own rate).
std::vector<double> DesignHalfband(int pairs, double wPass)
{
    const double tPass = 2.0 * wPass;
    const size_t points = static_cast<size_t>(kGridPerPair * pairs);
    std::vector<double> grid(points + 1);
    for (size_t g = 0; g <= points; ++g)
        grid[g] = tPass * static_cast<double>(g) / static_cast<double>(points);
    // The taps are cos(t/2) times a polynomial in cos t, so start from the Chebyshev points in
    // cos t, near which the extremes of a near-optimal error lie.
    const double low = std::cos(tPass);
    std::vector<double> reference(static_cast<size_t>(pairs) + 1);
    for (size_t k = 0; k < reference.size(); ++k)
        reference[k] =
            std::acos(0.5 * (1.0 + low) + 0.5 * (1.0 - low) *
                                              std::cos(kPi * static_cast<double>(k) /
                                                       static_cast<double>(reference.size() - 1)));
    std::vector<double> b;
    for (int iteration = 0; iteration < kMaxIterations; ++iteration)
    {
        b = FitReference(reference, pairs);
        const std::vector<double> next = Extremes(b, grid, reference.size());
        if (next.size() != reference.size() || next == reference)
            break;
        reference = next;
    }
    for (double& tap : b)
        tap *= 0.5;
    return b;
}

// The largest magnitude of the response at the filter's rate over [from, to] (radians).
double LargestResponse(const std::vector<double>& g, double from, double to)
{
    double largest = 0.0;
    constexpr int kSteps = 20000;
    for (int s = 0; s <= kSteps; ++s)
    {
        const double w = from + (to - from) * s / kSteps;
        double h = 0.5;
        for (size_t i = 0; i < g.size(); ++i)
            h += 2.0 * g[i] * std::cos((2.0 * static_cast<double>(i) + 1.0) * w);
        largest = std::max(largest, std::fabs(h));
    }
    return largest;
}

std::string Generate()
{
    std::string out = "// generated by tools/gen_halfband, do not edit\n"
                      "#pragma once\n\n"
                      "#include <array>\n\n"
                      "// The side taps g[i] of each half-band filter, at the offsets +-(2i + 1) "
                      "from its centre tap 1/2.\n\n"
                      "// clang-format off\n\n";
    for (const Stage& stage : kStages)
    {
        const double wPass = kPi * stage.passHostFs * 2.0 / stage.rateFactor;
        const std::vector<double> g = DesignHalfband(stage.pairs, wPass);
        const double stopDb = 20.0 * std::log10(LargestResponse(g, kPi - wPass, kPi));
        char line[200];
        std::snprintf(line, sizeof line,
                      "// %s: %d taps, passband to %.2f of the host rate, stopband from %.2f at "
                      "%.1f dB\n",
                      stage.purpose, 4 * stage.pairs - 1, stage.passHostFs,
                      stage.rateFactor / 2.0 - stage.passHostFs, stopDb);
        out += line;
        out += "inline constexpr std::array<double, " + std::to_string(stage.pairs) + "> " +
               stage.name + " = {\n";
        for (double tap : g)
        {
            std::snprintf(line, sizeof line, "    %.17g,\n", tap);
            out += line;
        }
        out += "};\n\n";
    }
    out += "// clang-format on\n";
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    return WriteGeneratedFile(argc, argv, Generate);
}
