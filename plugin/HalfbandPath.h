#pragma once

// The oversampler's filter stages built for one instruction set; every path gives the same bits.
// The filters work in single precision (see HalfbandLanes.h).

constexpr int kHalfbandStages = 3;

struct HalfbandPath
{
    // Stage s doubles the rate of one channel: in holds the stage's history (2 * pairs - 1
    // samples) and then n new samples; 2n samples go to out.
    void (*up[kHalfbandStages])(const float* in, float* out, int n);
    // Stage s halves it again: even and odd hold the two phases of the faster signal, each with
    // the stage's history and then n new samples; n samples go to out.
    void (*down[kHalfbandStages])(const float* even, const float* odd, float* out, int n);
    // 2n samples into their even and odd phases: those the process made, and those of a stage.
    void (*splitTop)(const double* in, float* even, float* odd, int n);
    void (*split)(const float* in, float* even, float* odd, int n);
    // Between the process's and the host's double precision and the filters' single precision.
    void (*widen)(const float* in, double* out, int n);
    void (*narrow)(const double* in, float* out, int n);
};

// The path every CPU of the build's architecture runs, and the fastest one this CPU has (chosen
// once when the library loads).
const HalfbandPath& BaselineHalfbandPath();
const HalfbandPath& FastestHalfbandPath();
