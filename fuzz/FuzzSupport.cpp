#include "FuzzSupport.h"

#include "framework/vst3/PlugModule.h"
#include "plugin/VELTAR.h"

#include "ProcessBlock.h"

#include "public.sdk/source/common/memorystream.h"

#include <cmath>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace fuzzsupport
{

namespace
{

StandInAdapter::Options CoreOptions(int nParams, int nPresets, bool doesChunks)
{
    StandInAdapter::Options options;
    options.nParams = nParams;
    options.nPresets = nPresets;
    options.doesChunks = doesChunks;
    options.uniqueID = CoreAdapter::kUniqueID;
    options.effectName = "Fuzz";
    options.mfrName = "Fuzz";
    options.version = 0x10000;
    options.mfrID = 0x46757a32; // 'Fuz2'
    options.recordsHost = false;
    return options;
}

} // namespace

CoreAdapter::CoreAdapter(int nParams, int nPresets, bool doesChunks)
    : StandInAdapter(CoreOptions(nParams, nPresets, doesChunks))
{
    for (int i = 0; i < nParams; ++i)
        GetParam(i)->InitDouble("P", 0.0, -1.0 - i, 1.0 + i, 0.01);
}

PlugPtr MakeInitialisedPlug()
{
    PlugPtr plug(MakePlug());
    FUZZ_CHECK(plug && plug->initialize(nullptr) == kResultOk);
    return plug;
}

IFxVST3& PlugAtBaseline()
{
    struct Baseline
    {
        PlugPtr plug = MakeInitialisedPlug();
        MemoryStream state;
        ByteChunk presets;
        Baseline()
        {
            FUZZ_CHECK(plug->getEditorState(&state) == kResultOk);
            FUZZ_CHECK(plug->SerializePresets(&presets));
        }
    };
    static Baseline baseline;
    IFxVST3& plug = *baseline.plug;
    FUZZ_CHECK(plug.UnserializePresets(&baseline.presets, 0) == baseline.presets.Size());
    baseline.state.seek(0, IBStream::kIBSeekSet, nullptr);
    FUZZ_CHECK(plug.setEditorState(&baseline.state) == kResultOk);
    return plug;
}

IFxVST3& PlugRestarted()
{
    static PlugPtr plug = MakeInitialisedPlug();
    plug->setActive(false);
    FUZZ_CHECK(plug->terminate() == kResultOk);
    FUZZ_CHECK(plug->initialize(nullptr) == kResultOk);
    // A new object holds the SDK's default setup. Setting up another block size first gives
    // new, silent scratch buffers even when the last input ended with the default one.
    ProcessSetup setup = {kRealtime, kSample32, 1, 44100.0};
    FUZZ_CHECK(plug->setupProcessing(setup) == kResultOk);
    setup.maxSamplesPerBlock = 1024;
    FUZZ_CHECK(plug->setupProcessing(setup) == kResultOk);
    ProcessContext context = {};
    ProcessData flush;
    flush.processContext = &context;
    FUZZ_CHECK(plug->process(flush) == kResultOk);
    plug->SetOversampling(OversamplingChoice());
    static_cast<VELTAR&>(*plug).RestartSignalChain();
    return *plug;
}

void CheckOversampling(IFxVST3& plug)
{
    FUZZ_CHECK(plug.GetOversampling().IsValid(plug.GetMaxOversampling()));
    FUZZ_CHECK(static_cast<int>(plug.getLatencySamples()) ==
               plug.OversamplingLatency(plug.GetOversamplingInEffect()));
}

void CheckParams(IFxBase& plug)
{
    for (int i = 0; i < plug.NParams(); ++i)
    {
        const IParam* p = plug.GetParam(i);
        FUZZ_CHECK(std::isfinite(p->Value()));
        FUZZ_CHECK(p->Value() >= p->GetMin() && p->Value() <= p->GetMax());
    }
}

void CheckStateRoundTrips(IFxVST3& plug)
{
    // The oversampling section follows the record only for a choice off the default.
    MemoryStream saved;
    FUZZ_CHECK(plug.getEditorState(&saved) == kResultOk);
    FUZZ_CHECK(saved.getSize() == (plug.GetOversampling().IsDefault() ? 60 : 80));
    saved.seek(0, IBStream::kIBSeekSet, nullptr);
    FUZZ_CHECK(plug.setEditorState(&saved) == kResultOk);
    MemoryStream again;
    FUZZ_CHECK(plug.getEditorState(&again) == kResultOk);
    FUZZ_CHECK(again.getSize() == saved.getSize());
    FUZZ_CHECK(
        !std::memcmp(again.getData(), saved.getData(), static_cast<size_t>(saved.getSize())));
}

std::vector<double> CheckProcessesFinite(IFxVST3& plug, IParameterChanges* changes)
{
    constexpr int kFrames = 64;
    ProcessSetup setup = {kRealtime, kSample64, kFrames, 48000.0};
    FUZZ_CHECK(plug.setupProcessing(setup) == kResultOk);
    FUZZ_CHECK(plug.activateBus(kAudio, BusDirections::kInput, 0, true) == kResultTrue);
    FUZZ_CHECK(plug.activateBus(kAudio, BusDirections::kOutput, 0, true) == kResultTrue);
    double in[2][kFrames];
    double out[2][kFrames] = {};
    for (int n = 0; n < kFrames; ++n)
        in[0][n] = in[1][n] = 0.8 * std::sin(0.05 * n);
    double* inPtrs[2] = {in[0], in[1]};
    double* outPtrs[2] = {out[0], out[1]};
    vst3host::MainBusBlock block(kRealtime, kSample64);
    ProcessData& data = block.Set(inPtrs, outPtrs, 2, kFrames);
    data.inputParameterChanges = changes;
    FUZZ_CHECK(plug.process(data) == kResultOk);
    std::vector<double> played;
    for (auto& channel : out)
        for (double v : channel)
        {
            FUZZ_CHECK(std::isfinite(v));
            played.push_back(v);
        }
    return played;
}

void ParamChanges::Add(ParamID id, ParamValue value, int nPoints)
{
    vst3host::ParamValueQueue* queue = AppendQueue(id);
    for (int32 offset = 0, index = 0; offset < nPoints; ++offset)
        queue->addPoint(offset, value, index);
}

} // namespace fuzzsupport
