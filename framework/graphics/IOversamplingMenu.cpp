#include "framework/graphics/IOversamplingMenu.h"

#include "framework/core/IFxBase.h"

#include <string>

namespace
{

enum EItems
{
    kRealtimeItem,
    kOfflineItem
};

// The submenu of one factor: first (Off, Same) for the lowest choice, then 2x, 4x ... up to the
// plug-in's largest factor, the current one ticked.
std::unique_ptr<IPopupMenu> FactorMenu(const char* first, int firstValue, int maxFactor,
                                       int current)
{
    auto menu = std::make_unique<IPopupMenu>();
    menu->AddItem(first)->SetChecked(current == firstValue);
    for (int factor = 2; OversamplingChoice::IsFactor(factor, maxFactor); factor *= 2)
        menu->AddItem((std::to_string(factor) + "\u00d7").c_str())->SetChecked(current == factor);
    return menu;
}

// The value of the entry chosen in a factor submenu.
int FactorOf(int subItem, int firstValue)
{
    return subItem == 0 ? firstValue : 1 << subItem;
}

} // namespace

void IOversamplingMenu::AddItems(IPopupMenu& menu)
{
    const OversamplingChoice choice = mPlug->GetOversampling();
    const int maxFactor = mPlug->GetMaxOversampling();
    mRealtime = FactorMenu("Off", 1, maxFactor, choice.realtime);
    menu.AddItem("Oversampling", mRealtime.get());
    mOffline.reset();
    if (mPlug->CanTellOfflineRendering())
    {
        mOffline =
            FactorMenu("Same", OversamplingChoice::kSameAsRealtime, maxFactor, choice.offline);
        menu.AddItem("Oversampling when rendering", mOffline.get());
    }
}

void IOversamplingMenu::OnChoice(int item, int subItem)
{
    if (subItem < 0)
        return;
    OversamplingChoice choice = mPlug->GetOversampling();
    if (item == kRealtimeItem)
        choice.realtime = FactorOf(subItem, 1);
    else if (item == kOfflineItem)
        choice.offline = FactorOf(subItem, OversamplingChoice::kSameAsRealtime);
    mPlug->SetOversamplingFromGUI(choice);
}
