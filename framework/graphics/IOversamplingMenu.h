// The oversampling entries of the panel menu, for a plug-in that offers oversampling: the factor
// for realtime processing and, where the host says when it renders offline, the one for rendering.
#pragma once

#include "framework/graphics/IPanelMenu.h"

#include <memory>

class IFxBase;

class IOversamplingMenu : public IPanelMenuSection
{
public:
    explicit IOversamplingMenu(IFxBase* plug) : mPlug(plug) {}

    void AddItems(IPopupMenu& menu) override;
    void OnChoice(int item, int subItem) override;

private:
    IFxBase* mPlug;
    std::unique_ptr<IPopupMenu> mRealtime, mOffline;
};
