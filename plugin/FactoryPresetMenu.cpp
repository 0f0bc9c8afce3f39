#include "plugin/FactoryPresetMenu.h"

#include "framework/core/IFxBase.h"
#include "framework/graphics/IGraphics.h"
#include "plugin/FactoryPresets.h"

#include <cmath>

namespace
{
// Positions as close as this count as the same; a value that went through a host's single
// precision comes back within it.
constexpr double kSamePosition = 1e-6;
} // namespace

// The values are read from the controls, which the user-interface thread owns, rather than from
// the parameters, which the processing thread writes.
bool FactoryPresetMenu::IsShown(int index) const
{
    const FactoryPreset& preset = kFactoryPresets[index];
    int nChecked = 0;
    for (int c = 0; c < mGraphics->GetNControls(); ++c)
    {
        const IControl* control = mGraphics->GetControl(c);
        const IParam* param = mPlug->GetParam(control->ParamIdx());
        if (!param)
            continue;
        const double wanted = param->GetNormalized(preset.values[control->ParamIdx()]);
        if (std::fabs(control->GetValue() - wanted) > kSamePosition)
            return false;
        ++nChecked;
    }
    return nChecked > 0;
}

void FactoryPresetMenu::AddItems(IPopupMenu& menu)
{
    mGraphics->ApplyPendingParamValues();
    mSubmenu.reset(new IPopupMenu);
    for (int i = 0; i < kNumFactoryPresets; ++i)
        mSubmenu->AddItem(kFactoryPresets[i].name)->SetChecked(IsShown(i));
    menu.AddItem("Presets", mSubmenu.get());
}

void FactoryPresetMenu::OnChoice(int item, int subItem)
{
    if (item != 0 || subItem < 0 || subItem >= kNumFactoryPresets)
        return;
    const FactoryPreset& preset = kFactoryPresets[subItem];
    for (int i = 0; i < mPlug->NParams() && i < kNumParams; ++i)
    {
        const double normalized = mPlug->GetParam(i)->GetNormalized(preset.values[i]);
        mPlug->BeginInformHostOfParamChange(i);
        mPlug->SetParameterFromGUI(i, normalized);
        mPlug->EndInformHostOfParamChange(i);
        mGraphics->SetParameterFromPlug(i, normalized, true);
    }
}
