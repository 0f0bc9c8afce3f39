#include "PlugFrame.h"

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

} // namespace vst3host
