#pragma once

#include "plugin/HalfbandPath.h"

#include <vector>

// Runs a stereo process at 2, 4 or 8 times the host rate: up through a cascade of half-band
// stages, the process, and down through the same stages. The filters are linear-phase, flat
// within 0.0001 dB up to 0.45 of the host rate, and keep images and aliases of everything below
// 0.55 of it at least 100 dB down (see tools/gen_halfband.cpp); a short delay at the top rate
// makes the whole delay a whole number of host frames. The process itself runs in double
// precision, the filters in single precision (see HalfbandLanes.h).
//
// Everything is allocated at construction: running it allocates nothing.
class Oversampler
{
public:
    static constexpr int kMaxFactor = 8;
    // Frames at the top rate per pass through the stages, at every factor; longer blocks go
    // through in slices. The process and every stage run once per slice, so the fewer slices the
    // less their setting up costs.
    static constexpr int kTopSliceFrames = 2048;

    Oversampler();

    // 1, 2, 4 or 8.
    static bool IsFactor(int factor);
    // The delay of the whole round trip at a factor, in host frames (0 at 1).
    static int LatencyFrames(int factor);

    int GetFactor() const { return mFactor; }
    // Another factor than 1, 2, 4 or 8 is taken as 1. The filters start empty.
    void SetFactor(int factor);
    // The filters forget everything they have seen.
    void Clear();

    // Feeds nFrames host frames of the two channels of in up to the factor's rate, calls
    // process(inputs, outputs, frames) on them and brings its outputs down into out. out may be
    // the very buffers of in. At factor 1 it calls process on in and out directly.
    template <typename Process>
    void Run(const double* const* in, double* const* out, int nFrames, Process&& process)
    {
        if (mFactor == 1)
        {
            process(in, out, nFrames);
            return;
        }
        const int slice = kTopSliceFrames / mFactor;
        for (int done = 0; done < nFrames; done += slice)
        {
            const int n = nFrames - done < slice ? nFrames - done : slice;
            const double* sliceIn[2] = {in[0] + done, in[1] + done};
            double* sliceOut[2] = {out[0] + done, out[1] + done};
            Up(sliceIn, n);
            process(mTopIn, mTopOut, n * mFactor);
            Down(sliceOut, n);
        }
    }

    // The code path the filters run on (tests pin each one).
    const HalfbandPath* mPath = &FastestHalfbandPath();

private:
    // One channel's buffers: for each stage its history and new samples, on the way up and (as
    // two phases) on the way down, and the top rate's input and output.
    struct Channel
    {
        std::vector<float> up[kHalfbandStages];
        std::vector<float> downEven[kHalfbandStages], downOdd[kHalfbandStages];
        // On the way down, the output of stage s + 1: the input of stage s.
        std::vector<float> downOut[kHalfbandStages - 1];
        std::vector<double> topIn, topOut;
    };

    void Up(const double* const* in, int nFrames);
    void Down(double* const* out, int nFrames);
    int Stages() const;

    int mFactor = 1;
    // Samples of delay at the top rate that round the whole delay up to whole host frames.
    int mPad = 0;
    Channel mChannels[2];
    const double* mTopIn[2];
    double* mTopOut[2];
};
