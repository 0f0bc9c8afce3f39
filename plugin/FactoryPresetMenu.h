#pragma once

#include "framework/graphics/IPanelMenu.h"

#include <memory>

class IFxBase;
class IGraphics;

// "Presets" in the panel's right-click menu: the factory presets, the one the panel shows now
// ticked. Choosing one sets every parameter as the user's own edit would, a begin, a value and
// an end for each, so that the host records it for undo and automation like turns of the knobs.
class FactoryPresetMenu : public IPanelMenuSection
{
public:
    FactoryPresetMenu(IFxBase* plug, IGraphics* graphics) : mPlug(plug), mGraphics(graphics) {}

    void AddItems(IPopupMenu& menu) override;
    void OnChoice(int item, int subItem) override;

private:
    // Whether the panel's controls show the values of preset index.
    bool IsShown(int index) const;

    IFxBase* mPlug;
    IGraphics* mGraphics;
    std::unique_ptr<IPopupMenu> mSubmenu;
};
