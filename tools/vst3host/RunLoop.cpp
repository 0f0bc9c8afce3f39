#include "RunLoop.h"

#include <algorithm>

using namespace Steinberg;
using namespace Steinberg::Linux;

namespace vst3host
{

RunLoop::~RunLoop()
{
    for (const Event& e : mEvents)
        e.handler->release();
    for (const Timer& t : mTimers)
        t.handler->release();
}

int RunLoop::FireTimers()
{
    // A handler may unregister itself (or others) while it runs: call a snapshot.
    const std::vector<Timer> timers = mTimers;
    for (const Timer& t : timers)
        t.handler->onTimer();
    return static_cast<int>(timers.size());
}

int RunLoop::FireEvents()
{
    const std::vector<Event> events = mEvents;
    for (const Event& e : events)
        e.handler->onFDIsSet(e.fd);
    return static_cast<int>(events.size());
}

TimerInterval RunLoop::GetTimerInterval(const ITimerHandler* handler) const
{
    for (const Timer& t : mTimers)
        if (t.handler == handler)
            return t.interval;
    return 0;
}

tresult PLUGIN_API RunLoop::registerEventHandler(IEventHandler* handler, FileDescriptor fd)
{
    if (!handler)
        return kInvalidArgument;
    handler->addRef();
    mEvents.push_back({handler, fd});
    return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterEventHandler(IEventHandler* handler)
{
    auto it = std::find_if(mEvents.begin(), mEvents.end(),
                           [handler](const Event& e) { return e.handler == handler; });
    if (it == mEvents.end())
        return kInvalidArgument;
    mEvents.erase(it);
    handler->release();
    return kResultOk;
}

tresult PLUGIN_API RunLoop::registerTimer(ITimerHandler* handler, TimerInterval ms)
{
    if (!handler)
        return kInvalidArgument;
    handler->addRef();
    mTimers.push_back({handler, ms});
    return kResultOk;
}

tresult PLUGIN_API RunLoop::unregisterTimer(ITimerHandler* handler)
{
    auto it = std::find_if(mTimers.begin(), mTimers.end(),
                           [handler](const Timer& t) { return t.handler == handler; });
    if (it == mTimers.end())
        return kInvalidArgument;
    mTimers.erase(it);
    handler->release();
    return kResultOk;
}

} // namespace vst3host
