// Where the time of a file render goes: veltar-render's whole path (start the plug-in, read,
// measure, process through the hosted bundle, measure, write) on a 10-minute 48 kHz stereo float
// WAV file, against each of its pieces alone, and a batch of eight such files at one and at two
// jobs. Counter "rt" is the realtime factor; the batch's "files_per_s" gives the throughput ratio
// of the two job counts.

#include "AudioFileReader.h"
#include "AudioFileWriter.h"
#include "Options.h"
#include "Render.h"
#include "SignalStats.h"
#include "Vst3Host.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <system_error>
#include <vector>

using namespace veltar_render;
using vst3host::Vst3Host;
namespace fs = std::filesystem;

namespace
{

constexpr double kRate = 48000.0;
constexpr int64_t kFrames = static_cast<int64_t>(600 * kRate);
constexpr int kBlock = 512;
constexpr int kChunk = 16384;
constexpr int kBatchFiles = 8;
constexpr double kSeconds = static_cast<double>(kFrames) / kRate;

// A folder of its own with the 10-minute input.
fs::path MakeFolder()
{
    // Memory-backed when the machine has it, so that the figures are the renderer's and not
    // the disk's: a batch writes 1.8 GB.
    const fs::path base =
        fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "veltar-render-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
    {
        std::abort();
    }
    const fs::path path = pattern;
    AudioFileWriter writer;
    std::vector<float> left(kChunk);
    std::vector<float> right(kChunk);
    const float* channels[] = {left.data(), right.data()};
    uint32_t noise = 1;
    if (!writer.Open((path / "in.wav").string(), 2, kRate))
    {
        std::abort();
    }
    for (int64_t done = 0; done < kFrames; done += kChunk)
    {
        for (int i = 0; i < kChunk; ++i)
        {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(done + i) / kRate;
            left[static_cast<size_t>(i)] = static_cast<float>(
                0.3 * std::sin(2.0 * M_PI * 220.0 * t) + 0.05 * (noise / 4294967296.0 - 0.5));
            right[static_cast<size_t>(i)] = left[static_cast<size_t>(i)] * 0.8f;
        }
        writer.Write(channels, std::min<int64_t>(kChunk, kFrames - done));
    }
    if (!writer.Commit())
    {
        std::abort();
    }
    for (int k = 0; k < kBatchFiles; ++k)
    {
        fs::create_hard_link(path / "in.wav", path / ("batch" + std::to_string(k) + ".wav"));
    }
    fs::create_directory(path / "out");
    return path;
}

// Removed with everything in it when the program ends: in memory it holds gigabytes of RAM.
struct ScratchFolder
{
    ~ScratchFolder()
    {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    fs::path path;
};

// The folder, made once for the whole run.
const fs::path& Folder()
{
    static const ScratchFolder folder{MakeFolder()};
    return folder.path;
}

void Realtime(benchmark::State& state, double filesPerIteration = 1.0)
{
    state.counters["rt"] = benchmark::Counter(kSeconds * filesPerIteration,
                                              benchmark::Counter::kIsIterationInvariantRate);
}

// veltar-render --in in.wav --out out.wav, in this process.
void WholeRender(benchmark::State& state)
{
    Options options;
    options.quiet = true;
    const std::string input = (Folder() / "in.wav").string();
    const std::string output = (Folder() / "out.wav").string();
    for (auto _ : state)
    {
        std::string summary;
        if (RenderFile(options, VELTAR_BUNDLE_PATH, input, output, nullptr, summary) != kSuccess)
        {
            state.SkipWithError(summary.c_str());
        }
    }
    Realtime(state);
}

// The hosted plug-in alone, on buffers in memory, in the renderer's blocks.
void HostedChainOnly(benchmark::State& state)
{
    Vst3Host host;
    if (!host.Load(VELTAR_BUNDLE_PATH) || !host.Start(kRate, 2, kBlock, false))
    {
        state.SkipWithError(host.GetError().c_str());
        return;
    }
    std::vector<float> in(kChunk, 0.25f);
    std::vector<float> out(kChunk);
    for (auto _ : state)
    {
        for (int64_t done = 0; done < kFrames; done += kBlock)
        {
            const float* inputs[] = {in.data(), in.data()};
            float* outputs[] = {out.data(), out.data() + kBlock};
            host.Process(inputs, outputs, kBlock);
        }
        benchmark::DoNotOptimize(out.data());
    }
    Realtime(state);
}

// Loading the module and creating the plug-in, as every render does once.
void PluginStartup(benchmark::State& state)
{
    for (auto _ : state)
    {
        Vst3Host host;
        if (!host.Load(VELTAR_BUNDLE_PATH))
        {
            state.SkipWithError(host.GetError().c_str());
        }
    }
}

// Reading the file into planar float buffers, as the render does.
void ReadOnly(benchmark::State& state)
{
    std::vector<float> left(kChunk);
    std::vector<float> right(kChunk);
    float* channels[] = {left.data(), right.data()};
    for (auto _ : state)
    {
        AudioFileReader reader;
        reader.Open((Folder() / "in.wav").string());
        while (reader.Read(channels, kChunk) > 0)
        {
        }
    }
    Realtime(state);
}

// Writing a float WAV file from planar buffers, as the render does.
void WriteOnly(benchmark::State& state)
{
    std::vector<float> samples(kChunk, 0.25f);
    const float* channels[] = {samples.data(), samples.data()};
    for (auto _ : state)
    {
        AudioFileWriter writer;
        writer.Open((Folder() / "written.wav").string(), 2, kRate);
        for (int64_t done = 0; done < kFrames; done += kChunk)
        {
            writer.Write(channels, kChunk);
        }
        writer.Commit();
    }
    Realtime(state);
}

// Peak and RMS of input and output: two passes over the signal.
void LevelsOnly(benchmark::State& state)
{
    std::vector<float> samples(kChunk, 0.25f);
    const float* channels[] = {samples.data(), samples.data()};
    for (auto _ : state)
    {
        SignalStats input(2);
        SignalStats output(2);
        for (int64_t done = 0; done < kFrames; done += kChunk)
        {
            input.Add(channels, kChunk);
            output.Add(channels, kChunk);
        }
        benchmark::DoNotOptimize(output.GetRms(0));
    }
    Realtime(state);
}

double ChildSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// veltar-render --out-dir out --jobs N on eight 10-minute files, as a user runs it.
void Batch(benchmark::State& state)
{
    std::string command =
        "'" VELTAR_RENDER_EXE "' -q --plugin '" VELTAR_BUNDLE_PATH "' --out-dir '" +
        (Folder() / "out").string() + "' --jobs " + std::to_string(state.range(0));
    for (int k = 0; k < kBatchFiles; ++k)
    {
        command += " '" + (Folder() / ("batch" + std::to_string(k) + ".wav")).string() + "'";
    }
    // The renders' own processor time, to tell a machine too busy to run two at once from two
    // that get in each other's way.
    const double before = ChildSeconds();
    for (auto _ : state)
    {
        if (std::system(command.c_str()) != 0)
        {
            state.SkipWithError("the batch failed");
        }
    }
    state.counters["cpu_s_per_file"] =
        (ChildSeconds() - before) / (kBatchFiles * static_cast<double>(state.iterations()));
    state.counters["files_per_s"] =
        benchmark::Counter(kBatchFiles, benchmark::Counter::kIsIterationInvariantRate);
    Realtime(state, kBatchFiles);
}

} // namespace

BENCHMARK(WholeRender)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(HostedChainOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PluginStartup)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LevelsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Batch)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

BENCHMARK_MAIN();
