// The whole processing cost of oversampling: VELTAR driven through IAudioProcessor::process with
// 32-bit host buffers (stereo, 48 kHz, blocks of 512) at 2, 4 and 8 times the host rate, against
// the same plug-in at the host rate, in paired runs: short runs of blocks through each alternate,
// the one that goes first changing every time, so that a change in the machine's speed (a core
// shared with other guests) weighs on both alike.
//
// Counters: "ratio", the oversampled plug-in's time over the plain one's; "rt_1x" and "rt_Nx",
// their realtime factors (seconds of audio per second). Settings: the defaults, and the drive of
// the heaviest case of the aliasing measurements (Input 24 dB, NK, both transformers in,
// Output -12 dB).

#include "PairedRuns.h"
#include "ParameterChanges.h"
#include "ProcessBlock.h"

#include "framework/vst3/PlugModule.h"
#include "plugin/VELTAR.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kRun = 8;

using Settings = std::vector<std::pair<int, double>>; // parameter, plain value

const Settings kDefaults = {};
const Settings kDriven = {
    {::kInput, 24.0}, {::kModel, 2.0}, {::kTransformer, 0.0}, {::kBus, 0.0}, {::kOutput, -12.0}};

// VELTAR as a host runs it, at an oversampling factor.
class HostedVeltar
{
public:
    HostedVeltar(int factor, const Settings& settings)
        : mInL(kBlock), mInR(kBlock), mOutL(kBlock), mOutR(kBlock)
    {
        for (size_t n = 0; n < mInL.size(); ++n)
        {
            mInL[n] = static_cast<float>(0.3 * std::sin(static_cast<double>(n) * 0.05));
            mInR[n] = static_cast<float>(0.3 * std::cos(static_cast<double>(n) * 0.07));
        }
        mPlug->initialize(nullptr);
        mPlug->SetOversampling({factor, OversamplingChoice::kSameAsRealtime});
        ProcessSetup setup = {kRealtime, kSample32, kBlock, kRate};
        mPlug->setupProcessing(setup);
        mPlug->activateBus(kAudio, BusDirections::kInput, 0, true);
        mPlug->activateBus(kAudio, BusDirections::kOutput, 0, true);
        mPlug->setActive(true);
        mHostBlock.Set(mIns, mOuts, 2, kBlock);
        vst3host::ParameterChanges changes;
        for (const auto& s : settings)
            changes.AddPoint(static_cast<ParamID>(s.first), 0,
                             mPlug->GetParam(s.first)->GetNormalized(s.second));
        mHostBlock.data.inputParameterChanges = &changes;
        mPlug->process(mHostBlock.data);
        mHostBlock.data.inputParameterChanges = nullptr;
        // Long enough for the smoothers to reach their targets.
        for (int b = 0; b < 20 * static_cast<int>(kRate) / kBlock; ++b)
            Block();
    }
    ~HostedVeltar()
    {
        mPlug->setActive(false);
        mPlug->terminate();
        mPlug->release();
    }
    HostedVeltar(const HostedVeltar&) = delete;
    HostedVeltar& operator=(const HostedVeltar&) = delete;

    void Block()
    {
        mPlug->process(mHostBlock.data);
        benchmark::DoNotOptimize(mOutL.data());
        benchmark::ClobberMemory();
    }

private:
    IFxVST3* mPlug = MakePlug();
    std::vector<float> mInL, mInR, mOutL, mOutR;
    float* mIns[2] = {mInL.data(), mInR.data()};
    float* mOuts[2] = {mOutL.data(), mOutR.data()};
    vst3host::MainBusBlock mHostBlock{kRealtime, kSample32};
};

void Paired(benchmark::State& state, int factor, const Settings& settings)
{
    HostedVeltar plain(1, settings);
    HostedVeltar oversampled(factor, settings);
    const PairedTimes times = RunPaired(state, kRun, plain, oversampled);
    const double seconds = static_cast<double>(state.iterations()) * kRun * kBlock / kRate;
    state.counters["ratio"] = times.second / times.first;
    state.counters["rt_1x"] = seconds / times.first;
    state.counters["rt_Nx"] = seconds / times.second;
}

void RegisterCases()
{
    for (const auto& setting :
         {std::make_pair("Defaults", &kDefaults), std::make_pair("Driven", &kDriven)})
        for (int factor : {2, 4, 8})
        {
            const Settings* settings = setting.second;
            benchmark::RegisterBenchmark(
                ("Oversampling" + std::string(setting.first) + "/" + std::to_string(factor) + "x")
                    .c_str(),
                [factor, settings](benchmark::State& state) { Paired(state, factor, *settings); });
        }
}

} // namespace

int main(int argc, char** argv)
{
    RegisterCases();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
