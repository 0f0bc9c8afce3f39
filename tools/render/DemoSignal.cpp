#include "DemoSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>

namespace veltar_render
{
namespace
{

constexpr double kPi = 3.14159265358979323846;
constexpr double kLengthSeconds = 6.0;
constexpr double kPeak = 0.5; // -6 dBFS leaves the plug-in's gains room before full scale

// Small deterministic noise for the string excitation, so every run renders the same demo.
class Noise
{
public:
    double Next()
    {
        mState = mState * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(mState >> 11) / 4503599627370496.0 - 1.0;
    }

private:
    uint64_t mState = 0x5EED;
};

// A plucked string by the Karplus-Strong method: a burst of noise circulating in a delay line
// one period long, averaged and damped on each pass, which leaves a bright decaying tone.
void AddPluck(std::vector<double>& left, std::vector<double>& right, double sampleRate,
              double startSeconds, double frequency, double pan, double gain, Noise& noise)
{
    const auto period = static_cast<size_t>(std::lround(sampleRate / frequency));
    std::vector<double> line(period);
    for (double& x : line)
    {
        x = noise.Next();
    }
    const double damping = 0.996;
    const double leftGain = gain * std::cos(pan * kPi / 2.0);
    const double rightGain = gain * std::sin(pan * kPi / 2.0);
    const auto start = static_cast<size_t>(startSeconds * sampleRate);
    size_t at = 0;
    for (size_t i = start; i < left.size(); ++i)
    {
        const double out = line[at];
        const double next = line[(at + 1) % period];
        line[at] = damping * 0.5 * (out + next);
        at = (at + 1) % period;
        left[i] += leftGain * out;
        right[i] += rightGain * out;
    }
}

// A kick-drum-like thump: a sine whose pitch falls quickly from 110 Hz to 45 Hz, fading out.
void AddThump(std::vector<double>& left, std::vector<double>& right, double sampleRate,
              double startSeconds, double gain)
{
    const auto start = static_cast<size_t>(startSeconds * sampleRate);
    const auto length = static_cast<size_t>(0.4 * sampleRate);
    double phase = 0.0;
    for (size_t n = 0; n < length && start + n < left.size(); ++n)
    {
        const double t = static_cast<double>(n) / sampleRate;
        const double frequency = 45.0 + 65.0 * std::exp(-t * 30.0);
        phase += 2.0 * kPi * frequency / sampleRate;
        const double x = gain * std::exp(-t * 9.0) * std::sin(phase);
        left[start + n] += x;
        right[start + n] += x;
    }
}

} // namespace

std::vector<std::vector<double>> MakeDemoSignal(double sampleRate)
{
    const auto frames = static_cast<size_t>(kLengthSeconds * sampleRate);
    std::vector<double> left(frames, 0.0);
    std::vector<double> right(frames, 0.0);
    Noise noise;

    // E minor, strummed low to high, low strings left, high strings right; a second strum later.
    const double chord[] = {82.41, 123.47, 164.81, 196.00, 246.94, 329.63};
    const int strings = static_cast<int>(std::size(chord));
    for (double strum : {0.0, 3.0})
    {
        for (int s = 0; s < strings; ++s)
        {
            const double pan = 0.15 + 0.7 * s / (strings - 1);
            AddPluck(left, right, sampleRate, strum + 0.03 * s, chord[s], pan, 0.3, noise);
        }
    }
    for (double beat = 0.0; beat < kLengthSeconds - 0.5; beat += 0.75)
    {
        AddThump(left, right, sampleRate, beat, 0.8);
    }

    double peak = 0.0;
    for (size_t i = 0; i < frames; ++i)
    {
        peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
    }
    const double scale = peak > 0.0 ? kPeak / peak : 0.0;
    for (size_t i = 0; i < frames; ++i)
    {
        left[i] *= scale;
        right[i] *= scale;
    }
    return {std::move(left), std::move(right)};
}

} // namespace veltar_render
