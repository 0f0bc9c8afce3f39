// Linux hosts offer their run loop (Steinberg::Linux::IRunLoop) for the editor's timers and
// descriptors; the interface exists only on Linux, and so do its IDs.
#include "pluginfactory.h"

#include "pluginterfaces/gui/iplugview.h"

namespace Steinberg
{
namespace Linux
{
DEF_CLASS_IID(IEventHandler)
DEF_CLASS_IID(ITimerHandler)
DEF_CLASS_IID(IRunLoop)
} // namespace Linux
} // namespace Steinberg

Steinberg::FUnknown* queryHostRunLoop(Steinberg::FUnknown* context)
{
    Steinberg::Linux::IRunLoop* loop = nullptr;
    if (!context ||
        context->queryInterface(Steinberg::Linux::IRunLoop::iid, reinterpret_cast<void**>(&loop)) !=
            Steinberg::kResultOk)
        return nullptr;
    return loop;
}
