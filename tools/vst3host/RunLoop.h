#pragma once

#include "RefCount.h"

#include "pluginterfaces/gui/iplugview.h"

#include <vector>

namespace vst3host
{

// A host run loop that its owner drives: it keeps the handlers a plug-in registers (with a
// reference each, as hosts do) and calls them when the owner says so.
class RunLoop : public Steinberg::Linux::IRunLoop
{
public:
    virtual ~RunLoop();

    // Calls every registered timer once; answers how many were called.
    int FireTimers();
    // Tells every event handler that its descriptor is readable; answers how many were called.
    int FireEvents();
    int GetTimerCount() const { return static_cast<int>(mTimers.size()); }
    int GetEventHandlerCount() const { return static_cast<int>(mEvents.size()); }
    // Interval of the timer registered for handler, 0 when it has none.
    Steinberg::Linux::TimerInterval
    GetTimerInterval(const Steinberg::Linux::ITimerHandler* handler) const;

    Steinberg::tresult PLUGIN_API registerEventHandler(
        Steinberg::Linux::IEventHandler* handler, Steinberg::Linux::FileDescriptor fd) override;
    Steinberg::tresult PLUGIN_API
    unregisterEventHandler(Steinberg::Linux::IEventHandler* handler) override;
    Steinberg::tresult PLUGIN_API registerTimer(Steinberg::Linux::ITimerHandler* handler,
                                                Steinberg::Linux::TimerInterval ms) override;
    Steinberg::tresult PLUGIN_API
    unregisterTimer(Steinberg::Linux::ITimerHandler* handler) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        return QueryOwnInterface<Steinberg::Linux::IRunLoop>(this, queried, obj);
    }
    VST3HOST_REFCOUNT_METHODS

private:
    struct Event
    {
        Steinberg::Linux::IEventHandler* handler;
        Steinberg::Linux::FileDescriptor fd;
    };
    struct Timer
    {
        Steinberg::Linux::ITimerHandler* handler;
        Steinberg::Linux::TimerInterval interval;
    };
    std::vector<Event> mEvents;
    std::vector<Timer> mTimers;
    RefCount mRefs;
};

} // namespace vst3host
