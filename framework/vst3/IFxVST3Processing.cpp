// The audio path: host buffers attached slice by slice, parameter changes and events applied
// first, and the transport the host reported with the block.
#include "IFxVST3.h"

#include "HostCallGuards.h"
#include "util/numeric.h"

#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <algorithm>
#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// Channel pointers are gathered on the stack; no host delivers more channels in one bus.
constexpr int kMaxBusChannels = 64;

template <class Sample> Sample** ChannelBuffers(AudioBusBuffers& bus);
template <> double** ChannelBuffers<double>(AudioBusBuffers& bus)
{
    return bus.channelBuffers64;
}
template <> float** ChannelBuffers<float>(AudioBusBuffers& bus)
{
    return bus.channelBuffers32;
}

// The channels of a host bus usable for this slice: the host's pointers moved to the slice
// offset. A missing pointer array or a null channel pointer ends the usable channels there, so
// the rest are treated as not delivered instead of being dereferenced.
template <class Sample> struct BusSlice
{
    BusSlice(AudioBusBuffers& bus, int offset)
    {
        Sample** buffers = ChannelBuffers<Sample>(bus);
        int n = std::min(std::max(bus.numChannels, 0), kMaxBusChannels);
        for (count = 0; buffers && count < n && buffers[count]; ++count)
            ptrs[count] = buffers[count] + offset;
    }
    Sample* ptrs[kMaxBusChannels];
    int count = 0;
};
} // namespace

tresult PLUGIN_API IFxVST3::process(ProcessData& data)
{
    ProcessScope inProcess;
    FxMutexLock lock(mMutex);
    if (data.processContext)
        mProcessContext = *data.processContext;
    ApplyParameterChanges(data.inputParameterChanges, data.outputParameterChanges);
    if (DoesMIDI())
        ApplyEvents(data.inputEvents);

    int32 sampleSize = processSetup.symbolicSampleSize;
    if (sampleSize != kSample32 && sampleSize != kSample64)
        return kResultOk;
    // Buffers of another sample size than the one set up would be read and written with the
    // wrong element size, past their ends: such a block is not processed.
    if (data.symbolicSampleSize != sampleSize)
        return kResultOk;
    // Hosts flush parameter changes with 0-frame calls that carry no buffers at all.
    int slice = GetBlockSize();
    if (data.numSamples <= 0 || slice <= 0)
        return kResultOk;
    for (int done = 0; done < data.numSamples; done += slice)
    {
        int n = std::min(slice, data.numSamples - done);
        if (sampleSize == kSample64)
            ProcessSlice<double>(data, done, n);
        else
            ProcessSlice<float>(data, done, n);
    }
    return kResultOk;
}

template <class Sample> void IFxVST3::ProcessSlice(ProcessData& data, int offset, int nFrames)
{
    ConnectInputs<Sample>(data, offset, nFrames);
    ConnectOutputs<Sample>(data, offset);
    if (GetIsBypassed())
        PassThroughBuffers(Sample(0), nFrames);
    else
        ProcessBuffers(Sample(0), nFrames);
}

template <class Sample> void IFxVST3::ConnectInputs(ProcessData& data, int offset, int nFrames)
{
    int nIn = NInChannels();
    // Without an input bus no host pointer from an earlier block may stay attached.
    if (data.numInputs <= 0 || !data.inputs)
    {
        NoteDeliveredInputs(0);
        SetInputChannelConnections(0, nIn, false);
        return;
    }
    BusSlice<Sample> main(data.inputs[0], offset);
    NoteDeliveredInputs(std::min(main.count, nIn));
    if (mScChans == 0)
    {
        SetInputChannelConnections(0, main.count, true);
        SetInputChannelConnections(main.count, nIn - main.count, false);
        AttachInputBuffers(0, nIn, main.ptrs, nFrames);
        return;
    }
    Bus* scBus = getBus(kAudio, kInput, 1);
    if (scBus && scBus->isActive())
    {
        mSidechainActive = true;
        SetInputChannelConnections(0, nIn, true);
    }
    else
    {
        if (mSidechainActive)
        {
            ZeroScratchBuffers();
            mSidechainActive = false;
        }
        SetInputChannelConnections(0, nIn, true);
        SetInputChannelConnections(main.count, nIn - main.count, false);
    }
    AttachInputBuffers(0, nIn - mScChans, main.ptrs, nFrames);
    if (data.numInputs > 1)
    {
        BusSlice<Sample> side(data.inputs[1], offset);
        SetInputChannelConnections(nIn - mScChans + side.count, mScChans - side.count, false);
        AttachInputBuffers(nIn - mScChans, mScChans, side.ptrs, nFrames);
    }
    else
        SetInputChannelConnections(nIn - mScChans, mScChans, false);
}

// A channel the host stops delivering reads the base's scratch buffer, which in 32 bit still holds
// the last block converted into it; cleared, the channel reads silence instead of that block again.
void IFxVST3::NoteDeliveredInputs(int count)
{
    if (count < mDeliveredInputs)
        ZeroScratchBuffers();
    mDeliveredInputs = count;
}

template <class Sample> void IFxVST3::ConnectOutputs(ProcessData& data, int offset)
{
    int nOut = NOutChannels();
    SetOutputChannelConnections(0, nOut, false);
    int first = 0;
    for (int32 b = 0; data.outputs && b < data.numOutputs && first < nOut; ++b)
    {
        BusSlice<Sample> bus(data.outputs[b], offset);
        Bus* sdkBus = getBus(kAudio, kOutput, b);
        bool active = sdkBus && sdkBus->isActive();
        SetOutputChannelConnections(first, bus.count, active);
        AttachOutputBuffers(first, bus.count, bus.ptrs);
        first += std::max(data.outputs[b].numChannels, 0);
    }
}

void IFxVST3::ApplyParameterChanges(IParameterChanges* changes, IParameterChanges* out)
{
    if (!changes)
        return;
    int32 nQueues = changes->getParameterCount();
    for (int32 i = 0; i < nQueues; ++i)
    {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (!queue)
            continue;
        int32 offset = 0;
        ParamValue value = 0.0;
        int32 nPoints = queue->getPointCount();
        if (nPoints <= 0 || queue->getPoint(nPoints - 1, offset, value) != kResultOk)
            continue;
        // A host value that is not a number is dropped rather than let near the audio path.
        if (!std::isfinite(value))
            continue;
        ParamID id = queue->getParameterId();
        if (id == kBypassParam)
        {
            bool bypassed = value > 0.5;
            if (bypassed != GetIsBypassed())
                SetIsBypassed(bypassed);
        }
        else if (id == kPresetParam)
        {
            if (RestorePreset(TruncToInt(NPresets() * value)))
                ReportPresetValues(out);
        }
        else if (id < static_cast<ParamID>(NParams()))
            SetParameterFromHost(static_cast<int>(id), value);
    }
}

// The restored values also go back with this block, so that a host sees them at once; the
// request to re-read them follows from its UI thread.
void IFxVST3::ReportPresetValues(IParameterChanges* out)
{
    if (!out)
        return;
    for (int i = 0; i < NParams(); ++i)
    {
        int32 queueIdx = 0;
        int32 pointIdx = 0;
        if (IParamValueQueue* queue = out->addParameterData(static_cast<ParamID>(i), queueIdx))
            queue->addPoint(0, GetParam(i)->GetNormalized(), pointIdx);
    }
}

void IFxVST3::ApplyEvents(IEventList* events)
{
    if (!events)
        return;
    int32 n = events->getEventCount();
    for (int32 i = 0; i < n; ++i)
    {
        Event e = {};
        if (events->getEvent(i, e) != kResultOk)
            continue;
        IMidiMsg msg;
        if (e.type == Event::kNoteOnEvent)
            msg.MakeNoteOnMsg(e.noteOn.pitch, static_cast<int>(e.noteOn.velocity * 127.0f),
                              e.sampleOffset, e.noteOn.channel);
        else if (e.type == Event::kNoteOffEvent)
            msg.MakeNoteOffMsg(e.noteOff.pitch, e.sampleOffset, e.noteOff.channel);
        else
            continue;
        ProcessMidiMsg(&msg);
    }
}

// ---- the transport as the host reported it with the last block

bool IFxVST3::IsRenderingOffline() const
{
    return mOffline;
}

int IFxVST3::GetSamplePos()
{
    return static_cast<int>(mProcessContext.projectTimeSamples);
}

double IFxVST3::GetTempo()
{
    return mProcessContext.tempo;
}

void IFxVST3::GetTimeSig(int* numerator, int* denominator)
{
    if (numerator)
        *numerator = mProcessContext.timeSigNumerator;
    if (denominator)
        *denominator = mProcessContext.timeSigDenominator;
}

void IFxVST3::GetTime(ITimeInfo* t)
{
    if (!t)
        return;
    t->mTempo = mProcessContext.tempo;
    t->mSamplePos = static_cast<double>(mProcessContext.projectTimeSamples);
    t->mPPQPos = mProcessContext.projectTimeMusic;
    t->mLastBar = mProcessContext.barPositionMusic;
    t->mCycleStart = mProcessContext.cycleStartMusic;
    t->mCycleEnd = mProcessContext.cycleEndMusic;
    t->mNumerator = mProcessContext.timeSigNumerator;
    t->mDenominator = mProcessContext.timeSigDenominator;
    t->mTransportIsRunning = (mProcessContext.state & ProcessContext::kPlaying) != 0;
    t->mTransportLoopEnabled = (mProcessContext.state & ProcessContext::kCycleActive) != 0;
}
