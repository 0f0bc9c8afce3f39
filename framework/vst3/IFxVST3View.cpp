#include "IFxVST3View.h"

#include "HostRunLoopVST3.h"
#include "IFxVST3.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/platform/X11NativeLayer.h"

#include <cstring>

using namespace Steinberg;

namespace
{
bool Is(FIDString type, const char* name)
{
    return type && std::strcmp(type, name) == 0;
}
} // namespace

IFxVST3View::IFxVST3View(IFxVST3* plug) : CPluginView(nullptr), mPlug(plug)
{
    mPlug->addRef();
}

IFxVST3View::~IFxVST3View()
{
    CloseEditor();
    mPlug->ForgetViews();
    mPlug->release();
}

tresult PLUGIN_API IFxVST3View::isPlatformTypeSupported(FIDString type)
{
    IGraphics* editor = mPlug->GetEditor();
    if (!editor)
        return kResultFalse;
    if (Is(type, kPlatformTypeNSView) || Is(type, kPlatformTypeHIView))
        return kResultOk;
    // Only the platform half of the framework can open an X11 window.
    if (Is(type, kPlatformTypeX11EmbedWindowID) && dynamic_cast<IGraphicsMac*>(editor))
        return kResultOk;
    return kResultFalse;
}

tresult PLUGIN_API IFxVST3View::attached(void* parent, FIDString type)
{
    IGraphics* editor = mPlug->GetEditor();
    if (!editor)
        return kResultFalse;
    // An X11 host window gets a child window driven by the host's run loop (from the frame);
    // without one the editor cannot run there. On this platform an "NSView" parent is shown off
    // screen, through the context's own layer; any other type opens nothing.
    if (Is(type, kPlatformTypeX11EmbedWindowID))
    {
        auto* graphics = dynamic_cast<IGraphicsMac*>(editor);
        std::unique_ptr<IHostRunLoop> loop = MakeHostRunLoop(plugFrame);
        if (!graphics || !loop)
            return kResultFalse;
        mWindow = graphics->OpenWindow(parent, MakeX11NativeLayer(std::move(loop)));
        if (!mWindow)
            return kResultFalse;
        mOpen = true;
    }
    else if (Is(type, kPlatformTypeNSView))
    {
        mWindow = editor->OpenWindow(parent);
        mOpen = mWindow != nullptr;
    }
    else
        editor->OpenWindow(parent, nullptr, 0, 0);
    mPlug->OnGUIOpen();
    return kResultOk;
}

void IFxVST3View::CloseEditor()
{
    if (!mOpen)
        return;
    mOpen = false;
    IGraphics* editor = mPlug->GetEditor();
    // Another view may have opened the editor since; its window is not this view's to close.
    if (!editor || editor->GetWindow() != mWindow)
        return;
    mPlug->OnGUIClose();
    editor->CloseWindow();
}

tresult PLUGIN_API IFxVST3View::removed()
{
    if (IGraphics* editor = mPlug->GetEditor())
    {
        mPlug->OnGUIClose();
        mOpen = false;
        editor->CloseWindow();
    }
    return CPluginView::removed();
}

tresult PLUGIN_API IFxVST3View::getSize(ViewRect* size)
{
    IGraphics* editor = mPlug->GetEditor();
    if (!editor || !size)
        return kResultFalse;
    *size = ViewRect(0, 0, editor->Width(), editor->Height());
    return kResultOk;
}

tresult PLUGIN_API IFxVST3View::onSize(ViewRect* newSize)
{
    if (newSize)
        rect = *newSize;
    if (mExpectingNewSize)
    {
        mPlug->OnWindowResize();
        mExpectingNewSize = false;
    }
    return kResultOk;
}

tresult IFxVST3View::resize(int width, int height)
{
    if (!plugFrame)
        return kResultFalse;
    mExpectingNewSize = true;
    ViewRect newSize(0, 0, width, height);
    return plugFrame->resizeView(this, &newSize);
}
