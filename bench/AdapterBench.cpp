// Cost of the VST 3 adapter around the signal chain: VELTAR driven through IAudioProcessor::process
// with 32-bit or 64-bit host buffers and one parameter change per block, against the chain called
// directly on double buffers with the same settings. Counter "rt" is the realtime factor (stereo,
// 48 kHz).
//
// The two are also measured in pairs ("AdapterOverhead"): short runs of blocks through each
// alternate, so that a change in the machine's speed while the benchmark runs (a core shared with
// other guests) weighs on both alike. Counter "overhead_pct" is the adapter's time over the
// chain's, in percent.

#include "PairedRuns.h"
#include "ParameterChanges.h"
#include "ProcessBlock.h"

#include "framework/vst3/PlugModule.h"
#include "plugin/ChannelStrip.h"
#include "plugin/VELTAR.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr double kRate = 48000.0;

void SetRate(benchmark::State& state, int block)
{
    double frames = static_cast<double>(state.iterations()) * block;
    state.counters["rt"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

// A block of two channels of test tone, and room for the output.
template <class Sample> struct StereoBlock
{
    explicit StereoBlock(int frames)
        : inL(static_cast<size_t>(frames)), inR(inL.size()), outL(inL.size()), outR(inL.size())
    {
        for (size_t n = 0; n < inL.size(); ++n)
        {
            inL[n] = static_cast<float>(0.3 * std::sin(static_cast<double>(n) * 0.05));
            inR[n] = static_cast<float>(0.3 * std::cos(static_cast<double>(n) * 0.07));
        }
    }
    std::vector<Sample> inL, inR, outL, outR;
    Sample* ins[2] = {inL.data(), inR.data()};
    Sample* outs[2] = {outL.data(), outR.data()};
};

// VELTAR as a host runs it. Every block carries the smallest change a host sends, one queue with
// one point: the output gain alternates a little, so every block carries a real change.
template <class Sample> class HostedVeltar
{
public:
    static constexpr bool k64 = sizeof(Sample) == sizeof(double);

    explicit HostedVeltar(int frames) : mAudio(frames)
    {
        ProcessSetup setup = {kRealtime, k64 ? kSample64 : kSample32, frames, kRate};
        mPlug->initialize(nullptr);
        mPlug->setupProcessing(setup);
        mPlug->activateBus(kAudio, BusDirections::kInput, 0, true);
        mPlug->activateBus(kAudio, BusDirections::kOutput, 0, true);
        mPlug->setActive(true);
        mHostBlock.Set(mAudio.ins, mAudio.outs, 2, frames);
        mChanges[0].AddPoint(::kOutput, 0, 0.501);
        mChanges[1].AddPoint(::kOutput, 0, 0.5);
    }
    ~HostedVeltar()
    {
        mPlug->setActive(false);
        mPlug->terminate();
        mPlug->release();
    }

    void Block()
    {
        mHostBlock.data.inputParameterChanges = &mChanges[mBlocks++ & 1];
        mPlug->process(mHostBlock.data);
        benchmark::DoNotOptimize(mAudio.outL.data());
    }

private:
    IFxVST3* mPlug = MakePlug();
    StereoBlock<Sample> mAudio;
    vst3host::MainBusBlock mHostBlock{kRealtime, k64 ? kSample64 : kSample32};
    vst3host::ParameterChanges mChanges[2];
    int mBlocks = 0;
};

// The chain alone, with the settings the hosted one gets.
class BareChain
{
public:
    explicit BareChain(int frames) : mFrames(frames), mAudio(frames) {}

    void Block()
    {
        double outputDb = (mBlocks++ & 1) ? 0.0 : 0.048;
        ChannelStripSettings s = {kRate, 1.0, std::pow(10.0, outputDb / 20.0), 0.5, 0.5, 1, 1, 0};
        mChain.Process(mAudio.ins, mAudio.outs, mFrames, s);
        benchmark::DoNotOptimize(mAudio.outL.data());
    }

private:
    int mFrames;
    StereoBlock<double> mAudio;
    ChannelStrip mChain;
    int mBlocks = 0;
};

template <class Sample> void ThroughProcess(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    HostedVeltar<Sample> hosted(block);
    for (auto _ : state)
        hosted.Block();
    SetRate(state, block);
}

void ChainDirect(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    BareChain chain(block);
    for (auto _ : state)
        chain.Block();
    SetRate(state, block);
}

// Runs of kRun blocks through each, in turns.
template <class Sample> void AdapterOverhead(benchmark::State& state)
{
    constexpr int kRun = 8;
    const int block = static_cast<int>(state.range(0));
    HostedVeltar<Sample> hosted(block);
    BareChain chain(block);
    const PairedTimes times = RunPaired(state, kRun, hosted, chain);
    state.counters["overhead_pct"] = 100.0 * (times.first / times.second - 1.0);
}
} // namespace

BENCHMARK_TEMPLATE(ThroughProcess, float)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_TEMPLATE(ThroughProcess, double)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK(ChainDirect)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_TEMPLATE(AdapterOverhead, float)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_TEMPLATE(AdapterOverhead, double)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_MAIN();
