// Writes the curve tables of the saturation stages as a C++ header.
//
// Each table is measured only at a few points (the knots below). The remaining entries are the
// natural cubic spline through the knots, evaluated at every integer index and rounded to single
// precision; the knots themselves are written exactly as measured.
//
// Usage: gen_curve_tables <output file>

#include "GeneratedHeader.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

constexpr int kEntries = 200;
constexpr int kKnots = 22;
constexpr std::array<int, kKnots> kKnotIndex = {0,   1,   10,  20,  30,  40,  50,  60,
                                                70,  80,  90,  100, 110, 120, 130, 140,
                                                150, 160, 170, 180, 190, 199};

struct Curve
{
    const char* name;
    float endValue;
    float scale;
    std::array<float, kKnots> knots;
};

const std::array<Curve, 5> kCurves = {{
    {"transtrans_table",
     0.0173793f,
     281.471f,
     {0.0f,          9.601744e-05f, 0.00096638984f, 0.0019225196f, 0.002868458f, 0.0038042737f,
      0.004730036f,  0.005645815f,  0.006551679f,   0.0074476996f, 0.008333946f, 0.009210486f,
      0.01007739f,   0.010934728f,  0.011782567f,   0.012620977f,  0.013450026f, 0.01426978f,
      0.0150803095f, 0.01588168f,   0.01667396f,    0.01737928f}},
    {"srpp_table",
     -0.205874f,
     142.143f,
     {0.0f,          -0.0010161543f, -0.010171425f, -0.02036455f, -0.030578958f, -0.040814202f,
      -0.051069807f, -0.06134528f,   -0.07164008f,  -0.08195366f, -0.09228542f,  -0.10263471f,
      -0.113000885f, -0.12338321f,   -0.13378094f,  -0.14419326f, -0.15461934f,  -0.16505823f,
      -0.17550899f,  -0.18597059f,   -0.19644193f,  -0.20587352f}},
    {"srpp_neg_table", 0.193174f, 142.143f, {0.0f,         0.001015818f, 0.01013782f,  0.020230316f,
                                             0.030277373f, 0.0402789f,   0.050234832f, 0.060145114f,
                                             0.0700097f,   0.07982859f,  0.08960176f,  0.099329226f,
                                             0.109011f,    0.11864713f,  0.12823765f,  0.13778259f,
                                             0.14728205f,  0.15673606f,  0.1661447f,   0.17550808f,
                                             0.18482625f,  0.19317405f}},
    {"quad8_table", 0.833321f, 142.143f, {0.0f,        0.0051002656f, 0.05141974f, 0.10166098f,
                                          0.1508094f,  0.19893329f,   0.24608591f, 0.29230797f,
                                          0.3376294f,  0.3820709f,    0.42564508f, 0.46835732f,
                                          0.51020634f, 0.5511846f,    0.5912787f,  0.6304693f,
                                          0.6687313f,  0.70603347f,   0.74233836f, 0.77760154f,
                                          0.8091421f,  0.8333206f}},
    {"Nklineamp_table",
     0.848785f,
     142.143f,
     {0.0f,        0.0036526474f, 0.042703312f, 0.085721135f, 0.12871154f, 0.17165723f,
      0.21455957f, 0.25741926f,   0.30023646f,  0.34301126f,  0.38574368f, 0.42843375f,
      0.47108147f, 0.5136869f,    0.55625f,     0.59877086f,  0.6412495f,  0.6836859f,
      0.7260802f,  0.76843226f,   0.8107422f,   0.8487851f}},
}};

std::array<float, kEntries> SplineTable(const std::array<float, kKnots>& knots)
{
    // Second derivatives of the natural spline (zero at both ends), by the tridiagonal
    // (Thomas) elimination.
    std::array<double, kKnots> x{}, y{}, h{}, m{};
    for (int k = 0; k < kKnots; ++k)
    {
        x[k] = kKnotIndex[k];
        y[k] = knots[k];
    }
    for (int k = 0; k + 1 < kKnots; ++k)
        h[k] = x[k + 1] - x[k];
    std::array<double, kKnots> diag{}, rhs{};
    for (int k = 1; k + 1 < kKnots; ++k)
    {
        diag[k] = 2.0 * (h[k - 1] + h[k]);
        rhs[k] = 6.0 * ((y[k + 1] - y[k]) / h[k] - (y[k] - y[k - 1]) / h[k - 1]);
    }
    for (int k = 2; k + 1 < kKnots; ++k)
    {
        const double w = h[k - 1] / diag[k - 1];
        diag[k] -= w * h[k - 1];
        rhs[k] -= w * rhs[k - 1];
    }
    for (int k = kKnots - 2; k >= 1; --k)
        m[k] = (rhs[k] - h[k] * m[k + 1]) / diag[k];

    std::array<float, kEntries> table{};
    int k = 0;
    for (int i = 0; i < kEntries; ++i)
    {
        while (k + 2 < kKnots && i > kKnotIndex[k + 1])
            ++k;
        const double a = x[k + 1] - i;
        const double b = i - x[k];
        const double s = m[k] * a * a * a / (6.0 * h[k]) + m[k + 1] * b * b * b / (6.0 * h[k]) +
                         (y[k] / h[k] - m[k] * h[k] / 6.0) * a +
                         (y[k + 1] / h[k] - m[k + 1] * h[k] / 6.0) * b;
        table[i] = static_cast<float>(s);
    }
    for (int j = 0; j < kKnots; ++j)
        table[kKnotIndex[j]] = knots[j];
    return table;
}

// Shortest text that reads back as the same float, as a C++ float literal.
std::string FloatLiteral(float v)
{
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
    std::string s(buf, end);
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s + "f";
}

void WriteTable(std::string& out, const char* name, float endValue, float scale,
                const std::array<float, kEntries>& values)
{
    out += "inline constexpr CurveTable ";
    out += name;
    out += " = {\n    0.0f,\n    " + FloatLiteral(endValue) + ",\n    " + FloatLiteral(scale) +
           ",\n    " + std::to_string(kEntries) + ",\n    {\n";
    for (int i = 0; i < kEntries; i += 6)
    {
        out += "        ";
        for (int j = i; j < i + 6 && j < kEntries; ++j)
        {
            out += FloatLiteral(values[j]);
            out += j + 1 < kEntries ? "," : "";
            out += j + 1 < i + 6 && j + 1 < kEntries ? " " : "";
        }
        out += "\n";
    }
    out += "    }};\n\n";
}

std::string Generate()
{
    std::string out = "// generated by tools/gen_curve_tables, do not edit\n"
                      "#pragma once\n\n"
                      "#include \"Coeffs/TRANS_COEFFS/CurveTable.h\"\n\n"
                      "// clang-format off\n\n";
    for (const Curve& curve : kCurves)
    {
        const std::array<float, kEntries> table = SplineTable(curve.knots);
        WriteTable(out, curve.name, curve.endValue, curve.scale, table);
        if (std::string(curve.name) == "transtrans_table")
        {
            // The negative half of the transformer is the exact mirror of the positive one.
            std::array<float, kEntries> negated{};
            for (int i = 1; i < kEntries; ++i)
                negated[i] = -table[i];
            WriteTable(out, "transtrans_neg_table", -curve.endValue, curve.scale, negated);
        }
    }
    out += "// clang-format on\n";
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    return WriteGeneratedFile(argc, argv, Generate);
}
