#include "IFxVST3.h"

#include "HostStrings.h"
#include "IFxParameter.h"
#include "IFxVST3View.h"
#include "framework/graphics/IGraphics.h"
#include "util/numeric.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"
#include "pluginterfaces/vst/ivstevents.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "public.sdk/source/vst/vstparameters.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr ParamID kPresetParam = 0x70727374; // 'prst'
constexpr ParamID kBypassParam = 0x62706173; // 'bpas'
// The scratch buffers are sized to the host's block size up to this; longer host blocks are
// processed in slices, so a host announcing a huge block cannot make us allocate without bound.
constexpr int kMaxScratchFrames = 8192;
// Channel pointers are gathered on the stack; no host delivers more channels in one bus.
constexpr int kMaxBusChannels = 64;

// Host calls on this thread that are still running; announcements wait for the outermost to end.
thread_local int tHostCallDepth = 0;
// Set while this thread runs process: the host is never called back from its audio thread.
thread_local bool tInProcess = false;

struct ProcessScope
{
    ProcessScope() { tInProcess = true; }
    ~ProcessScope() { tInProcess = false; }
};

SpeakerArrangement ArrangementForChannels(int nChans)
{
    switch (nChans)
    {
    case 1:
        return 0x80000;
    case 2:
        return 0x3;
    case 3:
        return 0x103;
    case 4:
        return 0x33;
    case 5:
        return 0x37;
    case 6:
        return 0x3f;
    default:
        return 0;
    }
}

int ChannelsOf(SpeakerArrangement arr)
{
    return static_cast<int>(std::bitset<64>(arr).count());
}

struct HostString
{
    explicit HostString(const char* text) { WidenToHost(text, units); }
    String128 units;
};

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

IFxVST3::IFxVST3(IFxInstanceInfo, int nParams, const char* channelIOStr, int nPresets,
                 const char* effectName, const char* productName, const char* mfrName,
                 int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
                 bool plugDoesChunks, bool plugIsInst, int plugScChans)
    : IFxBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
              uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPIVST3),
      mScChans(plugScChans)
{
    SetInputChannelConnections(0, NInChannels(), true);
    SetOutputChannelConnections(0, NOutChannels(), true);
    if (NInChannels())
        CreateBypassDelayLine();

    SetInputBusLabel(0, "Main Input");
    if (mScChans)
        SetInputBusLabel(1, "Aux Input");
    if (IsInst())
    {
        char label[32];
        for (int k = 0; 2 * k < NOutChannels(); ++k)
        {
            std::snprintf(label, sizeof(label), "Output %i", k + 1);
            SetOutputBusLabel(k, label);
        }
    }
    else
        SetOutputBusLabel(0, "Output");

    // The stored process setup starts at the SDK's defaults; the scratch buffers match it so
    // that a host processing before any setup call is still safe.
    SetBlockSize(std::min<int>(processSetup.maxSamplesPerBlock, kMaxScratchFrames));
}

IFxVST3::~IFxVST3() = default;

// Held by each host call that may restore values; the plug-in lock is released before the hold
// ends, so the host may call back into the plug-in from restartComponent.
class IFxVST3::AnnouncementHold
{
public:
    explicit AnnouncementHold(IFxVST3& plug) : mPlug(plug) { ++tHostCallDepth; }
    ~AnnouncementHold()
    {
        --tHostCallDepth;
        mPlug.DeliverValuesChanged();
    }
    AnnouncementHold(const AnnouncementHold&) = delete;
    AnnouncementHold& operator=(const AnnouncementHold&) = delete;

private:
    IFxVST3& mPlug;
};

void IFxVST3::AnnounceValuesChanged()
{
    mValuesChanged = true;
    DeliverValuesChanged();
}

void IFxVST3::DeliverValuesChanged()
{
    if (tInProcess || tHostCallDepth > 0)
        return;
    if (mValuesChanged.exchange(false) && componentHandler)
        componentHandler->restartComponent(kParamValuesChanged);
}

void IFxVST3::PresetsChangedByHost()
{
    AnnounceValuesChanged();
}

void IFxVST3::InformHostOfProgramChange()
{
    AnnounceValuesChanged();
}

// ---- processor side

tresult PLUGIN_API IFxVST3::initialize(FUnknown* context)
{
    tresult result = SingleComponentEffect::initialize(context);

    if (context)
    {
        IHostApplication* app = nullptr;
        if (context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&app)) ==
                kResultOk &&
            app)
        {
            String128 name = {};
            char name8[128] = {};
            if (app->getName(name) == kResultOk)
                NarrowFromHost(name, name8, sizeof(name8));
            SetHost(name8, 0);
            app->release();
        }
    }

    if (result == kResultOk)
    {
        AddMainBuses();
        if (mScChans)
        {
            mScChans = std::min(mScChans, 2);
            addAudioInput(HostString(GetInputBusLabel(1)).units, ArrangementForChannels(mScChans),
                          kAux, 0);
        }
        if (DoesMIDI())
            addEventInput(HostString("MIDI Input").units, 1);
        if (NPresets())
            parameters.addParameter(HostString("Preset").units, nullptr, NPresets(), 0,
                                    ParameterInfo::kIsProgramChange, kPresetParam, kRootUnitId);
        if (!IsInst())
        {
            auto* bypass = new StringListParameter(
                HostString("Bypass").units, kBypassParam, nullptr,
                ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass,
                kRootUnitId);
            bypass->appendString(HostString("off").units);
            bypass->appendString(HostString("on").units);
            parameters.addParameter(bypass);
        }
        for (int i = 0; i < NParams(); ++i)
        {
            IParam* param = GetParam(i);
            const char* group = param->GetParamGroupForHost();
            int unitID = 0;
            if (group[0])
            {
                for (int g = 0; g < mParamGroups.GetSize(); ++g)
                    if (!std::strcmp(mParamGroups.Get(g)->Get(), group))
                        unitID = g + 1;
                if (!unitID)
                {
                    mParamGroups.Add(new FxString(group));
                    unitID = mParamGroups.GetSize();
                }
            }
            parameters.addParameter(new IFxParameter(param, static_cast<ParamID>(i), unitID));
        }
    }

    OnHostIdentified();
    RestorePreset(0);
    return result;
}

void IFxVST3::AddMainBuses()
{
    // The buses carry the bus labels made at construction ("Main Input", "Output"); the channel
    // labels are per channel and empty unless a plug-in sets them.
    SpeakerArrangement in = ArrangementForChannels(NInChannels() - mScChans);
    if (in)
        addAudioInput(HostString(GetInputBusLabel(0)).units, in);
    if (IsInst())
    {
        for (int k = 0; 2 * k < NOutChannels(); ++k)
            addAudioOutput(HostString(GetOutputBusLabel(k)).units, ArrangementForChannels(2));
    }
    else
        addAudioOutput(HostString(GetOutputBusLabel(0)).units,
                       ArrangementForChannels(NOutChannels()));
}

tresult PLUGIN_API IFxVST3::terminate()
{
    mParamGroups.Empty();
    return SingleComponentEffect::terminate();
}

tresult PLUGIN_API IFxVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                               SpeakerArrangement* outputs, int32 numOuts)
{
    if (!inputs || !outputs || numIns < 1 || numOuts < 1)
        return kResultFalse;
    SetInputChannelConnections(0, NInChannels(), false);
    SetOutputChannelConnections(0, NOutChannels(), false);

    int nIn = ChannelsOf(inputs[0]);
    int nOut = ChannelsOf(outputs[0]);
    if (!LegalIO(nIn, nOut))
        return kResultFalse;

    auto* mainIn = static_cast<AudioBus*>(getBus(kAudio, kInput, 0));
    if (mainIn && ChannelsOf(mainIn->getArrangement()) != nIn)
    {
        audioInputs.clear();
        addAudioInput(HostString("Input").units, ArrangementForChannels(nIn));
    }
    auto* mainOut = static_cast<AudioBus*>(getBus(kAudio, kOutput, 0));
    if (mainOut && ChannelsOf(mainOut->getArrangement()) != nOut)
    {
        audioOutputs.clear();
        addAudioOutput(HostString("Output").units, ArrangementForChannels(nOut));
    }

    if (numIns == 1)
        return mScChans == 0 ? kResultOk : kResultFalse;
    if (numIns != 2 || mScChans == 0)
        return kResultFalse;
    int sc = ChannelsOf(inputs[1]);
    auto* scBus = static_cast<AudioBus*>(getBus(kAudio, kInput, 1));
    if (!scBus || ChannelsOf(scBus->getArrangement()) == sc)
        return kResultOk;
    audioInputs.clear();
    addAudioInput(HostString("Input").units, ArrangementForChannels(nIn));
    addAudioInput(HostString("Sidechain Input").units, ArrangementForChannels(sc), kAux, 0);
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::setActive(TBool state)
{
    OnActivate(state != 0);
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::setupProcessing(ProcessSetup& setup)
{
    if (setup.symbolicSampleSize != kSample32 && setup.symbolicSampleSize != kSample64)
        return kResultFalse;
    // A rate that is not a positive number would turn the smoothing and filter maths into NaN.
    if (!(setup.sampleRate > 0.0 && std::isfinite(setup.sampleRate)) ||
        setup.maxSamplesPerBlock < 1)
        return kInvalidArgument;
    SetSampleRate(setup.sampleRate);
    SetIsBypassed(false);
    SetBlockSize(std::min<int>(setup.maxSamplesPerBlock, kMaxScratchFrames));
    Reset();
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::canProcessSampleSize(int32 symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 || symbolicSampleSize == kSample64 ? kResultOk
                                                                              : kResultFalse;
}

uint32 PLUGIN_API IFxVST3::getLatencySamples()
{
    return static_cast<uint32>(GetLatency());
}

uint32 PLUGIN_API IFxVST3::getTailSamples()
{
    return static_cast<uint32>(GetTailSize());
}

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

// ---- host time, latency

bool IFxVST3::IsRenderingOffline()
{
    return processSetup.processMode == kOffline;
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

void IFxVST3::SetLatency(int samples)
{
    IFxBase::SetLatency(samples);
    if (componentHandler)
        componentHandler->restartComponent(kLatencyChanged);
}

// ---- controller side

void IFxVST3::BeginInformHostOfParamChange(int idx)
{
    beginEdit(static_cast<ParamID>(idx));
}

void IFxVST3::InformHostOfParamChange(int idx, double normalizedValue)
{
    performEdit(static_cast<ParamID>(idx), normalizedValue);
}

void IFxVST3::EndInformHostOfParamChange(int idx)
{
    endEdit(static_cast<ParamID>(idx));
}

IGraphics* IFxVST3::GetEditor() const
{
    return dynamic_cast<IGraphics*>(GetGUI());
}

IPlugView* PLUGIN_API IFxVST3::createView(FIDString name)
{
    if (!name || std::strcmp(name, ViewType::kEditor) != 0)
        return nullptr;
    auto* view = new IFxVST3View(this);
    mViews.push_back(view);
    return view;
}

void IFxVST3::ResizeGraphics(int width, int height)
{
    if (!GetEditor() || mViews.empty() || !mViews.front()->GetFrame())
        return;
    mViews.front()->resize(width, height);
}

void IFxVST3::PopupHostContextMenuForParam(int paramIdx, int x, int y)
{
    if (!componentHandler || mViews.empty())
        return;
    IComponentHandler3* handler3 = nullptr;
    if (componentHandler->queryInterface(IComponentHandler3::iid,
                                         reinterpret_cast<void**>(&handler3)) != kResultOk ||
        !handler3)
        return;
    const ParamID id = static_cast<ParamID>(paramIdx);
    if (IContextMenu* menu = handler3->createContextMenu(mViews.front(), &id))
    {
        menu->popup(static_cast<UCoord>(x), static_cast<UCoord>(y));
        menu->release();
    }
    handler3->release();
}

tresult IFxVST3::WriteState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    FxMutexLock lock(mMutex);
    ByteChunk chunk;
    if (!SerializeState(&chunk))
        return kResultFalse;
    if (chunk.Size())
        state->write(chunk.GetBytes(), chunk.Size(), nullptr);
    int32 bypassed = GetIsBypassed() ? 1 : 0;
    state->write(&bypassed, sizeof(bypassed), nullptr);
    return kResultOk;
}

tresult IFxVST3::ReadState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    AnnouncementHold hold(*this);
    FxMutexLock lock(mMutex);
    // The stored chunk is as long as the present state; bytes the stream lacks keep the
    // present values.
    ByteChunk chunk;
    SerializeState(&chunk);
    if (chunk.Size() <= 0)
        return kResultFalse;
    state->read(chunk.GetBytes(), chunk.Size(), nullptr);
    UnserializeState(&chunk, 0);
    AnnounceValuesChanged();

    int32 bypassed = 0;
    int32 nRead = 0;
    // A stream that ends before the bypass flag is a failed restore, even if the stream answers
    // ok for a short read.
    if (state->read(&bypassed, sizeof(bypassed), &nRead) != kResultOk || nRead != sizeof(bypassed))
        return kResultFalse;
    SetIsBypassed(bypassed != 0);
    RedrawParamControls();
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::getState(IBStream* state)
{
    return WriteState(state);
}

tresult PLUGIN_API IFxVST3::setState(IBStream* state)
{
    return ReadState(state);
}

tresult PLUGIN_API IFxVST3::getEditorState(IBStream* state)
{
    return WriteState(state);
}

tresult PLUGIN_API IFxVST3::setEditorState(IBStream* state)
{
    return ReadState(state);
}

// Processor and controller are one object, so the component's record handed to the controller is
// applied again: the same settings, also for a host that hands it to the controller only.
tresult PLUGIN_API IFxVST3::setComponentState(IBStream* state)
{
    return ReadState(state);
}

// The SDK's parameter container looks the index up with a range-checked access that throws;
// an index a host gets wrong is answered here instead of throwing across the module boundary.
tresult PLUGIN_API IFxVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
    if (paramIndex < 0 || paramIndex >= parameters.getParameterCount())
        return kResultFalse;
    return SingleComponentEffect::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API IFxVST3::setParamNormalized(ParamID tag, ParamValue value)
{
    if (tag >= static_cast<ParamID>(NParams()))
        return kResultFalse;
    GetParam(static_cast<int>(tag))->SetNormalized(value);
    return kResultOk;
}

ParamValue PLUGIN_API IFxVST3::getParamNormalized(ParamID tag)
{
    DeliverValuesChanged();
    if (tag == kBypassParam)
        return GetIsBypassed() ? 1.0 : 0.0;
    if (tag < static_cast<ParamID>(NParams()))
        return GetParam(static_cast<int>(tag))->GetNormalized();
    return 0.0;
}

ParamValue PLUGIN_API IFxVST3::plainParamToNormalized(ParamID tag, ParamValue plainValue)
{
    if (tag < static_cast<ParamID>(NParams()))
        return GetParam(static_cast<int>(tag))->GetNormalized(plainValue);
    return plainValue;
}

tresult PLUGIN_API IFxVST3::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                  String128 string)
{
    if (tag >= static_cast<ParamID>(NParams()) || !string)
        return kResultFalse;
    char text[IParam::kTextLen];
    GetParam(static_cast<int>(tag))->GetDisplayForHost(valueNormalized, true, text, true);
    WidenToHost(text, string);
    return kResultOk;
}

int32 PLUGIN_API IFxVST3::getUnitCount()
{
    return mParamGroups.GetSize() + 1;
}

tresult PLUGIN_API IFxVST3::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
    if (unitIndex == 0)
    {
        info.id = kRootUnitId;
        info.parentUnitId = kNoParentUnitId;
        WidenToHost("Root Unit", info.name);
        info.programListId = kNoProgramListId;
        return kResultOk;
    }
    if (unitIndex < 0 || unitIndex > mParamGroups.GetSize())
        return kResultFalse;
    info.id = unitIndex;
    info.parentUnitId = kRootUnitId;
    WidenToHost(mParamGroups.Get(unitIndex - 1)->Get(), info.name);
    info.programListId = kNoProgramListId;
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
    if (listIndex != 0)
        return kResultFalse;
    info.id = kPresetParam;
    info.programCount = NPresets();
    WidenToHost("Factory Presets", info.name);
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::getProgramName(ProgramListID listId, int32 programIndex, String128 name)
{
    if (listId != static_cast<ProgramListID>(kPresetParam) || !name)
        return kResultFalse;
    WidenToHost(GetPresetName(programIndex), name);
    return kResultOk;
}
