#include "framework/lv2/HostRunLoopLV2.h"

bool IdleRunLoop::AddFdHandler(int fd, std::function<void()> onReadable)
{
    if (fd < 0 || !onReadable)
        return false;
    mFdHandlers.push_back(std::move(onReadable));
    return true;
}

bool IdleRunLoop::AddTimer(int intervalMs, std::function<void()> onTick)
{
    if (intervalMs <= 0 || !onTick)
        return false;
    const std::chrono::milliseconds interval(intervalMs);
    mTimers.push_back({interval, Clock::now() + interval, std::move(onTick)});
    return true;
}

void IdleRunLoop::RemoveAll()
{
    ++mGeneration;
    mFdHandlers.clear();
    mTimers.clear();
}

void IdleRunLoop::Idle()
{
    const unsigned generation = mGeneration;
    // Each callback runs from a copy: it may remove everything, itself included.
    for (size_t i = 0; i < mFdHandlers.size() && generation == mGeneration; ++i)
    {
        const std::function<void()> handler = mFdHandlers[i];
        handler();
    }
    const Clock::time_point now = Clock::now();
    for (size_t i = 0; i < mTimers.size() && generation == mGeneration; ++i)
    {
        Timer& timer = mTimers[i];
        if (now < timer.due)
            continue;
        // A host that idles rarely gets one tick, not a burst of the ticks it missed.
        timer.due = now + timer.interval;
        const std::function<void()> tick = timer.onTick;
        tick();
    }
}
