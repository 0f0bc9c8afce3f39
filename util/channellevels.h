#pragma once

// The levels of samples as a meter needs them, whoever measures them: the signal chain as it
// passes them, or the plug-in framework around it.
struct ChannelLevels
{
    double peak = 0.0;       // the largest magnitude; samples that are not numbers are skipped
    double sumSquares = 0.0; // not a number when a sample is not
};

// Adds n samples (64-bit, or a 32-bit host's own) to four peaks and four sums side by side, so
// that no add waits for the one before it.
template <class Sample>
void AddChannelLevels(const Sample* samples, int n, double* peak, double* sum)
{
    int s = 0;
    for (; s + 4 <= n; s += 4)
        for (int k = 0; k < 4; ++k)
        {
            const double x = samples[s + k];
            const double magnitude = x < 0.0 ? -x : x;
            peak[k] = magnitude > peak[k] ? magnitude : peak[k];
            sum[k] += x * x;
        }
    for (; s < n; ++s)
    {
        const double x = samples[s];
        const double magnitude = x < 0.0 ? -x : x;
        peak[0] = magnitude > peak[0] ? magnitude : peak[0];
        sum[0] += x * x;
    }
}

// Folds four peaks and four sums into levels.
inline void MergeChannelLevels(const double* peak, const double* sum, ChannelLevels* levels)
{
    for (int k = 0; k < 4; ++k)
        levels->peak = peak[k] > levels->peak ? peak[k] : levels->peak;
    levels->sumSquares += (sum[0] + sum[1]) + (sum[2] + sum[3]);
}

// Adds the levels of n samples of one channel to levels.
template <class Sample> void AddSampleLevels(const Sample* samples, int n, ChannelLevels* levels)
{
    double peak[4] = {0.0, 0.0, 0.0, 0.0};
    double sum[4] = {0.0, 0.0, 0.0, 0.0};
    AddChannelLevels(samples, n, peak, sum);
    MergeChannelLevels(peak, sum, levels);
}
