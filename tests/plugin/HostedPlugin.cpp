#include "HostedPlugin.h"
#include "MemoryStream.h"
#include "ProcessBlock.h"
#include "Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace veltartest
{

const TUID kVeltarCID = {'\xF2', '\xAE', '\xE7', '\x0D', '\x00', '\xDE', '\x4F', '\x4E',
                         '\x51', '\x75', '\x61', '\x75', '\x56', '\x74', '\x72', '\x31'};

vst3host::ModuleLoader& Module()
{
    static vst3host::ModuleLoader loader(VELTAR_BUNDLE);
    return loader;
}

std::string FromHost(const char16* text)
{
    return text ? vst3host::ToUtf8(text) : std::string();
}

HostedPlugin::HostedPlugin(const char* hostName, bool initialise) : host(hostName)
{
    IPluginFactory* factory = Module().GetFactory();
    if (!factory)
        throw std::runtime_error("module not loaded: " + Module().GetError());
    if (!Create(*factory, kVeltarCID, "VELTAR"))
        throw std::runtime_error(GetError());
    void* obj = nullptr;
    if (component->queryInterface(IUnitInfo::iid, &obj) != kResultOk)
        throw std::runtime_error("the plug-in lacks an interface every host needs");
    units = static_cast<IUnitInfo*>(obj);
    if (initialise)
        Initialize(&host);
    if (initialised)
        ActivateDefaultBuses();
}

HostedPlugin::~HostedPlugin()
{
    units->release();
    // The instance goes before the host context it was handed.
    Release();
}

tresult HostedPlugin::Setup(double sampleRate, int32 sampleSize, int32 maxBlock)
{
    ProcessSetup setup = {kRealtime, sampleSize, maxBlock, sampleRate};
    return processor->setupProcessing(setup);
}

template <class Sample>
Stereo HostedPlugin::Run(const Stereo& in, const std::vector<int>& pattern,
                         vst3host::ParameterChanges* changes, int32 sampleSize)
{
    const size_t total = in.Size();
    std::vector<Sample> inL(in.left.begin(), in.left.end());
    std::vector<Sample> inR(in.right.begin(), in.right.end());
    std::vector<Sample> outL(total), outR(total);
    size_t pos = 0;
    for (size_t k = 0; pos < total || (k == 0 && changes); ++k)
    {
        const size_t n =
            std::min<size_t>(static_cast<size_t>(pattern[k % pattern.size()]), total - pos);
        Sample* ins[2] = {inL.data() + pos, inR.data() + pos};
        Sample* outs[2] = {outL.data() + pos, outR.data() + pos};
        vst3host::MainBusBlock block(kRealtime, sampleSize);
        ProcessData& data = block.Set(ins, outs, 2, static_cast<int32>(n));
        data.inputParameterChanges = k == 0 ? changes : nullptr;
        processor->process(data);
        pos += n;
    }
    Stereo out(total);
    std::copy(outL.begin(), outL.end(), out.left.begin());
    std::copy(outR.begin(), outR.end(), out.right.begin());
    return out;
}

Stereo HostedPlugin::Process(const Stereo& in, const std::vector<int>& pattern,
                             vst3host::ParameterChanges* changes)
{
    return Run<double>(in, pattern, changes, kSample64);
}

Stereo HostedPlugin::Process32(const Stereo& in, const std::vector<int>& pattern,
                               vst3host::ParameterChanges* changes)
{
    return Run<float>(in, pattern, changes, kSample32);
}

tresult HostedPlugin::Flush(vst3host::ParameterChanges& changes)
{
    ProcessData data;
    data.inputParameterChanges = &changes;
    return processor->process(data);
}

void HostedPlugin::Set(ParamID id, double normalized)
{
    vst3host::ParameterChanges changes;
    changes.AddPoint(id, 0, normalized);
    Flush(changes);
}

std::vector<char> HostedPlugin::SaveState()
{
    vst3host::MemoryStream stream;
    if (controller->getState(&stream) != kResultOk)
        return {};
    return stream.GetData();
}

tresult HostedPlugin::LoadState(const std::vector<char>& bytes)
{
    vst3host::MemoryStream stream(bytes);
    return controller->setState(&stream);
}

std::vector<double> HostedPlugin::PlainValues()
{
    const std::vector<char> state = SaveState();
    std::vector<double> values(kNumPlugParams, std::nan(""));
    if (state.size() >= values.size() * sizeof(double))
        std::memcpy(values.data(), state.data(), values.size() * sizeof(double));
    return values;
}

ChannelStripSettings HostedPlugin::Settings(double sampleRate)
{
    const std::vector<double> v = PlainValues();
    return {sampleRate,
            std::pow(10.0, v[0] / 20.0),
            std::pow(10.0, v[1] / 20.0),
            v[2],
            v[3],
            static_cast<int>(v[4]),
            static_cast<int>(v[5]),
            static_cast<int>(v[6])};
}

} // namespace veltartest
