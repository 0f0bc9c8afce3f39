// What an instance whose editor is never opened costs, as a host that only processes (a renderer,
// a batch job, a fuzzer) creates it: the time until the first instance of a process is ready,
// each measured in a fresh process (the decoded artwork is shared by all instances of a process),
// and the heap held by each of 100 instances once the first exists. Beside them, the first
// instance until its editor has painted once, where the artwork's decoding is paid.
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"
#include "plugin/VELTAR.h"

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace
{

IFxVST3* ReadyInstance()
{
    IFxVST3* plug = MakePlug();
    plug->initialize(nullptr);
    return plug;
}

void Destroy(IFxVST3* plug)
{
    plug->terminate();
    plug->release();
}

bool ArtworkFound(IFxVST3* plug)
{
    const auto* editor = dynamic_cast<IGraphics*>(plug->GetGUI());
    return editor && editor->GetNControls() > 1 && editor->GetControl(1)->GetRECT()->W() > 0;
}

size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Runs first(), which answers whether the artwork was found, in a new process per iteration
// and records how long it took there.
template <class First> void InFreshProcess(benchmark::State& state, First first)
{
    SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
    for (auto _ : state)
    {
        int fds[2];
        if (pipe(fds) != 0)
        {
            state.SkipWithError("no pipe");
            return;
        }
        const pid_t child = fork();
        if (child == 0)
        {
            const auto start = std::chrono::steady_clock::now();
            const bool found = first();
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const double report = found ? seconds : -1.0;
            _exit(write(fds[1], &report, sizeof report) == sizeof report ? 0 : 1);
        }
        close(fds[1]);
        double seconds = -1.0;
        const bool got = read(fds[0], &seconds, sizeof seconds) == sizeof seconds;
        close(fds[0]);
        int status = 0;
        waitpid(child, &status, 0);
        if (!got || seconds < 0.0)
        {
            state.SkipWithError("artwork not found under " VELTAR_SOURCE_DIR "/resources/img");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

// Five fresh processes, five times: a process's first instance is measured once per process.
void InFreshProcesses(benchmark::internal::Benchmark* bench)
{
    bench->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5)->Repetitions(5);
}

void BM_FirstInstanceReady(benchmark::State& state)
{
    InFreshProcess(state, [] { return ArtworkFound(ReadyInstance()); });
}
BENCHMARK(BM_FirstInstanceReady)->Apply(InFreshProcesses);

// For comparison: the first instance of a process until its editor's first paint is done.
void BM_FirstInstanceShown(benchmark::State& state)
{
    InFreshProcess(state,
                   []
                   {
                       IFxVST3* plug = ReadyInstance();
                       IGraphics* editor = plug->GetEditor();
                       editor->OpenWindow(nullptr);
                       editor->Draw(IRECT(0, 0, editor->Width(), editor->Height()));
                       return ArtworkFound(plug);
                   });
}
BENCHMARK(BM_FirstInstanceShown)->Apply(InFreshProcesses);

void BM_HundredInstances(benchmark::State& state)
{
    SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
    IFxVST3* first = ReadyInstance();
    if (!ArtworkFound(first))
    {
        state.SkipWithError("artwork not found under " VELTAR_SOURCE_DIR "/resources/img");
        Destroy(first);
        return;
    }
    std::vector<IFxVST3*> plugs;
    double bytesPerInstance = 0.0;
    for (auto _ : state)
    {
        const size_t before = HeapInUse();
        for (int i = 0; i < 100; ++i)
            plugs.push_back(ReadyInstance());
        bytesPerInstance = double(HeapInUse() - before) / 100.0;
        state.PauseTiming();
        for (IFxVST3* plug : plugs)
            Destroy(plug);
        plugs.clear();
        state.ResumeTiming();
    }
    state.counters["KiB_per_instance"] = bytesPerInstance / 1024.0;
    Destroy(first);
}
BENCHMARK(BM_HundredInstances)->Unit(benchmark::kMillisecond)->Iterations(3)->Repetitions(5);

} // namespace

BENCHMARK_MAIN();
