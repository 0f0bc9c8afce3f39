#include "IFxVST3View.h"

#include "HostWindow.h"
#include "IFxVST3.h"
#include "framework/platform/IGraphicsMac.h"

#include <algorithm>
#include <cstdlib>
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
    // Only the platform half of the framework can open a window of this platform's hosts.
    if (Is(type, HostWindowPlatformType()) && dynamic_cast<IGraphicsMac*>(editor))
        return kResultOk;
    return kResultFalse;
}

tresult PLUGIN_API IFxVST3View::attached(void* parent, FIDString type)
{
    IGraphics* editor = mPlug->GetEditor();
    if (!editor)
        return kResultFalse;
    // A window of this platform's hosts (X11 on Linux, HWND on Windows) gets a child window
    // (HostWindow.h). On these platforms an "NSView" parent is shown off screen, through the
    // context's own layer; any other type opens nothing.
    if (Is(type, HostWindowPlatformType()))
    {
        auto* graphics = dynamic_cast<IGraphicsMac*>(editor);
        mWindow = graphics ? OpenInHostWindow(graphics, parent, plugFrame) : nullptr;
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
    mAttached = true;
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
    mAttached = false;
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
    *size = ViewRect(0, 0, editor->ScaledWidth(), editor->ScaledHeight());
    return kResultOk;
}

std::vector<double> IFxVST3View::OfferedScales() const
{
    std::vector<double> scales(std::begin(IGraphics::kZoomFactors),
                               std::end(IGraphics::kZoomFactors));
    if (const IGraphics* editor = mPlug->GetEditor())
        scales.push_back(editor->GetScale());
    return scales;
}

tresult PLUGIN_API IFxVST3View::checkSizeConstraint(ViewRect* size)
{
    IGraphics* editor = mPlug->GetEditor();
    if (!editor || !size)
        return kResultFalse;
    const int w = size->getWidth(), h = size->getHeight();
    int bestW = 0, bestH = 0;
    long best = -1;
    for (double scale : OfferedScales())
    {
        const int sw = ScaledLength(editor->Width(), scale),
                  sh = ScaledLength(editor->Height(), scale);
        const long distance = std::labs(long(sw) - w) + std::labs(long(sh) - h);
        if (best < 0 || distance < best)
        {
            best = distance;
            bestW = sw;
            bestH = sh;
        }
    }
    if (best == 0)
        return kResultTrue;
    size->right = size->left + bestW;
    size->bottom = size->top + bestH;
    return kResultFalse;
}

tresult PLUGIN_API IFxVST3View::setContentScaleFactor(ScaleFactor factor)
{
    IGraphics* editor = mPlug->GetEditor();
    if (!editor || !IsEditorScale(factor))
        return kResultFalse;
    const double before = editor->GetScale();
    editor->SetScale(factor);
    if (editor->GetScale() != before && mAttached && plugFrame)
        resize(editor->ScaledWidth(), editor->ScaledHeight());
    return kResultOk;
}

tresult PLUGIN_API IFxVST3View::onSize(ViewRect* newSize)
{
    IGraphics* editor = mPlug->GetEditor();
    if (newSize && editor)
    {
        auto fits = [&](double scale)
        {
            return ScaledLength(editor->Width(), scale) == newSize->getWidth() &&
                   ScaledLength(editor->Height(), scale) == newSize->getHeight();
        };
        if (!fits(editor->GetScale()))
        {
            // The size of another offered scale (a host restoring the window it had) switches
            // the editor to that scale; any other size is refused.
            const std::vector<double> scales = OfferedScales();
            auto other = std::find_if(scales.begin(), scales.end(), fits);
            if (other == scales.end())
                return kResultFalse;
            editor->SetScale(*other);
        }
    }
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
