// The editor's views and what the plug-in asks of the host about them.
#include "IFxVST3.h"

#include "IFxVST3View.h"
#include "framework/graphics/IGraphics.h"

#include "pluginterfaces/vst/ivstcontextmenu.h"

#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

IGraphics* IFxVST3::GetEditor() const
{
    return dynamic_cast<IGraphics*>(GetGUI());
}

IPlugView* PLUGIN_API IFxVST3::createView(FIDString name)
{
    if (!name || std::strcmp(name, ViewType::kEditor) != 0)
        return nullptr;
    auto* view = new IFxVST3View(this);
    mViews.push_back(view);
    return view;
}

void IFxVST3::ResizeGraphics(int width, int height)
{
    if (!GetEditor() || mViews.empty() || !mViews.front()->GetFrame())
        return;
    mViews.front()->resize(width, height);
}

void IFxVST3::PopupHostContextMenuForParam(int paramIdx, int x, int y)
{
    if (!componentHandler || mViews.empty())
        return;
    IComponentHandler3* handler3 = nullptr;
    if (componentHandler->queryInterface(IComponentHandler3::iid,
                                         reinterpret_cast<void**>(&handler3)) != kResultOk ||
        !handler3)
        return;
    const ParamID id = static_cast<ParamID>(paramIdx);
    if (IContextMenu* menu = handler3->createContextMenu(mViews.front(), &id))
    {
        menu->popup(static_cast<UCoord>(x), static_cast<UCoord>(y));
        menu->release();
    }
    handler3->release();
}
