#pragma once

// The oversampler's filter stages built for one instruction set; every path gives the same bits.
// The filters work in single precision (see HalfbandLanes.h).

constexpr int kHalfbandStages = 3;

struct HalfbandPath
{
    // Stage s doubles the rate of one channel: in holds the stage's history (2 * pairs - 1
    // samples) and then n new samples; 2n samples go to out, the next stage's input (up[s], for
    // all stages but the last) or the process's (upTop[s]).
    void (*up[kHalfbandStages - 1])(const float* in, float* out, int n);
    void (*upTop[kHalfbandStages])(const float* in, double* out, int n);
    // Stage s halves it again: even and odd hold the two phases of the faster signal, each with
    // the stage's history and then n new samples; n samples go to out, the input of stage s - 1
    // (down[s - 1]) or, from stage 0, the host's output (downHost).
    void (*down[kHalfbandStages - 1])(const float* even, const float* odd, float* out, int n);
    void (*downHost)(const float* even, const float* odd, double* out, int n);
    // 2n samples into their even and odd phases: those the process made, and those of a stage.
    void (*splitTop)(const double* in, float* even, float* odd, int n);
    void (*split)(const float* in, float* even, float* odd, int n);
    // The host's double precision into the filters' single precision.
    void (*narrow)(const double* in, float* out, int n);
};

// The path every CPU of the build's architecture runs, and the fastest one this CPU has (chosen
// once when the library loads).
const HalfbandPath& BaselineHalfbandPath();
const HalfbandPath& FastestHalfbandPath();
