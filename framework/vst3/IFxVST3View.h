#pragma once

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/common/pluginview.h"

#include <vector>

class IFxVST3;

// The editor view a host gets from IFxVST3::createView: it opens the plug-in's graphics context
// in the host's parent window and forwards the host's size requests. Each view holds one
// reference on its plug-in, so the plug-in outlives every view the host still holds.
// The host may show it at a content scale (its desktop's); the editor is then drawn at that
// scale, and the view's size is the scaled editor's.
class IFxVST3View : public Steinberg::CPluginView, public Steinberg::IPlugViewContentScaleSupport
{
public:
    explicit IFxVST3View(IFxVST3* plug);
    ~IFxVST3View() override;

    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    // Rewrites rect to the nearest size the view offers; answers true when it was one already.
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

    // Factors from 1 to 4; anything else answers false and changes nothing.
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    OBJ_METHODS(IFxVST3View, CPluginView)
    DEFINE_INTERFACES
    DEF_INTERFACE(Steinberg::IPlugViewContentScaleSupport)
    END_DEFINE_INTERFACES(CPluginView)
    REFCOUNT_METHODS(CPluginView)

    // Asks the host frame to make this view width × height; onSize completes the change.
    Steinberg::tresult resize(int width, int height);
    void SetExpectingNewSize() { mExpectingNewSize = true; }
    Steinberg::IPlugFrame* GetFrame() const { return plugFrame; }

private:
    // Closes the window this view opened, if it is still open.
    void CloseEditor();
    // The scales whose sizes the view accepts: the zoom menu's and the current one.
    std::vector<double> OfferedScales() const;

    IFxVST3* mPlug;
    bool mExpectingNewSize = false;
    // Whether the editor window was opened by this view and not yet closed: a host that releases
    // the view without calling removed must not leave a window and its timers behind.
    bool mOpen = false;
    bool mAttached = false;
    void* mWindow = nullptr;
};
