// The same plug-in through its two host APIs, each built module loaded as its hosts load it:
// VST 3 through IAudioProcessor::process, LV2 through lilv's run, both on 32-bit stereo buffers
// with the output gain changed every block. Counter "rt" is the realtime factor (48 kHz).
#include "HostedPlugin.h"
#include "LilvHost.h"
#include "StereoBlock.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr double kRate = 48000.0;
constexpr ParamID kOutputID = 1;

struct Buffers
{
    explicit Buffers(int block)
        : inL(static_cast<size_t>(block)), inR(inL.size()), outL(inL.size()), outR(inL.size())
    {
        for (int n = 0; n < block; ++n)
        {
            inL[static_cast<size_t>(n)] = static_cast<float>(0.3 * std::sin(n * 0.05));
            inR[static_cast<size_t>(n)] = static_cast<float>(0.3 * std::cos(n * 0.07));
        }
    }
    std::vector<float> inL, inR, outL, outR;
};

void SetRate(benchmark::State& state, int block)
{
    const double frames = static_cast<double>(state.iterations()) * block;
    state.counters["rt"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

void VST3Module(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    veltartest::HostedPlugin plug;
    plug.Setup(kRate, kSample32, block);
    plug.component->setActive(true);
    Buffers b(block);
    float* ins[] = {b.inL.data(), b.inR.data()};
    float* outs[] = {b.outL.data(), b.outR.data()};
    StereoBlock stereo(ins, outs, block);
    ProcessData& data = stereo.data;
    // Output 0 dB and 0.048 dB, as positions.
    vst3test::ParameterChanges changes[2];
    changes[0].AddPoint(kOutputID, 0, 0.5);
    changes[1].AddPoint(kOutputID, 0, 0.501);
    int blockIdx = 0;
    for (auto _ : state)
    {
        data.inputParameterChanges = &changes[blockIdx++ & 1];
        plug.processor->process(data);
        benchmark::DoNotOptimize(b.outL.data());
    }
    SetRate(state, block);
    plug.component->setActive(false);
}

void LV2Module(benchmark::State& state)
{
    const int block = static_cast<int>(state.range(0));
    lv2test::Instance lv2(lv2test::kStereoURI, kRate, block);
    if (!lv2.Ok())
    {
        state.SkipWithError("the LV2 bundle did not load");
        return;
    }
    Buffers b(block);
    LilvInstance* instance = lv2.Lilv();
    lilv_instance_connect_port(instance, lv2.PortIndex("in_l"), b.inL.data());
    lilv_instance_connect_port(instance, lv2.PortIndex("in_r"), b.inR.data());
    lilv_instance_connect_port(instance, lv2.PortIndex("out_l"), b.outL.data());
    lilv_instance_connect_port(instance, lv2.PortIndex("out_r"), b.outR.data());
    float& output = lv2.Control("output");
    int blockIdx = 0;
    for (auto _ : state)
    {
        output = (blockIdx++ & 1) ? 0.048f : 0.0f;
        lilv_instance_run(instance, static_cast<uint32_t>(block));
        benchmark::DoNotOptimize(b.outL.data());
    }
    SetRate(state, block);
}
} // namespace

BENCHMARK(VST3Module)->Arg(256)->Arg(32)->Arg(1024);
BENCHMARK(LV2Module)->Arg(256)->Arg(32)->Arg(1024);
BENCHMARK_MAIN();
