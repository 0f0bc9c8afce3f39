// Entries a plug-in adds to the panel's right-click menu, below the zoom entries.
#pragma once

#include "framework/graphics/IPopupMenu.h"

// One group of entries in the panel menu. The graphics context asks every section for its
// entries each time the menu opens, so ticks and texts always show the present state, and hands
// a choice back to the section that added the item.
class IPanelMenuSection
{
public:
    virtual ~IPanelMenuSection() = default;
    // Appends this section's items to menu. A submenu added here belongs to the section and
    // must stay alive until AddItems is called again.
    virtual void AddItems(IPopupMenu& menu) = 0;
    // item counts this section's own items from 0; subItem is the index chosen in that item's
    // submenu, or -1 when the item itself was chosen.
    virtual void OnChoice(int item, int subItem) = 0;
};
