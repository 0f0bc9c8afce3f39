// The host's user-interface loop, as a native layer needs it: watch a file descriptor and tick a
// timer, both called back on the host's user-interface thread. A host adapter implements it over
// the host's own run-loop interface, so native layers know nothing of any plug-in API.
#pragma once

#include <functional>

class IHostRunLoop
{
public:
    virtual ~IHostRunLoop() = default;

    // Calls onReadable whenever fd has something to read. False when the host refuses.
    virtual bool AddFdHandler(int fd, std::function<void()> onReadable) = 0;
    // Calls onTick every intervalMs milliseconds. False when the host refuses.
    virtual bool AddTimer(int intervalMs, std::function<void()> onTick) = 0;
    // Unregisters every handler and timer and lets go of the host's loop; nothing is called
    // afterwards. Safe to call from inside one of the callbacks.
    virtual void RemoveAll() = 0;
};
