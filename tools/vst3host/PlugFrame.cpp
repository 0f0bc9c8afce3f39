#include "PlugFrame.h"

#include "RunLoop.h"

using namespace Steinberg;

namespace vst3host
{

tresult PLUGIN_API PlugFrame::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (!view || !newSize)
        return kInvalidArgument;
    mRequests.push_back(*newSize);
    return view->onSize(newSize);
}

tresult PLUGIN_API PlugFrame::queryInterface(const TUID queried, void** obj)
{
    QUERY_INTERFACE(queried, obj, FUnknown::iid, IPlugFrame)
    QUERY_INTERFACE(queried, obj, IPlugFrame::iid, IPlugFrame)
    if (mRunLoop)
        return mRunLoop->queryInterface(queried, obj);
    *obj = nullptr;
    return kNoInterface;
}

} // namespace vst3host
