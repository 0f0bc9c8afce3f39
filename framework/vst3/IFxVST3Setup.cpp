// Construction, the host's bus and processing setup, and what the processor reports about itself.
#include "IFxVST3.h"

#include "HostStrings.h"

#include "pluginterfaces/vst/ivsthostapplication.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdio>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// The scratch buffers are sized to the host's block size up to this; longer host blocks are
// processed in slices, so a host announcing a huge block cannot make us allocate without bound.
constexpr int kMaxScratchFrames = 8192;

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
        AddParameters();
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
    if (state)
        RestartBypassDelay();
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
    // Hosts read the latency after the setup, once they activate the plug-in: a latency that
    // changes with the process mode needs no announcement of its own.
    mOffline = setup.processMode == kOffline;
    RestartBypassDelay();
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
