#pragma once

#include "public.sdk/source/common/pluginview.h"

class IFxVST3;

// The editor view a host gets from IFxVST3::createView: it opens the plug-in's graphics context
// in the host's parent window and forwards the host's size requests. Each view holds one
// reference on its plug-in, so the plug-in outlives every view the host still holds.
class IFxVST3View : public Steinberg::CPluginView
{
public:
    explicit IFxVST3View(IFxVST3* plug);
    ~IFxVST3View() override;

    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;

    // Asks the host frame to make this view width × height; onSize completes the change.
    Steinberg::tresult resize(int width, int height);
    void SetExpectingNewSize() { mExpectingNewSize = true; }
    Steinberg::IPlugFrame* GetFrame() const { return plugFrame; }

private:
    // Closes the window this view opened, if it is still open.
    void CloseEditor();

    IFxVST3* mPlug;
    bool mExpectingNewSize = false;
    // Whether the editor window was opened by this view and not yet closed: a host that releases
    // the view without calling removed must not leave a window and its timers behind.
    bool mOpen = false;
    void* mWindow = nullptr;
};
