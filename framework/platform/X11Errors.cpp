#include "framework/platform/X11Errors.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace
{

struct ErrorTrap
{
    std::mutex mutex;
    int users = 0;
    XErrorHandler previous = nullptr;
    std::vector<std::pair<Display*, int>> displays; // connection, last error code
};

ErrorTrap& Trap()
{
    static ErrorTrap trap;
    return trap;
}

int OnXError(Display* display, XErrorEvent* error)
{
    XErrorHandler previous;
    {
        ErrorTrap& trap = Trap();
        std::lock_guard<std::mutex> lock(trap.mutex);
        for (auto& d : trap.displays)
            if (d.first == display)
            {
                d.second = error->error_code;
                return 0;
            }
        previous = trap.previous;
    }
    return previous ? previous(display, error) : 0;
}

} // namespace

void TrapErrorsOf(Display* display)
{
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    trap.displays.push_back({display, Success});
    if (trap.users++ == 0)
        trap.previous = XSetErrorHandler(OnXError);
}

void ReleaseErrorsOf(Display* display)
{
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    trap.displays.erase(std::remove_if(trap.displays.begin(), trap.displays.end(),
                                       [display](const auto& d) { return d.first == display; }),
                        trap.displays.end());
    if (--trap.users > 0)
        return;
    // Someone who set a handler after ours keeps theirs.
    const XErrorHandler current = XSetErrorHandler(trap.previous);
    if (current != OnXError)
        XSetErrorHandler(current);
    trap.previous = nullptr;
}

int TakeError(Display* display)
{
    XSync(display, False);
    ErrorTrap& trap = Trap();
    std::lock_guard<std::mutex> lock(trap.mutex);
    for (auto& d : trap.displays)
        if (d.first == display)
            return std::exchange(d.second, Success);
    return Success;
}
