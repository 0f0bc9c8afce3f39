#pragma once

#include "pluginterfaces/vst/ivstaudioprocessor.h"

namespace vst3host
{

// The process data of one block on the main input and output buses, the only buses a host of a
// plain effect feeds. The data points into this object, which therefore stays where it is; a host
// adds parameter changes and a process context to it as it needs.
class MainBusBlock
{
public:
    MainBusBlock(Steinberg::int32 processMode, Steinberg::int32 sampleSize);
    MainBusBlock(const MainBusBlock&) = delete;
    MainBusBlock& operator=(const MainBusBlock&) = delete;

    // Points the buses at the channels (as many in as out) for a block of frames and answers the
    // data to hand to process. The input samples are not written.
    Steinberg::Vst::ProcessData& Set(const float* const* inputs, float* const* outputs,
                                     Steinberg::int32 channels, Steinberg::int32 frames);
    Steinberg::Vst::ProcessData& Set(const double* const* inputs, double* const* outputs,
                                     Steinberg::int32 channels, Steinberg::int32 frames);

    Steinberg::Vst::ProcessData data;

private:
    Steinberg::Vst::ProcessData& Frame(Steinberg::int32 channels, Steinberg::int32 frames);

    Steinberg::Vst::AudioBusBuffers mInput;
    Steinberg::Vst::AudioBusBuffers mOutput;
};

} // namespace vst3host
