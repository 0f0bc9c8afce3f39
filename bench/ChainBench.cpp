// Throughput of the signal chain, stereo at 48 kHz in blocks of 512 frames, against the plain
// per-frame computation. Counters: frames/s and the realtime factor (seconds of audio per second).
// At the end the ChannelStrip/Reference speed ratio of each case is printed (CPU time: the
// machine may be shared); the Baseline cases run the chain on the code path every CPU of the
// architecture has. The Paired cases measure that ratio directly: runs of blocks through the chain
// and through the reference alternate, so that a change in the machine's speed while the
// benchmark runs (a core shared with other guests) weighs on both alike.

#include "plugin/ChannelStrip.h"
#include "plugin/ReferenceChain.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace
{

constexpr double kRate = 48000.0;
constexpr int kBlock = 512;
constexpr int kLoopBlocks = 94; // about two seconds of test signal, cycled

const ChannelStripSettings kDefault = {kRate, 1.0, 1.0, 0.5, 0.5, 1, 1, 0};
// Both transformers in circuit and the line amplifier with its input compression.
const ChannelStripSettings kHeaviest = {kRate, 2.0, 0.5, 0.3, 0.8, 0, 0, 1};

struct Signal
{
    std::vector<double> left, right;
    explicit Signal(double level, unsigned seed) : left(kBlock * kLoopBlocks), right(left.size())
    {
        std::mt19937 rng(seed);
        std::normal_distribution<double> noise(0.0, level);
        for (size_t n = 0; n < left.size(); ++n)
        {
            left[n] = noise(rng);
            right[n] = noise(rng);
        }
    }
};

// The chain on the code path every CPU of the architecture has, whatever this CPU has beyond it.
struct BaselineStrip : ChannelStrip
{
    BaselineStrip() { mPath = BaselineChannelStripPath(); }
};

template <typename Chain> struct Runner
{
    Chain chain;
    std::vector<double> outL = std::vector<double>(kBlock), outR = std::vector<double>(kBlock);

    void Block(const Signal& in, int block, const ChannelStripSettings& s)
    {
        const size_t pos = static_cast<size_t>(block % kLoopBlocks) * kBlock;
        const double* inputs[2] = {in.left.data() + pos, in.right.data() + pos};
        double* outputs[2] = {outL.data(), outR.data()};
        chain.Process(inputs, outputs, kBlock, s);
    }

    // Long enough for the smoothers to reach their fixed point.
    void Settle(const Signal& in, const ChannelStripSettings& s)
    {
        for (int b = 0; b < 20 * static_cast<int>(kRate) / kBlock; ++b)
            Block(in, b, s);
    }
};

void SetCounters(benchmark::State& state)
{
    const double frames = static_cast<double>(state.iterations()) * kBlock;
    state.counters["frames/s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
    state.counters["realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

template <typename Chain> void Settled(benchmark::State& state, ChannelStripSettings s)
{
    const Signal in(0.1, 1);
    Runner<Chain> r;
    r.Settle(in, s);
    int block = 0;
    for (auto _ : state)
    {
        r.Block(in, block++, s);
        benchmark::DoNotOptimize(r.outL.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
}

// All four knobs moved to a new random position every block.
std::vector<ChannelStripSettings> AutomationTargets()
{
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    std::vector<ChannelStripSettings> targets(64, kHeaviest);
    for (ChannelStripSettings& s : targets)
    {
        s.inputGain = std::pow(10.0, 24.0 * u(rng) / 20.0);
        s.outputGain = std::pow(10.0, (48.0 * u(rng) - 24.0) / 20.0);
        s.low = u(rng);
        s.high = u(rng);
    }
    return targets;
}

template <typename Chain> void Automated(benchmark::State& state)
{
    const Signal in(0.1, 2);
    const std::vector<ChannelStripSettings> targets = AutomationTargets();
    Runner<Chain> r;
    r.Settle(in, kHeaviest);
    int block = 0;
    for (auto _ : state)
    {
        r.Block(in, block, targets[block % targets.size()]);
        ++block;
        benchmark::DoNotOptimize(r.outL.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
}

// Silence right after a loud passage, restarted from the same point every second of audio: the
// decaying filter histories pass through the subnormal range.
template <typename Chain> void SilentTail(benchmark::State& state)
{
    const Signal loud(0.7, 4);
    const Signal silence(0.0, 5);
    Runner<Chain> r;
    r.Settle(loud, kDefault);
    const Chain afterLoud = r.chain;
    int block = 0;
    for (auto _ : state)
    {
        if (block % kLoopBlocks == 0)
            r.chain = afterLoud;
        r.Block(silence, block++, kDefault);
        benchmark::DoNotOptimize(r.outL.data());
        benchmark::ClobberMemory();
    }
    SetCounters(state);
}

// The chain and the reference on the same signal and settings (setting(block) gives a block's),
// in runs of kRun blocks each, the one that goes first changing every time; after every pair of
// runs their last blocks are compared. Counter "speed-up": the reference's time over the chain's.
template <typename Setting>
void Paired(benchmark::State& state, const Signal& in, const Setting& setting)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kRun = 16;
    Runner<ChannelStrip> strip;
    Runner<ReferenceChain> reference;
    strip.Settle(in, setting(0));
    reference.Settle(in, setting(0));
    Clock::duration stripTime{}, referenceTime{};
    int stripBlock = 0, referenceBlock = 0;
    const auto timed = [&](auto& runner, int& block, Clock::duration& total)
    {
        const Clock::time_point start = Clock::now();
        for (int n = 0; n < kRun; ++n, ++block)
        {
            runner.Block(in, block, setting(block));
            benchmark::DoNotOptimize(runner.outL.data());
            benchmark::ClobberMemory();
        }
        total += Clock::now() - start;
    };
    bool stripFirst = true;
    for (auto _ : state)
    {
        if (stripFirst)
        {
            timed(strip, stripBlock, stripTime);
            timed(reference, referenceBlock, referenceTime);
        }
        else
        {
            timed(reference, referenceBlock, referenceTime);
            timed(strip, stripBlock, stripTime);
        }
        stripFirst = !stripFirst;
        // Both have played the same blocks: their last ones must agree to the bit.
        if (std::memcmp(strip.outL.data(), reference.outL.data(), kBlock * sizeof(double)) != 0 ||
            std::memcmp(strip.outR.data(), reference.outR.data(), kBlock * sizeof(double)) != 0)
        {
            state.SkipWithError("the chain's output differs from the reference's");
            break;
        }
    }
    state.counters["speed-up"] = std::chrono::duration<double>(referenceTime).count() /
                                 std::chrono::duration<double>(stripTime).count();
}

void RegisterPairedCases()
{
    benchmark::RegisterBenchmark("PairedHeaviest",
                                 [](benchmark::State& state)
                                 {
                                     const Signal in(0.1, 1);
                                     Paired(state, in, [](int) { return kHeaviest; });
                                 });
    benchmark::RegisterBenchmark(
        "PairedAutomated",
        [](benchmark::State& state)
        {
            const Signal in(0.1, 2);
            const std::vector<ChannelStripSettings> targets = AutomationTargets();
            Paired(state, in, [&](int block) { return targets[block % targets.size()]; });
        });
}

// The cases of one chain, named after it ("StripDefault", "ReferenceHeaviest" ...): the default
// setting and the silent tail only for the chains compared there.
template <typename Chain> void RegisterCases(const std::string& chain, bool signalAndTail)
{
    const auto add = [&](const char* setting, auto run)
    { benchmark::RegisterBenchmark((chain + setting).c_str(), run); };
    if (signalAndTail)
        add("Default", [](benchmark::State& s) { Settled<Chain>(s, kDefault); });
    add("Heaviest", [](benchmark::State& s) { Settled<Chain>(s, kHeaviest); });
    add("Automated", Automated<Chain>);
    if (signalAndTail)
        add("SilentTail", SilentTail<Chain>);
}

// Console output plus, at the end, the speed of each ChannelStrip case relative to the
// reference (from the medians when repetitions are aggregated) and the silent tail relative to
// the signal.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
        {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median)
                mTime[run.run_name.function_name] = run.GetAdjustedCPUTime();
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        for (const char* c : {"Default", "Heaviest", "Automated", "SilentTail"})
            Print(std::string("Reference") + c, std::string("Strip") + c,
                  std::string("speed-up over the reference, ") + c);
        for (const char* c : {"Heaviest", "Automated"})
            Print(std::string("Reference") + c, std::string("Baseline") + c,
                  std::string("speed-up over the reference, baseline path, ") + c);
        Print("StripSilentTail", "StripDefault", "silent tail time / signal time (strip)");
        Print("ReferenceSilentTail", "ReferenceDefault",
              "silent tail time / signal time (reference)");
    }

private:
    void Print(const std::string& numerator, const std::string& denominator,
               const std::string& what)
    {
        const auto n = mTime.find(numerator), d = mTime.find(denominator);
        if (n != mTime.end() && d != mTime.end() && d->second > 0.0)
            std::printf("%-55s %.3f\n", what.c_str(), n->second / d->second);
    }

    std::map<std::string, double> mTime;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RegisterCases<ChannelStrip>("Strip", true);
    RegisterCases<BaselineStrip>("Baseline", false);
    RegisterCases<ReferenceChain>("Reference", true);
    RegisterPairedCases();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
