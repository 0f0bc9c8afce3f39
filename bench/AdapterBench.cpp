// Cost of the VST 3 adapter around the signal chain: VELTAR driven through IAudioProcessor::process
// with 32-bit or 64-bit host buffers and one parameter change per block, against the chain called
// directly on double buffers with the same settings. Counter "rt" is the realtime factor (stereo,
// 48 kHz).
//
// The two are also measured in pairs ("AdapterOverhead"): short runs of blocks through each
// alternate, so that a change in the machine's speed while the benchmark runs (a core shared with
// other guests) weighs on both alike. Counter "overhead_pct" is the adapter's time over the
// chain's, in percent. "MeteringOverhead" pairs the chain with the chain measuring the levels of
// its input and output as they pass, handed to the meters as the plug-in does every block for a
// 64-bit host; "MeteringOverhead32" the chain between a 32-bit host's conversions with the same
// chain between the conversions that also measure.

#include "PairedRuns.h"
#include "ParameterChanges.h"
#include "ProcessBlock.h"

#include "framework/core/LevelMeters.h"
#include "framework/core/SampleConversion.h"
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

// The settings the hosted plug-in gets with block number n: the output gain alternates a little.
ChannelStripSettings BlockSettings(int n)
{
    const double outputDb = (n & 1) ? 0.0 : 0.048;
    return {kRate, 1.0, std::pow(10.0, outputDb / 20.0), 0.5, 0.5, 1, 1, 0};
}

// The levels of two channels together, as the base adds them up.
ChannelLevels Both(const ChannelLevels (&channels)[2])
{
    ChannelLevels both;
    for (const ChannelLevels& c : channels)
    {
        both.peak = c.peak > both.peak ? c.peak : both.peak;
        both.sumSquares += c.sumSquares;
    }
    return both;
}

// The chain alone, with the settings the hosted one gets; with meters, measuring as the plug-in
// does for a 64-bit host.
class BareChain
{
public:
    explicit BareChain(int frames, LevelMeters* meters = nullptr)
        : mFrames(frames), mAudio(frames), mMeters(meters)
    {
    }

    void Block()
    {
        ChannelStripLevels levels;
        mChain.Process(mAudio.ins, mAudio.outs, mFrames, BlockSettings(mBlocks++),
                       mMeters ? &levels : nullptr);
        if (mMeters)
        {
            mMeters->Add(LevelMeters::kInputSide, Both(levels.in), 2, mFrames, kRate);
            mMeters->Add(LevelMeters::kOutputSide, Both(levels.out), 2, mFrames, kRate);
        }
        benchmark::DoNotOptimize(mAudio.outL.data());
    }

private:
private:
    int mFrames;
    StereoBlock<double> mAudio;
    ChannelStrip mChain;
    LevelMeters* mMeters;
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

// The chain between the conversions of a 32-bit host, as the base makes them; with meters, the
// conversions that measure the samples they convert.
class Chain32
{
public:
    explicit Chain32(int frames, LevelMeters* meters = nullptr)
        : mFrames(frames), mHost(frames), mInner(frames), mMeters(meters)
    {
    }

    void Block()
    {
        ChannelLevels in, out;
        for (int c = 0; c < 2; ++c)
            if (mMeters)
                mConverters.widenMeasuring(mHost.ins[c], mInner.ins[c], mFrames, &in);
            else
                mConverters.widen(mHost.ins[c], mInner.ins[c], mFrames);
        if (mMeters)
            mMeters->Add(LevelMeters::kInputSide, in, 2, mFrames, kRate);
        mChain.Process(mInner.ins, mInner.outs, mFrames, BlockSettings(mBlocks++));
        for (int c = 0; c < 2; ++c)
            if (mMeters)
                mConverters.narrowMeasuring(mInner.outs[c], mHost.outs[c], mFrames, &out);
            else
                mConverters.narrow(mInner.outs[c], mHost.outs[c], mFrames);
        if (mMeters)
            mMeters->Add(LevelMeters::kOutputSide, out, 2, mFrames, kRate);
        benchmark::DoNotOptimize(mHost.outL.data());
    }

private:
    int mFrames;
    StereoBlock<float> mHost;
    StereoBlock<double> mInner;
    ChannelStrip mChain;
    LevelMeters* mMeters;
    const SampleConverters mConverters = FastestSampleConverters();
    int mBlocks = 0;
};

// Runs of kRun blocks through each, in turns; counter "overhead_pct" is the first subject's time
// over the second's.
template <class Subject, class Reference>
void Paired(benchmark::State& state, Subject& subject, Reference& chain)
{
    constexpr int kRun = 8;
    const PairedTimes times = RunPaired(state, kRun, subject, chain);
    state.counters["overhead_pct"] = 100.0 * (times.first / times.second - 1.0);
}

template <class Sample> void AdapterOverhead(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    HostedVeltar<Sample> hosted(block);
    BareChain chain(block);
    Paired(state, hosted, chain);
}

void MeteringOverhead(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    LevelMeters meters;
    BareChain metered(block, &meters), chain(block);
    Paired(state, metered, chain);
}

void MeteringOverhead32(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    LevelMeters meters;
    Chain32 metered(block, &meters), chain(block);
    Paired(state, metered, chain);
}
} // namespace

BENCHMARK_TEMPLATE(ThroughProcess, float)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_TEMPLATE(ThroughProcess, double)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK(ChainDirect)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_TEMPLATE(AdapterOverhead, float)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_TEMPLATE(AdapterOverhead, double)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK(MeteringOverhead)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK(MeteringOverhead32)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_MAIN();
