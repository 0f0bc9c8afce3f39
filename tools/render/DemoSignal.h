#pragma once

#include <vector>

namespace veltar_render
{

constexpr double kDemoSampleRate = 48000.0;

// A few seconds of stereo music-like material for trying the plug-in without a file: two strums
// of a plucked chord spread across the stereo field over a steady drum thump in the middle,
// peaking at -6 dBFS. The same every time. One vector per channel (left, right).
std::vector<std::vector<double>> MakeDemoSignal(double sampleRate = kDemoSampleRate);

} // namespace veltar_render
