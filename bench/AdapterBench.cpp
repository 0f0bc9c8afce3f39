// Cost of the VST 3 adapter around the signal chain: VELTAR driven through IAudioProcessor::process
// with 32-bit or 64-bit host buffers and one parameter change per block, against the chain called
// directly on double buffers with the same settings. Counter "rt" is the realtime factor (stereo,
// 48 kHz).

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

template <class Sample> void ThroughProcess(benchmark::State& state)
{
    constexpr bool k64 = sizeof(Sample) == sizeof(double);
    const int block = static_cast<int>(state.range(0));
    IFxVST3* plug = MakePlug();
    plug->initialize(nullptr);
    ProcessSetup setup = {kRealtime, k64 ? kSample64 : kSample32, block, kRate};
    plug->setupProcessing(setup);
    plug->activateBus(kAudio, BusDirections::kInput, 0, true);
    plug->activateBus(kAudio, BusDirections::kOutput, 0, true);
    plug->setActive(true);

    std::vector<Sample> inL(static_cast<size_t>(block)), inR(inL.size()), outL(inL.size()),
        outR(inL.size());
    for (int n = 0; n < block; ++n)
    {
        inL[static_cast<size_t>(n)] = static_cast<float>(0.3 * std::sin(n * 0.05));
        inR[static_cast<size_t>(n)] = static_cast<float>(0.3 * std::cos(n * 0.07));
    }
    Sample* ins[] = {inL.data(), inR.data()};
    Sample* outs[] = {outL.data(), outR.data()};
    vst3host::MainBusBlock hostBlock(kRealtime, setup.symbolicSampleSize);
    ProcessData& data = hostBlock.Set(ins, outs, 2, block);
    // One queue with one point, the smallest change a host sends: the output gain alternates a
    // little so every block carries a real change.
    vst3host::ParameterChanges changes[2];
    changes[0].AddPoint(::kOutput, 0, 0.501);
    changes[1].AddPoint(::kOutput, 0, 0.5);

    int blockIdx = 0;
    for (auto _ : state)
    {
        data.inputParameterChanges = &changes[blockIdx++ & 1];
        plug->process(data);
        benchmark::DoNotOptimize(outL.data());
    }
    SetRate(state, block);
    plug->setActive(false);
    plug->terminate();
    plug->release();
}

void ChainDirect(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    ChannelStrip chain;
    std::vector<double> inL(static_cast<size_t>(block)), inR(inL.size()), outL(inL.size()),
        outR(inL.size());
    for (int n = 0; n < block; ++n)
    {
        inL[static_cast<size_t>(n)] = static_cast<float>(0.3 * std::sin(n * 0.05));
        inR[static_cast<size_t>(n)] = static_cast<float>(0.3 * std::cos(n * 0.07));
    }
    const double* ins[] = {inL.data(), inR.data()};
    double* outs[] = {outL.data(), outR.data()};
    int blockIdx = 0;
    for (auto _ : state)
    {
        double outputDb = (blockIdx++ & 1) ? 0.0 : 0.048;
        ChannelStripSettings s = {kRate, 1.0, std::pow(10.0, outputDb / 20.0), 0.5, 0.5, 1, 1, 0};
        chain.Process(ins, outs, block, s);
        benchmark::DoNotOptimize(outL.data());
    }
    SetRate(state, block);
}
} // namespace

BENCHMARK_TEMPLATE(ThroughProcess, float)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_TEMPLATE(ThroughProcess, double)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK(ChainDirect)->Arg(32)->Arg(256)->Arg(1024);
BENCHMARK_MAIN();
