// Two subjects timed in turns: each benchmark iteration runs kRun blocks of each, the one that goes
// first changing every time, so that a change in the machine's speed while the benchmark runs (a
// core shared with other guests) weighs on both alike.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>

struct PairedTimes
{
    double first = 0.0, second = 0.0; // seconds
};

// Runs first.Block() and second.Block() in alternating runs of run blocks for the whole benchmark.
template <class First, class Second>
PairedTimes RunPaired(benchmark::State& state, int run, First& first, Second& second)
{
    using Clock = std::chrono::steady_clock;
    Clock::duration firstTime{}, secondTime{};
    const auto timed = [run](auto& subject, Clock::duration& total)
    {
        const Clock::time_point start = Clock::now();
        for (int n = 0; n < run; ++n)
            subject.Block();
        total += Clock::now() - start;
    };
    bool firstFirst = true;
    for (auto _ : state)
    {
        if (firstFirst)
        {
            timed(first, firstTime);
            timed(second, secondTime);
        }
        else
        {
            timed(second, secondTime);
            timed(first, firstTime);
        }
        firstFirst = !firstFirst;
    }
    return {std::chrono::duration<double>(firstTime).count(),
            std::chrono::duration<double>(secondTime).count()};
}
