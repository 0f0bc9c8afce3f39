// The renderer's one window onto the VST 3 SDK: everything that touches a VST 3 interface lives in
// this file, so the rest of the tool stays plain C++.
#include "Vst3Host.h"

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/common/memorystream.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace veltar_render
{
namespace
{

// The folder of a bundle that holds the module for this machine.
#if defined(__x86_64__)
constexpr const char* kBundleArchitecture = "x86_64-linux";
#elif defined(__aarch64__)
constexpr const char* kBundleArchitecture = "aarch64-linux";
#elif defined(__i386__)
constexpr const char* kBundleArchitecture = "i386-linux";
#else
#error "No VST 3 bundle folder name known for this architecture"
#endif

constexpr double kContextTempo = 120.0;

std::string ToUtf8(const TChar* text)
{
    std::string out;
    for (size_t i = 0; text[i] != 0; ++i)
    {
        uint32_t c = static_cast<uint16_t>(text[i]);
        const uint32_t next = static_cast<uint16_t>(text[i + 1]);
        if (c >= 0xD800 && c <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF)
        {
            c = 0x10000 + ((c - 0xD800) << 10) + (next - 0xDC00);
            ++i;
        }
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Reference counting and interface lookup for the objects the host hands to the plug-in. They
// start with a count of one, which the host's IPtr owns; the plug-in may hold references of its
// own, so whoever releases last deletes.
template <class Interface> class HostObject : public Interface
{
public:
    uint32 PLUGIN_API addRef() override { return ++mRefs; }
    uint32 PLUGIN_API release() override
    {
        const uint32 left = --mRefs;
        if (left == 0)
        {
            delete this;
        }
        return left;
    }
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        if (FUnknownPrivate::iidEqual(queried, FUnknown::iid) ||
            FUnknownPrivate::iidEqual(queried, Interface::iid))
        {
            addRef();
            *obj = static_cast<Interface*>(this);
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }

protected:
    virtual ~HostObject() = default;

private:
    std::atomic<uint32> mRefs{1};
};

class HostApplication final : public HostObject<IHostApplication>
{
public:
    tresult PLUGIN_API getName(String128 name) override
    {
        const size_t length = std::min(std::strlen(Vst3Host::kHostName), size_t{127});
        for (size_t i = 0; i < length; ++i)
        {
            name[i] = static_cast<TChar>(Vst3Host::kHostName[i]);
        }
        name[length] = 0;
        return kResultOk;
    }
    // The renderer offers the plug-in no host-made objects (messages, attribute lists).
    tresult PLUGIN_API createInstance(TUID, TUID, void** obj) override
    {
        *obj = nullptr;
        return kNotImplemented;
    }
};

class ParamValueQueue final : public HostObject<IParamValueQueue>
{
public:
    explicit ParamValueQueue(ParamID id) : mId(id) {}

    ParamID PLUGIN_API getParameterId() override { return mId; }
    int32 PLUGIN_API getPointCount() override { return static_cast<int32>(mPoints.size()); }
    tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) override
    {
        if (index < 0 || index >= getPointCount())
        {
            return kInvalidArgument;
        }
        sampleOffset = mPoints[static_cast<size_t>(index)].first;
        value = mPoints[static_cast<size_t>(index)].second;
        return kResultOk;
    }
    tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) override
    {
        auto at = std::lower_bound(mPoints.begin(), mPoints.end(), sampleOffset,
                                   [](const std::pair<int32, ParamValue>& point, int32 offset)
                                   { return point.first < offset; });
        if (at != mPoints.end() && at->first == sampleOffset)
        {
            at->second = value;
        }
        else
        {
            at = mPoints.insert(at, {sampleOffset, value});
        }
        index = static_cast<int32>(at - mPoints.begin());
        return kResultOk;
    }

private:
    ParamID mId;
    std::vector<std::pair<int32, ParamValue>> mPoints;
};

class ParameterChanges final : public HostObject<IParameterChanges>
{
public:
    void Clear() { mQueues.clear(); }

    int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(mQueues.size()); }
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) override
    {
        if (index < 0 || index >= getParameterCount())
        {
            return nullptr;
        }
        return mQueues[static_cast<size_t>(index)].get();
    }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override
    {
        for (size_t i = 0; i < mQueues.size(); ++i)
        {
            if (mQueues[i]->getParameterId() == id)
            {
                index = static_cast<int32>(i);
                return mQueues[i].get();
            }
        }
        mQueues.push_back(owned(new ParamValueQueue(id)));
        index = static_cast<int32>(mQueues.size() - 1);
        return mQueues.back().get();
    }

private:
    std::vector<IPtr<ParamValueQueue>> mQueues;
};

std::string ModulePathFor(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    {
        // dlopen searches the library path for a bare file name; the user meant this folder.
        return path.find('/') == std::string::npos ? "./" + path : path;
    }
    std::string bundle = path;
    while (bundle.size() > 1 && bundle.back() == '/')
    {
        bundle.pop_back();
    }
    std::string name = bundle.substr(bundle.find_last_of('/') + 1);
    const std::string extension = ".vst3";
    if (name.size() > extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
    {
        name.resize(name.size() - extension.size());
    }
    return bundle + "/Contents/" + kBundleArchitecture + "/" + name + ".so";
}

std::vector<uint8_t> StreamBytes(const MemoryStream& stream)
{
    const auto* data = reinterpret_cast<const uint8_t*>(stream.getData());
    return std::vector<uint8_t>(data, data + stream.getSize());
}

void SetChannels(AudioBusBuffers& bus, const float* const* channels)
{
    bus.channelBuffers32 = const_cast<float**>(channels);
}

void SetChannels(AudioBusBuffers& bus, const double* const* channels)
{
    bus.channelBuffers64 = const_cast<double**>(channels);
}

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

// Parameters with more values than this are not switches; their values are numbers.
constexpr int32 kMaxNamedValues = 12;

bool IsNumber(const std::string& text)
{
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

// The controller's text for each value of a switch. A switch whose texts are plain numbers has no
// names; the host's bypass, whose texts a controller need not convert, is "off" and "on".
std::vector<std::string> ValueNames(IEditController& controller, const ParameterInfo& info)
{
    std::vector<std::string> names;
    if (info.stepCount <= 0 || info.stepCount > kMaxNamedValues)
    {
        return names;
    }
    for (int32 k = 0; k <= info.stepCount; ++k)
    {
        String128 text{};
        if (controller.getParamStringByValue(info.id, static_cast<double>(k) / info.stepCount,
                                             text) != kResultOk)
        {
            names.clear();
            break;
        }
        names.push_back(ToUtf8(text));
        if (IsNumber(names.back()))
        {
            names.clear();
            break;
        }
    }
    if (names.empty() && (info.flags & ParameterInfo::kIsBypass) != 0 && info.stepCount == 1)
    {
        names = {"off", "on"};
    }
    return names;
}

} // namespace

class Vst3Host::Impl
{
public:
    ~Impl() { Unload(); }

    bool Fail(const std::string& why)
    {
        error = why;
        return false;
    }

    bool Load(const std::string& path);
    bool CreateComponent();
    void ReadParameters();
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

    void* library = nullptr;
    bool (*moduleExit)() = nullptr;
    IPtr<IPluginFactory> factory;
    IPtr<HostApplication> hostApplication = owned(new HostApplication);
    IPtr<IComponent> component;
    IPtr<IAudioProcessor> processor;
    IPtr<IEditController> controller;
    bool initialized = false;
    bool loaded = false;
    bool active = false;
    int channels = 0;

    IPtr<ParameterChanges> inputChanges = owned(new ParameterChanges);
    IPtr<ParameterChanges> outputChanges = owned(new ParameterChanges);
    ProcessSetup setup{};
    ProcessContext context{};
};

bool Vst3Host::Impl::Load(const std::string& path)
{
    const std::string modulePath = ModulePathFor(path);
    library = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
    {
        const char* why = dlerror();
        return Fail("cannot load the plug-in module " + modulePath + ": " +
                    (why != nullptr ? why : "unknown error"));
    }
    // Linux hosts hand the module its own handle first and say goodbye before unloading it.
    auto moduleEntry = reinterpret_cast<bool (*)(void*)>(dlsym(library, "ModuleEntry"));
    auto exitEntry = reinterpret_cast<bool (*)()>(dlsym(library, "ModuleExit"));
    auto getFactory =
        reinterpret_cast<IPluginFactory*(PLUGIN_API*)()>(dlsym(library, "GetPluginFactory"));
    if (moduleEntry == nullptr || exitEntry == nullptr || getFactory == nullptr)
    {
        return Fail(
            modulePath +
            " is not a VST 3 module (it lacks ModuleEntry, ModuleExit or GetPluginFactory)");
    }
    if (!moduleEntry(library))
    {
        return Fail("the plug-in module " + modulePath + " refused to start (ModuleEntry failed)");
    }
    moduleExit = exitEntry;
    factory = owned(getFactory());
    if (!factory)
    {
        return Fail("the plug-in module " + modulePath + " offers no class factory");
    }
    FUnknownPtr<IPluginFactory3> factory3(factory);
    if (factory3)
    {
        factory3->setHostContext(hostApplication);
    }
    if (!CreateComponent())
    {
        return false;
    }
    ReadParameters();
    loaded = true;
    return true;
}

bool Vst3Host::Impl::CreateComponent()
{
    for (int32 i = 0; i < factory->countClasses(); ++i)
    {
        PClassInfo info;
        if (factory->getClassInfo(i, &info) != kResultOk ||
            std::strncmp(info.category, kVstAudioEffectClass, PClassInfo::kCategorySize) != 0)
        {
            continue;
        }
        pluginName.assign(info.name, strnlen(info.name, PClassInfo::kNameSize));
        uniqueId = UniqueIdOf(info.cid);
        FUnknownPtr<IPluginFactory2> factory2(factory);
        PClassInfo2 info2;
        if (factory2 && factory2->getClassInfo2(i, &info2) == kResultOk)
        {
            decimalVersion = DecimalVersionOf(info2.version);
            version.assign(info2.version, strnlen(info2.version, PClassInfo2::kVersionSize));
        }
        IComponent* created = nullptr;
        if (factory->createInstance(info.cid, IComponent::iid,
                                    reinterpret_cast<void**>(&created)) != kResultOk ||
            created == nullptr)
        {
            return Fail("the plug-in's factory could not create \"" + pluginName + "\"");
        }
        component = owned(created);
        if (component->initialize(hostApplication) != kResultOk)
        {
            return Fail("\"" + pluginName + "\" failed to initialise");
        }
        initialized = true;
        processor = FUnknownPtr<IAudioProcessor>(component);
        controller = FUnknownPtr<IEditController>(component);
        if (!processor)
        {
            return Fail("\"" + pluginName + "\" is not an audio processor");
        }
        if (!controller)
        {
            return Fail("\"" + pluginName +
                        "\" keeps its edit controller in a separate class, which this host "
                        "does not support");
        }
        return true;
    }
    return Fail("the plug-in module offers no audio effect class");
}

void Vst3Host::Impl::ReadParameters()
{
    for (int32 i = 0; i < controller->getParameterCount(); ++i)
    {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) != kResultOk ||
            (info.flags & ParameterInfo::kIsReadOnly) != 0)
        {
            continue;
        }
        HostParameter parameter;
        parameter.id = info.id;
        parameter.title = ToUtf8(info.title);
        parameter.units = ToUtf8(info.units);
        parameter.minimum = controller->normalizedParamToPlain(info.id, 0.0);
        parameter.maximum = controller->normalizedParamToPlain(info.id, 1.0);
        parameter.defaultValue =
            controller->normalizedParamToPlain(info.id, info.defaultNormalizedValue);
        parameter.stepCount = info.stepCount;
        parameter.isBypass = (info.flags & ParameterInfo::kIsBypass) != 0;
        parameter.isProgramChange = (info.flags & ParameterInfo::kIsProgramChange) != 0;
        parameter.valueNames = ValueNames(*controller, info);
        parameters.push_back(parameter);
    }
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
    if (processor->canProcessSampleSize(sampleSize) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" cannot process " +
                    (doublePrecision ? "64-bit" : "32-bit") + " samples");
    }
    if (component->getBusCount(kAudio, kInput) < 1 || component->getBusCount(kAudio, kOutput) < 1)
    {
        return Fail("\"" + pluginName + "\" has no main audio input and output");
    }
    SpeakerArrangement input = channelCount == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    SpeakerArrangement output = input;
    if (processor->setBusArrangements(&input, 1, &output, 1) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" does not accept " + std::to_string(channelCount) +
                    "-channel input and output");
    }
    component->activateBus(kAudio, kInput, 0, true);
    component->activateBus(kAudio, kOutput, 0, true);

    setup.processMode = kOffline;
    setup.symbolicSampleSize = sampleSize;
    setup.maxSamplesPerBlock = maxBlockFrames;
    setup.sampleRate = sampleRate;
    if (processor->setupProcessing(setup) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" refused the processing setup");
    }
    if (component->setActive(true) != kResultOk)
    {
        return Fail("\"" + pluginName + "\" could not be activated");
    }
    // Not every plug-in implements setProcessing; a host calls it all the same.
    processor->setProcessing(true);
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
    AudioBusBuffers inputBus;
    inputBus.numChannels = channels;
    SetChannels(inputBus, inputs);
    AudioBusBuffers outputBus;
    outputBus.numChannels = channels;
    SetChannels(outputBus, outputs);

    ProcessData data;
    data.processMode = setup.processMode;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inputBus;
    data.outputs = &outputBus;
    data.inputParameterChanges = inputChanges;
    data.outputParameterChanges = outputChanges;
    data.processContext = &context;

    const tresult result = processor->process(data);
    // Parameter changes belong to the block that carried them.
    inputChanges->Clear();
    outputChanges->Clear();
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
    processor->setProcessing(false);
    component->setActive(false);
    active = false;
}

void Vst3Host::Impl::Unload()
{
    Stop();
    loaded = false;
    if (initialized)
    {
        component->terminate();
        initialized = false;
    }
    controller = nullptr;
    processor = nullptr;
    component = nullptr;
    factory = nullptr;
    if (moduleExit != nullptr)
    {
        moduleExit();
        moduleExit = nullptr;
    }
    if (library != nullptr)
    {
        dlclose(library);
        library = nullptr;
    }
}

Vst3Host::Vst3Host() : mImpl(new Impl) {}

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
    SetParameterNormalized(id, mImpl->controller->plainParamToNormalized(id, plainValue));
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
    mImpl->controller->setParamNormalized(id, normalized);
    int32 queueIndex = 0;
    int32 pointIndex = 0;
    mImpl->inputChanges->addParameterData(id, queueIndex)->addPoint(0, normalized, pointIndex);
}

double Vst3Host::GetParameterNormalized(uint32_t id) const
{
    return mImpl->loaded ? mImpl->controller->getParamNormalized(id) : 0.0;
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
    IEditController& controller = *mImpl->controller;
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

bool Vst3Host::SaveState(PluginState& state)
{
    if (!mImpl->loaded)
    {
        return mImpl->Fail("no plug-in is loaded");
    }
    IPtr<MemoryStream> componentStream = owned(new MemoryStream);
    IPtr<MemoryStream> controllerStream = owned(new MemoryStream);
    // A component may keep no state of its own and say so; the controller must answer.
    state.component.clear();
    if (mImpl->component->getState(componentStream) == kResultOk)
    {
        state.component = StreamBytes(*componentStream);
    }
    if (mImpl->controller->getState(controllerStream) != kResultOk)
    {
        return mImpl->Fail("\"" + mImpl->pluginName + "\" could not save its state");
    }
    state.controller = StreamBytes(*controllerStream);
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
        auto* bytes = const_cast<uint8_t*>(state.component.data());
        const auto size = static_cast<TSize>(state.component.size());
        IPtr<MemoryStream> stream = owned(new MemoryStream(bytes, size));
        if (mImpl->component->setState(stream) != kResultOk)
        {
            return mImpl->Fail("\"" + mImpl->pluginName + "\" refused its component state");
        }
        // The controller learns the component's state as a host passes it on.
        IPtr<MemoryStream> copy = owned(new MemoryStream(bytes, size));
        mImpl->controller->setComponentState(copy);
    }
    auto* bytes = const_cast<uint8_t*>(state.controller.data());
    IPtr<MemoryStream> stream =
        owned(new MemoryStream(bytes, static_cast<TSize>(state.controller.size())));
    if (mImpl->controller->setState(stream) != kResultOk)
    {
        return mImpl->Fail("\"" + mImpl->pluginName + "\" refused its controller state");
    }
    return true;
}

} // namespace veltar_render
