#include "plugin/H73.h"
#include "plugin/L7360.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

namespace
{

constexpr double kPi = 3.141592653589793;

// Complex response of the section at frequency hz, from its coefficients.
std::complex<double> Response(const Biquad& f, double fs, double hz)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / fs);
    const std::complex<double> z2 = z1 * z1;
    return (f.b0 + f.b1 * z1 + f.b2 * z2) / (f.a0 + f.a1 * z1 + f.a2 * z2);
}

double GainDb(const Biquad& f, double fs, double hz)
{
    return 20.0 * std::log10(std::abs(Response(f, fs, hz)));
}

template <typename Filter> Filter Make(double fs, double v)
{
    Filter f;
    f.Calc(fs, v);
    return f;
}

struct ResponseRow
{
    double v;
    double db[5]; // at 0 Hz, 100 Hz, 1 kHz, 10 kHz, 20 kHz
};

const double kFrequencies[5] = {0.0, 100.0, 1000.0, 10000.0, 20000.0};

// The printed figures are rounded to 0.01 dB.
void ExpectResponses(const Biquad& f, const ResponseRow& row)
{
    for (int k = 0; k < 5; ++k)
        EXPECT_NEAR(GainDb(f, 44100.0, kFrequencies[k]), row.db[k], 0.0051)
            << "v " << row.v << " at " << kFrequencies[k] << " Hz";
}

TEST(L7360, ShelfResponsesAt44100)
{
    const ResponseRow rows[] = {
        {0.0, {-18.67, -13.50, -1.14, -0.01, -0.00}}, {0.25, {-7.27, -6.29, 0.31, 0.03, 0.00}},
        {0.5, {-0.00, -0.00, -0.00, -0.00, -0.00}},   {0.75, {7.27, 6.28, -0.31, -0.03, -0.00}},
        {1.0, {18.67, 13.50, 1.14, 0.01, -0.00}},
    };
    for (const ResponseRow& row : rows)
        ExpectResponses(Make<L7360>(44100.0, row.v), row);
}

TEST(H73, ShelfResponsesAt44100)
{
    const ResponseRow rows[] = {
        {0.0, {-0.00, 0.07, 0.61, -12.90, -16.11}}, {0.25, {-0.00, 0.04, 0.04, -3.91, -4.03}},
        {0.5, {-0.00, -0.00, -0.00, -0.00, -0.00}}, {0.75, {-0.00, -0.04, -0.04, 3.91, 4.03}},
        {1.0, {-0.00, -0.07, -0.61, 12.90, 16.11}},
    };
    for (const ResponseRow& row : rows)
        ExpectResponses(Make<H73>(44100.0, row.v), row);
}

TEST(L7360, DcGainInvertsPolarityAndDoesNotDependOnTheRate)
{
    const double v[] = {0.0, 0.25, 0.5, 0.75, 1.0};
    const double linear[] = {-0.11654, -0.43305, -0.99998, -2.30912, -8.57982};
    for (int k = 0; k < 5; ++k)
        for (double fs : {44100.0, 48000.0, 96000.0})
        {
            const std::complex<double> h = Response(Make<L7360>(fs, v[k]), fs, 0.0);
            EXPECT_NEAR(h.real(), linear[k], 0.000006) << v[k] << " " << fs;
            EXPECT_NEAR(h.imag(), 0.0, 1e-12);
        }
}

TEST(H73, ShelfAt20kHzFor48000)
{
    EXPECT_NEAR(GainDb(Make<H73>(48000.0, 0.0), 48000.0, 20000.0), -15.97, 0.0051);
    EXPECT_NEAR(GainDb(Make<H73>(48000.0, 1.0), 48000.0, 20000.0), 15.97, 0.0051);
}

TEST(Shelves, MidPositionIsFlatAndInvertedAtEveryRate)
{
    for (double fs : {8000.0, 44100.0, 48000.0, 96000.0, 192000.0})
        for (double hz : {0.0, 30.0, 440.0, 3000.0, 0.45 * fs})
        {
            const std::complex<double> l = Response(Make<L7360>(fs, 0.5), fs, hz);
            const std::complex<double> h = Response(Make<H73>(fs, 0.5), fs, hz);
            EXPECT_NEAR(l.real(), -0.99998, 1e-5) << fs << " " << hz;
            EXPECT_NEAR(h.real(), -0.99998, 1e-5) << fs << " " << hz;
            EXPECT_NEAR(l.imag(), 0.0, 1e-5);
            EXPECT_NEAR(h.imag(), 0.0, 1e-5);
        }
}

TEST(Shelves, DenominatorLeadStaysPositiveOverTheWholeRange)
{
    double lowest = 1.0;
    for (double fs = 8000.0; fs <= 768000.0; fs *= 1.05)
        for (int k = 0; k <= 100; ++k)
        {
            const double v = k / 100.0;
            lowest = std::fmin(lowest, Make<L7360>(fs, v).a0);
            lowest = std::fmin(lowest, Make<H73>(fs, v).a0);
        }
    for (double v : {0.0, 1.0})
    {
        lowest = std::fmin(lowest, Make<L7360>(768000.0, v).a0);
        lowest = std::fmin(lowest, Make<H73>(768000.0, v).a0);
    }
    EXPECT_GT(lowest, 0.0149);
}

TEST(Shelves, ImpulseStartsWithB0OverA0)
{
    L7360 low = Make<L7360>(48000.0, 0.5);
    EXPECT_DOUBLE_EQ(low.b0, -0.9999800003999895);
    EXPECT_DOUBLE_EQ(low.a0, 0.9999999999999977);
    EXPECT_NEAR(Make<H73>(48000.0, 0.5).a0, 1.0, 3e-15);
    EXPECT_NEAR(low.a0, 1.0, 3e-15);

    for (Biquad f : {static_cast<Biquad>(low), static_cast<Biquad>(Make<H73>(48000.0, 0.5))})
    {
        const double first = f.Process(1.0);
        EXPECT_EQ(first, f.b0 / f.a0);
        EXPECT_NEAR(first, -0.99998, 1e-9);
        EXPECT_EQ(f.lastInput, 1.0);
        EXPECT_EQ(f.lastOutput, first);
        EXPECT_EQ(f.x1, 1.0);
        EXPECT_EQ(f.y1, first);
        const double second = f.Process(0.0);
        EXPECT_EQ(f.x2, 1.0);
        EXPECT_EQ(f.x1, 0.0);
        EXPECT_EQ(f.y2, first);
        EXPECT_EQ(f.y1, second);
    }
}

TEST(L7360, ExtremePositionsCancelAtNyquistIntoAFirstOrderShelf)
{
    for (double v : {0.0, 1.0})
    {
        const L7360 f = Make<L7360>(48000.0, v);
        // Both polynomials vanish at z = -1.
        EXPECT_NEAR((f.b0 - f.b1 + f.b2) / f.b0, 0.0, 1e-9) << v;
        EXPECT_NEAR((f.a0 - f.a1 + f.a2) / f.a0, 0.0, 1e-9) << v;
    }
}

} // namespace
