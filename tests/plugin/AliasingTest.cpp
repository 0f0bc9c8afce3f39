// How much a driven chain folds back into the audio band, through the built VST 3 module at each
// oversampling factor: a 4987 Hz sine at -8 dBFS at 44.1 kHz, and the energy of the output away
// from the sine's harmonics relative to all of it (Blackman window, 65,536 points from 1 s in,
// FFTW). The figures are those measured when the oversampler was made; a regression of more than
// 3 dB fails.
#include "HostedPlugin.h"

#include "framework/core/StateExtension.h"

#include <fftw3.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using veltartest::HostedPlugin;
using veltartest::Stereo;

namespace
{

constexpr double kRate = 44100.0;
constexpr double kTone = 4987.0;
constexpr int kPoints = 65536;
// Bins either side of a harmonic that belong to it: beyond them the window's own leakage of a
// pure sine lies below -128 dB.
constexpr int kHarmonicHalfWidth = 64;
constexpr double kPi = 3.14159265358979323846;

// The share of the power of x[start, start + kPoints) away from the harmonics of kTone, in dB.
double NonHarmonicDb(const std::vector<double>& x, size_t start)
{
    std::vector<double> windowed(kPoints);
    for (int n = 0; n < kPoints; ++n)
        windowed[static_cast<size_t>(n)] = x[start + static_cast<size_t>(n)] *
                                           (0.42 - 0.5 * std::cos(2.0 * kPi * n / (kPoints - 1)) +
                                            0.08 * std::cos(4.0 * kPi * n / (kPoints - 1)));
    fftw_complex* spectrum = fftw_alloc_complex(kPoints / 2 + 1);
    fftw_plan plan = fftw_plan_dft_r2c_1d(kPoints, windowed.data(), spectrum,
                                          FFTW_ESTIMATE | FFTW_PRESERVE_INPUT);
    fftw_execute(plan);
    double total = 0.0, away = 0.0;
    for (int bin = 0; bin <= kPoints / 2; ++bin)
    {
        const double power =
            spectrum[bin][0] * spectrum[bin][0] + spectrum[bin][1] * spectrum[bin][1];
        const double harmonic = std::round(bin * kRate / kPoints / kTone);
        const bool near = std::fabs(bin - harmonic * kTone * kPoints / kRate) <= kHarmonicHalfWidth;
        total += power;
        away += near ? 0.0 : power;
    }
    fftw_destroy_plan(plan);
    fftw_free(spectrum);
    return 10.0 * std::log10(away / total);
}

struct Case
{
    const char* name;
    double input, model, transformer;
    // The figure at 1x, 2x, 4x and 8x.
    double db[4];
};

// The two settings whose aliases oversampling removes down to the filters' floor.
const Case kCases[] = {
    {"Input 0, SRPP, transformers out", 0.0, 0.0, 1.0, {-75.9, -103.6, -121.2, -127.1}},
    {"Input 6, QUAD", 6.0, 1.0, 1.0, {-40.7, -74.5, -91.1, -107.0}},
};

double Measure(const Case& c, int factor)
{
    HostedPlugin p;
    const std::vector<char> record = p.SaveState();
    const std::vector<uint8_t> section =
        EncodeOversamplingSection({factor, OversamplingChoice::kSameAsRealtime});
    std::vector<char> state = record;
    state.insert(state.end(), section.begin(), section.end());
    EXPECT_EQ(p.LoadState(state), kResultOk);
    EXPECT_EQ(p.Setup(kRate, kSample32, 512), kResultOk);
    const std::pair<ParamID, double> settings[] = {{0, c.input}, {6, c.model}, {4, c.transformer}};
    for (const auto& setting : settings)
        p.Set(setting.first, p.controller->plainParamToNormalized(setting.first, setting.second));

    Stereo in(static_cast<size_t>(kRate) + kPoints + 1024);
    for (size_t n = 0; n < in.Size(); ++n)
        in.left[n] = in.right[n] = static_cast<float>(std::pow(10.0, -8.0 / 20.0) *
                                                      std::sin(2.0 * kPi * kTone / kRate * n));
    return NonHarmonicDb(p.Process32(in, {512}).left, static_cast<size_t>(kRate));
}

TEST(Aliasing, OversamplingKeepsTheFoldedHarmonicsDown)
{
    const int factors[] = {1, 2, 4, 8};
    for (const Case& c : kCases)
        for (int f = 0; f < 4; ++f)
        {
            const double db = Measure(c, factors[f]);
            EXPECT_LT(db, c.db[f] + 3.0) << c.name << " at " << factors[f] << "x: " << db << " dB";
        }
}

} // namespace
