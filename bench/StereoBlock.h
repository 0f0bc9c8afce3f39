// The processing call the benchmarks' host makes: one stereo 32-bit input bus and one output bus
// over channels the benchmark owns, in real time.
#pragma once

#include "pluginterfaces/vst/ivstaudioprocessor.h"

struct StereoBlock
{
    StereoBlock(float** ins, float** outs, int nFrames)
    {
        inBus.numChannels = outBus.numChannels = 2;
        inBus.channelBuffers32 = ins;
        outBus.channelBuffers32 = outs;
        data.processMode = Steinberg::Vst::kRealtime;
        data.symbolicSampleSize = Steinberg::Vst::kSample32;
        data.numSamples = nFrames;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &inBus;
        data.outputs = &outBus;
    }
    // data points at the buses.
    StereoBlock(const StereoBlock&) = delete;
    StereoBlock& operator=(const StereoBlock&) = delete;

    Steinberg::Vst::AudioBusBuffers inBus = {};
    Steinberg::Vst::AudioBusBuffers outBus = {};
    Steinberg::Vst::ProcessData data;
};
