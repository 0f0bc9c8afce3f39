#include "ProcessBlock.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{

MainBusBlock::MainBusBlock(int32 processMode, int32 sampleSize)
{
    data.processMode = processMode;
    data.symbolicSampleSize = sampleSize;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &mInput;
    data.outputs = &mOutput;
}

ProcessData& MainBusBlock::Set(const float* const* inputs, float* const* outputs, int32 channels,
                               int32 frames)
{
    // The SDK's buffers are not const; a plug-in reads its inputs only.
    mInput.channelBuffers32 = const_cast<float**>(inputs);
    mOutput.channelBuffers32 = const_cast<float**>(outputs);
    return Frame(channels, frames);
}

ProcessData& MainBusBlock::Set(const double* const* inputs, double* const* outputs, int32 channels,
                               int32 frames)
{
    mInput.channelBuffers64 = const_cast<double**>(inputs);
    mOutput.channelBuffers64 = const_cast<double**>(outputs);
    return Frame(channels, frames);
}

ProcessData& MainBusBlock::Frame(int32 channels, int32 frames)
{
    mInput.numChannels = channels;
    mOutput.numChannels = channels;
    data.numSamples = frames;
    return data;
}

} // namespace vst3host
