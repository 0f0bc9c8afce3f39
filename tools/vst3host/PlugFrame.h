#pragma once

#include "RefCount.h"

#include "pluginterfaces/gui/iplugview.h"

#include <vector>

namespace vst3host
{

// The frame a host gives an editor view through setFrame, offering also what extras offers (on
// Linux the host's run loop, RunLoop.h). A resize request is granted at once, as a host does, by
// calling the view's onSize.
class PlugFrame : public Steinberg::IPlugFrame
{
public:
    explicit PlugFrame(Steinberg::FUnknown* extras = nullptr) : mExtras(extras) {}
    virtual ~PlugFrame() = default;

    const std::vector<Steinberg::ViewRect>& GetResizeRequests() const { return mRequests; }

    Steinberg::tresult PLUGIN_API resizeView(Steinberg::IPlugView* view,
                                             Steinberg::ViewRect* newSize) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        return QueryOwnInterface<Steinberg::IPlugFrame>(this, queried, obj, mExtras);
    }
    VST3HOST_REFCOUNT_METHODS

private:
    Steinberg::FUnknown* mExtras;
    std::vector<Steinberg::ViewRect> mRequests;
    RefCount mRefs;
};

} // namespace vst3host
