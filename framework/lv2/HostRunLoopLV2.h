#pragma once

#include "framework/platform/HostRunLoop.h"

#include <chrono>
#include <functional>
#include <vector>

// The host loop of an LV2 UI: the host calls the UI's idle function now and then, and each call
// runs what is due. The descriptor handlers are called on every idle call (they read whatever
// there is, which may be nothing: events the display library already queued do not show on the
// descriptor), the timers once their interval has passed.
class IdleRunLoop : public IHostRunLoop
{
public:
    bool AddFdHandler(int fd, std::function<void()> onReadable) override;
    bool AddTimer(int intervalMs, std::function<void()> onTick) override;
    void RemoveAll() override;

    // One idle call of the host.
    void Idle();

private:
    using Clock = std::chrono::steady_clock;
    struct Timer
    {
        std::chrono::milliseconds interval;
        Clock::time_point due;
        std::function<void()> onTick;
    };

    std::vector<std::function<void()>> mFdHandlers;
    std::vector<Timer> mTimers;
    // Bumped by RemoveAll, so that an idle call stops when a callback removed everything.
    unsigned mGeneration = 0;
};
