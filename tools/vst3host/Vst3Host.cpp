// The host's side of one VST 3 audio effect, as a DAW holds it. Everything that touches a VST 3
// interface stays in this library, so the programs that use it stay plain C++.
#include "Vst3Host.h"

#include "HostApplication.h"
#include "MemoryStream.h"
#include "ModuleLoader.h"
#include "ParameterChanges.h"
#include "Parameters.h"
#include "PluginInstance.h"
#include "ProcessBlock.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace vst3host
{
namespace
{

constexpr double kContextTempo = 120.0;

int32_t UniqueIdOf(const TUID cid)
{
    uint32_t id = 0;
    for (int i = 12; i < 16; ++i)
    {
        id = id << 8 | static_cast<uint8_t>(cid[i]);
    }
    return static_cast<int32_t>(id);
}

// "major.minor.revision" as major * 10000 + minor * 100 + revision; 0 for any other text.
int32_t DecimalVersionOf(const char8* text)
{
    int major = 0;
    int minor = 0;
    int revision = 0;
    if (std::sscanf(text, "%d.%d.%d", &major, &minor, &revision) != 3)
    {
        return 0;
    }
    return major * 10000 + minor * 100 + revision;
}

std::vector<uint8_t> StreamBytes(const MemoryStream& stream)
{
    const std::vector<char>& data = stream.GetData();
    return std::vector<uint8_t>(data.begin(), data.end());
}

std::vector<char> StreamData(const std::vector<uint8_t>& bytes)
{
    return std::vector<char>(bytes.begin(), bytes.end());
}

} // namespace

class Vst3Host::Impl
{
public:
    explicit Impl(const std::string& hostName) : hostApplication(hostName) {}
    ~Impl() { Unload(); }

    bool Fail(const std::string& why)
    {
        error = why;
        return false;
    }

    bool Load(const std::string& path);
    bool CreateComponent();
    bool Start(double sampleRate, int channelCount, int maxBlockFrames, bool doublePrecision);
    template <typename Sample>
    bool Process(const Sample* const* inputs, Sample* const* outputs, int frames, int32 sampleSize);
    void Stop();
    void Unload();

    std::string error;
    std::string pluginName;
    int32_t uniqueId = 0;
    int32_t decimalVersion = 0;
    std::string version;
    std::vector<HostParameter> parameters;

    HostApplication hostApplication;
    std::unique_ptr<ModuleLoader> module;
    PluginInstance instance;
    bool loaded = false;
    bool active = false;
    int channels = 0;

    ParameterChanges inputChanges;
    ParameterChanges outputChanges;
    ProcessSetup setup{};
    ProcessContext context{};
    MainBusBlock block{kOffline, kSample32};
};

bool Vst3Host::Impl::Load(const std::string& path)
{
    module = std::make_unique<ModuleLoader>(path);
    if (!module->IsLoaded())
    {
        return Fail(module->GetError());
    }
    FUnknownPtr<IPluginFactory3> factory3(module->GetFactory());
    if (factory3)
    {
        factory3->setHostContext(&hostApplication);
    }
    if (!CreateComponent())
    {
        return false;
    }
    parameters = ReadParameters(*instance.controller);
    loaded = true;
    return true;
}

bool Vst3Host::Impl::CreateComponent()
{
    IPluginFactory& factory = *module->GetFactory();
    for (int32 i = 0; i < factory.countClasses(); ++i)
    {
        PClassInfo info;
        if (factory.getClassInfo(i, &info) != kResultOk ||
            std::strncmp(info.category, kVstAudioEffectClass, PClassInfo::kCategorySize) != 0)
        {
            continue;
        }
        pluginName.assign(info.name, strnlen(info.name, PClassInfo::kNameSize));
        uniqueId = UniqueIdOf(info.cid);
        FUnknownPtr<IPluginFactory2> factory2(&factory);
        PClassInfo2 info2;
        if (factory2 && factory2->getClassInfo2(i, &info2) == kResultOk)
        {
            decimalVersion = DecimalVersionOf(info2.version);
            version.assign(info2.version, strnlen(info2.version, PClassInfo2::kVersionSize));
        }
        if (!instance.Create(factory, info.cid, pluginName) ||
            !instance.Initialize(&hostApplication))
        {
            return Fail(instance.GetError());
        }
        return true;
    }
    return Fail("the plug-in module offers no audio effect class");
}

bool Vst3Host::Impl::Start(double sampleRate, int channelCount, int maxBlockFrames,
                           bool doublePrecision)
{
    Stop();
    if (!loaded)
    {
        return Fail("no plug-in is loaded");
    }
    if (channelCount != 1 && channelCount != 2)
    {
        return Fail("only mono and stereo can be hosted, not " + std::to_string(channelCount) +
                    " channels");
    }
    const int32 sampleSize = doublePrecision ? kSample64 : kSample32;
    if (instance.processor->canProcessSampleSize(sampleSize) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" cannot process " +
                    (doublePrecision ? "64-bit" : "32-bit") + " samples");
    }
    if (instance.component->getBusCount(kAudio, kInput) < 1 ||
        instance.component->getBusCount(kAudio, kOutput) < 1)
    {
        return Fail("\"" + pluginName + "\" has no main audio input and output");
    }
    SpeakerArrangement input = channelCount == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    SpeakerArrangement output = input;
    if (instance.processor->setBusArrangements(&input, 1, &output, 1) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" does not accept " + std::to_string(channelCount) +
                    "-channel input and output");
    }
    instance.component->activateBus(kAudio, kInput, 0, true);
    instance.component->activateBus(kAudio, kOutput, 0, true);

    setup.processMode = kOffline;
    block.data.symbolicSampleSize = sampleSize;
    setup.symbolicSampleSize = sampleSize;
    setup.maxSamplesPerBlock = maxBlockFrames;
    setup.sampleRate = sampleRate;
    if (instance.processor->setupProcessing(setup) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" refused the processing setup");
    }
    if (instance.component->setActive(true) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" could not be activated");
    }
    // Not every plug-in implements setProcessing; a host calls it all the same.
    instance.processor->setProcessing(true);
    active = true;
    channels = channelCount;

    context = ProcessContext{};
    context.state = ProcessContext::kPlaying | ProcessContext::kTempoValid |
                    ProcessContext::kTimeSigValid | ProcessContext::kProjectTimeMusicValid;
    context.sampleRate = sampleRate;
    context.tempo = kContextTempo;
    context.timeSigNumerator = 4;
    context.timeSigDenominator = 4;
    return true;
}

template <typename Sample>
bool Vst3Host::Impl::Process(const Sample* const* inputs, Sample* const* outputs, int frames,
                             int32 sampleSize)
{
    if (!active)
    {
        return Fail("processing was not started");
    }
    if (sampleSize != setup.symbolicSampleSize)
    {
        return Fail("processing was started for another sample size");
    }
    if (frames < 0 || frames > setup.maxSamplesPerBlock)
    {
        return Fail("block of " + std::to_string(frames) + " frames is larger than the maximum");
    }
    ProcessData& data = block.Set(inputs, outputs, channels, frames);
    data.inputParameterChanges = &inputChanges;
    data.outputParameterChanges = &outputChanges;
    data.processContext = &context;

    const tresult result = instance.processor->process(data);
    // Parameter changes belong to the block that carried them.
    inputChanges.Clear();
    outputChanges.Clear();
    context.projectTimeSamples += frames;
    context.projectTimeMusic =
        static_cast<double>(context.projectTimeSamples) / setup.sampleRate * kContextTempo / 60.0;
    if (result != kResultOk)
    {
        return Fail("\"" + pluginName + "\" failed to process a block (result " +
                    std::to_string(result) + ")");
    }
    return true;
}

void Vst3Host::Impl::Stop()
{
    if (!active)
    {
        return;
    }
    instance.processor->setProcessing(false);
    instance.component->setActive(false);
    active = false;
}

void Vst3Host::Impl::Unload()
{
    Stop();
    loaded = false;
    instance.Release();
    module.reset();
}

Vst3Host::Vst3Host(const std::string& hostName) : mImpl(new Impl(hostName)) {}

Vst3Host::~Vst3Host() = default;

bool Vst3Host::Load(const std::string& path)
{
    mImpl->Unload();
    mImpl->parameters.clear();
    mImpl->uniqueId = 0;
    mImpl->decimalVersion = 0;
    mImpl->version.clear();
    return mImpl->Load(path);
}

const std::string& Vst3Host::GetError() const
{
    return mImpl->error;
}

const std::string& Vst3Host::GetPluginName() const
{
    return mImpl->pluginName;
}

const std::vector<HostParameter>& Vst3Host::GetParameters() const
{
    return mImpl->parameters;
}

void Vst3Host::SetParameter(uint32_t id, double plainValue)
{
    if (!mImpl->loaded)
    {
        return;
    }
    SetParameterNormalized(id, mImpl->instance.controller->plainParamToNormalized(id, plainValue));
}

void Vst3Host::SetParameterNormalized(uint32_t id, double normalized)
{
    if (!mImpl->loaded)
    {
        return;
    }
    normalized = std::clamp(normalized, 0.0, 1.0);
    // Parameters outside the plug-in's own set (bypass, preset) are refused here by design and
    // reach the processor through the block's changes only.
    mImpl->instance.controller->setParamNormalized(id, normalized);
    mImpl->inputChanges.AddPoint(id, 0, normalized);
}

double Vst3Host::GetParameterNormalized(uint32_t id) const
{
    return mImpl->loaded ? mImpl->instance.controller->getParamNormalized(id) : 0.0;
}

int32_t Vst3Host::GetUniqueId() const
{
    return mImpl->uniqueId;
}

int32_t Vst3Host::GetDecimalVersion() const
{
    return mImpl->decimalVersion;
}

const std::string& Vst3Host::GetVersion() const
{
    return mImpl->version;
}

double Vst3Host::GetParameter(uint32_t id) const
{
    if (!mImpl->loaded)
    {
        return 0.0;
    }
    IEditController& controller = *mImpl->instance.controller;
    return controller.normalizedParamToPlain(id, controller.getParamNormalized(id));
}

bool Vst3Host::Start(double sampleRate, int channels, int maxBlockFrames, bool doublePrecision)
{
    return mImpl->Start(sampleRate, channels, maxBlockFrames, doublePrecision);
}

bool Vst3Host::Process(const float* const* inputs, float* const* outputs, int frames)
{
    return mImpl->Process(inputs, outputs, frames, kSample32);
}

bool Vst3Host::Process(const double* const* inputs, double* const* outputs, int frames)
{
    return mImpl->Process(inputs, outputs, frames, kSample64);
}

void Vst3Host::Stop()
{
    mImpl->Stop();
}

int32_t Vst3Host::GetLatencySamples() const
{
    return mImpl->loaded ? static_cast<int32_t>(mImpl->instance.processor->getLatencySamples()) : 0;
}

bool Vst3Host::SaveState(PluginState& state)
{
    if (!mImpl->loaded)
    {
        return mImpl->Fail("no plug-in is loaded");
    }
    MemoryStream componentStream;
    MemoryStream controllerStream;
    // A component may keep no state of its own and say so; the controller must answer.
    state.component.clear();
    if (mImpl->instance.component->getState(&componentStream) == kResultOk)
    {
        state.component = StreamBytes(componentStream);
    }
    if (mImpl->instance.controller->getState(&controllerStream) != kResultOk)
    {
        return mImpl->Fail("\"" + mImpl->pluginName + "\" could not save its state");
    }
    state.controller = StreamBytes(controllerStream);
    return true;
}

bool Vst3Host::RestoreState(const PluginState& state)
{
    if (!mImpl->loaded)
    {
        return mImpl->Fail("no plug-in is loaded");
    }
    if (!state.component.empty())
    {
        MemoryStream stream(StreamData(state.component));
        if (mImpl->instance.component->setState(&stream) != kResultOk)
        {
            return mImpl->Fail("\"" + mImpl->pluginName + "\" refused its component state");
        }
        // The controller learns the component's state as a host passes it on.
        MemoryStream copy(StreamData(state.component));
        mImpl->instance.controller->setComponentState(&copy);
    }
    MemoryStream stream(StreamData(state.controller));
    if (mImpl->instance.controller->setState(&stream) != kResultOk)
    {
        return mImpl->Fail("\"" + mImpl->pluginName + "\" refused its controller state");
    }
    return true;
}

} // namespace vst3host
