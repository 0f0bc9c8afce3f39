// A host that gets everything wrong: odd setups, bus arrangements and bus activations, blocks of
// any length, buses and channels missing or surplus, null buffers, parameter queues for IDs that
// name nothing and values that are not numbers, oversampling chosen between blocks, samples that
// are not numbers. The plug-in must keep its parameters sane, its state saving and restoring to
// itself and, unless it is bypassed and the input itself was not finite, its output finite.
// Afterwards, brought back to its default state, it must play a probe block exactly as a new object
// does: nothing the host did is left behind.
//
// One object serves the whole run (a new one costs more than most inputs, for its editor); it is
// restarted before every input, so an input meets the same object whatever ran before it.
#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr ParamID kBypassID = 0x62706173; // 'bpas'

double OddValue(FuzzedDataProvider& in)
{
    static const double kValues[] = {0.0,   0.5,   1.0,    -1.0,   2.0,     kNaN,   kInf,
                                     -kInf, 1e300, -1e300, 1e-310, 0.50001, 0.49999};
    if (in.ConsumeBool())
        return in.PickValueInArray(kValues);
    return in.ConsumeFloatingPoint<double>();
}

ParamID OddParamID(FuzzedDataProvider& in)
{
    static const ParamID kIDs[] = {0,          1,          2,          3,          4,
                                   5,          6,          7,          0x70727374, kBypassID,
                                   0xFFFFFFFF, 0x80000000, 0x7FFFFFFF, 0x70727375};
    if (in.ConsumeBool())
        return in.PickValueInArray(kIDs);
    return in.ConsumeIntegral<ParamID>();
}

SpeakerArrangement OddArrangement(FuzzedDataProvider& in)
{
    static const SpeakerArrangement kArrangements[] = {0, 0x80000, 0x3, 0x103, 0x33, 0x37, 0x3f};
    if (in.ConsumeBool())
        return in.PickValueInArray(kArrangements);
    return in.ConsumeIntegral<SpeakerArrangement>();
}

// The samples of one host bus in the precision in use; a channel may have no buffer, and the bus
// may have no pointer array at all.
struct HostBus
{
    std::vector<std::vector<double>> data;
    std::vector<std::vector<float>> data32;
    std::vector<double*> ptrs;
    std::vector<float*> ptrs32;
    AudioBusBuffers buffers;
};

// Fills one channel (a test tone with spikes for an input, silence for an output) and answers
// the pointer the host hands over for it, which may be null.
template <class Sample>
Sample* MakeChannel(FuzzedDataProvider& in, std::vector<Sample>& samples, int nFrames, bool isInput)
{
    samples.assign(static_cast<size_t>(nFrames), Sample(0));
    Sample* ptr = in.ConsumeIntegralInRange(0, 15) != 0 ? samples.data() : nullptr;
    if (!isInput || samples.empty())
        return ptr;
    const double amplitude = in.ConsumeBool() ? 0.9 : OddValue(in);
    const double step = in.ConsumeFloatingPointInRange(0.0, 1.0);
    // sin(step n) by its recurrence, which costs a fraction of a library call per sample.
    const double twoCos = 2.0 * std::cos(step);
    double previous = -std::sin(step), current = 0.0;
    for (int n = 0; n < nFrames; ++n)
    {
        samples[static_cast<size_t>(n)] = static_cast<Sample>(amplitude * current);
        const double next = twoCos * current - previous;
        previous = current;
        current = next;
    }
    for (int spikes = in.ConsumeIntegralInRange(0, 3); spikes > 0; --spikes)
        samples[in.ConsumeIntegralInRange<size_t>(0, samples.size() - 1)] =
            static_cast<Sample>(OddValue(in));
    return ptr;
}

template <class Sample>
void MakeChannels(FuzzedDataProvider& in, std::vector<std::vector<Sample>>& data,
                  std::vector<Sample*>& ptrs, int nBuffers, int nFrames, bool isInput)
{
    data.resize(static_cast<size_t>(nBuffers));
    ptrs.resize(static_cast<size_t>(nBuffers));
    for (size_t c = 0; c < data.size(); ++c)
        ptrs[c] = MakeChannel(in, data[c], nFrames, isInput);
}

void MakeBus(FuzzedDataProvider& in, HostBus& bus, int nFrames, bool isInput, bool use64)
{
    const int nChannels = in.ConsumeIntegralInRange(-1, 4);
    const int nBuffers = nChannels > 0 ? nChannels : 0;
    if (use64)
        MakeChannels(in, bus.data, bus.ptrs, nBuffers, nFrames, isInput);
    else
        MakeChannels(in, bus.data32, bus.ptrs32, nBuffers, nFrames, isInput);
    bus.buffers.numChannels = nChannels;
    bus.buffers.channelBuffers64 = nullptr;
}

// Points the bus at its samples.
void AttachBus(HostBus& bus, bool use64, bool noPointers)
{
    if (noPointers || (bus.ptrs.empty() && bus.ptrs32.empty()))
        bus.buffers.channelBuffers64 = nullptr;
    else if (use64)
        bus.buffers.channelBuffers64 = bus.ptrs.data();
    else
        bus.buffers.channelBuffers32 = bus.ptrs32.data();
}

template <class Sample> bool AllFinite(const std::vector<std::vector<Sample>>& data)
{
    for (const std::vector<Sample>& channel : data)
        for (Sample v : channel)
            if (!std::isfinite(v))
                return false;
    return true;
}

bool AllFinite(const std::vector<HostBus>& buses)
{
    for (const HostBus& bus : buses)
        if (!AllFinite(bus.data) || !AllFinite(bus.data32))
            return false;
    return true;
}

void SetUp(FuzzedDataProvider& in, IFxVST3& plug, int32& sampleSize)
{
    static const double kRates[] = {44100.0, 48000.0, 96000.0, 192000.0, 8000.0, 1.0,
                                    0.0,     -1.0,    kNaN,    kInf,     1e9};
    static const int32 kBlocks[] = {1, 64, 512, 4096, 8192, 8193, 100000, 0, -1};
    ProcessSetup setup;
    setup.processMode = in.ConsumeIntegralInRange(-1, 3);
    setup.symbolicSampleSize = in.ConsumeIntegralInRange(-1, 2);
    setup.sampleRate = in.ConsumeBool() ? in.PickValueInArray(kRates) : OddValue(in);
    setup.maxSamplesPerBlock =
        in.ConsumeBool() ? in.PickValueInArray(kBlocks) : in.ConsumeIntegral<int32>();
    const bool valid =
        (setup.symbolicSampleSize == kSample32 || setup.symbolicSampleSize == kSample64) &&
        setup.sampleRate > 0.0 && std::isfinite(setup.sampleRate) && setup.maxSamplesPerBlock >= 1;
    const tresult result = plug.setupProcessing(setup);
    FUZZ_CHECK((result == kResultOk) == valid);
    if (valid)
        sampleSize = setup.symbolicSampleSize;
}

void Arrange(FuzzedDataProvider& in, IFxVST3& plug)
{
    SpeakerArrangement ins[3], outs[3];
    for (int i = 0; i < 3; ++i)
    {
        ins[i] = OddArrangement(in);
        outs[i] = OddArrangement(in);
    }
    const int32 numIns = in.ConsumeIntegralInRange(0, 3);
    const int32 numOuts = in.ConsumeIntegralInRange(0, 3);
    const bool nullIns = in.ConsumeIntegralInRange(0, 7) == 0;
    plug.setBusArrangements(nullIns ? nullptr : ins, numIns, outs, numOuts);
}

// Hosts switch on the buses they feed, which buses rebuilt by an arrangement are not; a careless
// one forgets, switches them off, or names buses that do not exist.
void ActivateBuses(FuzzedDataProvider& in, IFxVST3& plug)
{
    if (in.ConsumeIntegralInRange(0, 7) != 7)
    {
        plug.activateBus(kAudio, BusDirections::kInput, 0, true);
        plug.activateBus(kAudio, BusDirections::kOutput, 0, true);
    }
    for (int n = in.ConsumeIntegralInRange(0, 2); n > 0; --n)
    {
        const MediaType type = in.ConsumeIntegralInRange(-1, 2);
        const BusDirection dir = in.ConsumeIntegralInRange(-1, 2);
        const int32 index = in.ConsumeIntegralInRange(-1, 3);
        plug.activateBus(type, dir, index, in.ConsumeBool());
    }
}

// fedNonFinite: samples that are not numbers went in during this input, so that a bypass that
// delays by the latency may still be handing them on.
void ProcessBlock(FuzzedDataProvider& in, IFxVST3& plug, int32 sampleSize, bool& fedNonFinite)
{
    // The time of a run goes into the frames. Most blocks are short; some run past the default
    // block size of 1024 and a few past the most the plug-in takes in one piece (8192).
    int32 nFrames;
    const int kind = in.ConsumeIntegralInRange(0, 127);
    if (kind < 16)
        nFrames = 0;
    else if (kind == 16)
        nFrames = in.ConsumeIntegralInRange(-5, 20000);
    else if (kind < 31)
        nFrames = in.ConsumeIntegralInRange(-5, 1100);
    else
        nFrames = in.ConsumeIntegralInRange(1, 70);
    const int nAlloc = nFrames > 0 ? nFrames : 0;

    std::vector<HostBus> inputs(static_cast<size_t>(in.ConsumeIntegralInRange(0, 3)));
    std::vector<HostBus> outputs(static_cast<size_t>(in.ConsumeIntegralInRange(0, 3)));
    const bool use64 = sampleSize == kSample64;
    for (HostBus& bus : inputs)
        MakeBus(in, bus, nAlloc, true, use64);
    for (HostBus& bus : outputs)
        MakeBus(in, bus, nAlloc, false, use64);
    // Hosts that process in place hand the same buffers in and out.
    const bool inPlace = in.ConsumeBool() && !inputs.empty() && !outputs.empty() &&
                         inputs[0].buffers.numChannels == outputs[0].buffers.numChannels;
    if (inPlace)
    {
        outputs[0].ptrs = inputs[0].ptrs;
        outputs[0].ptrs32 = inputs[0].ptrs32;
    }
    for (HostBus& bus : inputs)
        AttachBus(bus, use64, in.ConsumeIntegralInRange(0, 15) == 0);
    for (HostBus& bus : outputs)
        AttachBus(bus, use64, in.ConsumeIntegralInRange(0, 15) == 0);
    const bool inputFinite = AllFinite(inputs);
    fedNonFinite = fedNonFinite || !inputFinite;

    std::vector<AudioBusBuffers> inBuffers, outBuffers;
    for (HostBus& bus : inputs)
        inBuffers.push_back(bus.buffers);
    for (HostBus& bus : outputs)
        outBuffers.push_back(bus.buffers);

    fuzzsupport::ParamChanges changes;
    for (int q = in.ConsumeIntegralInRange(0, 8); q > 0; --q)
        changes.Add(OddParamID(in), OddValue(in), in.ConsumeIntegralInRange(-1, 3));

    ProcessContext context = {};
    const std::vector<uint8_t> contextBytes = in.ConsumeBytes<uint8_t>(sizeof(context));
    if (!contextBytes.empty())
        std::memcpy(&context, contextBytes.data(), contextBytes.size());

    ProcessData data;
    data.processMode = kRealtime;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = nFrames;
    data.numInputs = static_cast<int32>(inputs.size());
    data.numOutputs = static_cast<int32>(outputs.size());
    data.inputs =
        inBuffers.empty() || in.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : inBuffers.data();
    data.outputs =
        outBuffers.empty() || in.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : outBuffers.data();
    data.inputParameterChanges = in.ConsumeBool() ? &changes : nullptr;
    data.processContext = contextBytes.empty() ? nullptr : &context;

    FUZZ_CHECK(plug.process(data) == kResultOk);
    fuzzsupport::CheckParams(plug);

    // Output channels the plug-in does not have keep what the host left there, which in place
    // is the input; bypassed with a latency, it hands on the input of earlier blocks too.
    if ((!inputFinite && (plug.GetIsBypassed() || inPlace)) ||
        (fedNonFinite && plug.GetIsBypassed() && plug.GetLatency() > 0))
        return;
    for (const AudioBusBuffers& bus : outBuffers)
    {
        if (!bus.channelBuffers64)
            continue;
        for (int c = 0; c < bus.numChannels; ++c)
        {
            if (use64 && bus.channelBuffers64[c])
            {
                for (int n = 0; n < nAlloc; ++n)
                    FUZZ_CHECK(std::isfinite(bus.channelBuffers64[c][n]));
            }
            else if (!use64 && bus.channelBuffers32[c])
            {
                for (int n = 0; n < nAlloc; ++n)
                    FUZZ_CHECK(std::isfinite(bus.channelBuffers32[c][n]));
            }
        }
    }
}

// A block of tone, then one bypassed at a factor with a latency, whose delay line must start out
// as silent as a new object's.
std::vector<double> Probe(IFxVST3& plug)
{
    std::vector<double> played = fuzzsupport::CheckProcessesFinite(plug);
    plug.SetOversampling({4, OversamplingChoice::kSameAsRealtime});
    fuzzsupport::ParamChanges bypass;
    bypass.Add(kBypassID, 1.0, 1);
    const std::vector<double> bypassed = fuzzsupport::CheckProcessesFinite(plug, &bypass);
    played.insert(played.end(), bypassed.begin(), bypassed.end());
    return played;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    IFxVST3* plug = &fuzzsupport::PlugRestarted();
    int32 sampleSize = kSample32;
    SetUp(in, *plug, sampleSize);
    Arrange(in, *plug);
    ActivateBuses(in, *plug);
    plug->setActive(true);

    bool fedNonFinite = false;
    for (int round = 0; round < 8 && in.remaining_bytes() > 0; ++round)
    {
        switch (in.ConsumeIntegralInRange(0, 9))
        {
        case 0:
            SetUp(in, *plug, sampleSize);
            break;
        case 1:
            Arrange(in, *plug);
            break;
        case 2:
            ActivateBuses(in, *plug);
            break;
        case 3:
            // A choice in the editor between blocks, offered or not.
            plug->SetOversamplingFromGUI(
                {in.ConsumeIntegralInRange(-1, 9), in.ConsumeIntegralInRange(-1, 9)});
            break;
        default:
            ProcessBlock(in, *plug, sampleSize, fedNonFinite);
            break;
        }
    }
    plug->setActive(false);
    fuzzsupport::CheckParams(*plug);
    fuzzsupport::CheckStateRoundTrips(*plug);

    static const std::vector<double> kClean = Probe(*fuzzsupport::MakeInitialisedPlug());
    FUZZ_CHECK(Probe(fuzzsupport::PlugRestarted()) == kClean);
    return 0;
}
