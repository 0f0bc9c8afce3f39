// The panel beyond its seven controls, on the plug-in object linked in with a headless editor:
// the meters after the controls, which keep their places, and the factory presets in the panel's
// right-click menu, applied as edits the host records.
#include "plugin/FactoryPresets.h"
#include "plugin/PanelMeters.h"
#include "plugin/VELTAR.h"

#include "HeadlessPanelTest.h"
#include "framework/graphics/IMeterControl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{

class Panel : public HeadlessPanelTest
{
};

TEST_F(Panel, TheMetersComeAfterTheSevenControlsWhichKeepTheirPlaces)
{
    const IRECT places[] = {{102, 19, 250, 167},  {102, 187, 250, 335}, {47, 347, 135, 435},
                            {217, 347, 305, 435}, {278, 144, 347, 240}, {5, 144, 74, 240},
                            {105, 455, 247, 555}};
    const int params[] = {kInput, kOutput, kLow, kHigh, kBus, kTransformer, kModel};
    ASSERT_EQ(editor->GetNControls(), 1 + 7 + 2);
    for (int i = 0; i < 7; ++i)
    {
        EXPECT_EQ(*editor->GetControl(1 + i)->GetRECT(), places[i]) << i;
        EXPECT_EQ(editor->GetControl(1 + i)->ParamIdx(), params[i]) << i;
    }
    for (int m = 0; m < 2; ++m)
    {
        const auto* meter = dynamic_cast<const IMeterControl*>(editor->GetControl(8 + m));
        ASSERT_NE(meter, nullptr);
        EXPECT_EQ(meter->ParamIdx(), -1);
        EXPECT_EQ(*meter->GetRECT(),
                  IRECT(kPanelMeters[m].left, kPanelMeters[m].top,
                        kPanelMeters[m].left + kMeterWidth, kPanelMeters[m].top + kMeterHeight));
    }
}

TEST_F(Panel, MenuListsTheFactoryPresetsAndTicksTheOneShown)
{
    const int entry = EntryIndex("Presets");
    ASSERT_GE(entry, 0);
    const auto& presets = Menu()[size_t(entry)].submenu;
    ASSERT_EQ(int(presets.size()), kNumFactoryPresets);
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        EXPECT_EQ(presets[size_t(i)].text, kFactoryPresets[i].name);
        // The defaults are the clean preset's values.
        EXPECT_EQ(presets[size_t(i)].checked, i == 0) << i;
    }
    // A knob turned away from them: no preset is shown.
    plug->SetParameterFromHost(kHigh, 0.9);
    for (const auto& item : Menu()[size_t(entry)].submenu)
        EXPECT_FALSE(item.checked) << item.text;
}

// Each parameter is set as a gesture of its own: begin, the value, end, in parameter order, so
// that the host's undo and automation see the change as the user's.
TEST_F(Panel, ChoosingAPresetSetsEveryValueAsAnEditTheHostRecords)
{
    const int entry = EntryIndex("Presets");
    ASSERT_GE(entry, 0);
    for (int p : {6, 3})
    {
        SCOPED_TRACE(kFactoryPresets[p].name);
        handler.Clear();
        Menu(entry, p);
        const std::vector<vst3test::ComponentHandler::Edit> edits = handler.GetEdits();
        ASSERT_EQ(edits.size(), 3u * kNumParams);
        for (int i = 0; i < kNumParams; ++i)
        {
            using Kind = vst3test::ComponentHandler::EditKind;
            const IParam* param = plug->GetParam(i);
            const double wanted = param->GetNormalized(kFactoryPresets[p].values[i]);
            EXPECT_EQ(edits[size_t(3 * i)].kind, Kind::kBegin);
            EXPECT_EQ(edits[size_t(3 * i + 1)].kind, Kind::kPerform);
            EXPECT_EQ(edits[size_t(3 * i + 2)].kind, Kind::kEnd);
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(edits[size_t(3 * i + k)].id, Steinberg::Vst::ParamID(i));
            EXPECT_DOUBLE_EQ(edits[size_t(3 * i + 1)].value, wanted) << i;
            EXPECT_NEAR(param->Value(), kFactoryPresets[p].values[i], 1e-12) << i;
        }
        // The panel shows the values, and the menu says which preset they are.
        const auto& shown = Menu()[size_t(entry)].submenu;
        for (int i = 0; i < kNumFactoryPresets; ++i)
            EXPECT_EQ(shown[size_t(i)].checked, i == p) << i;
        editor->ApplyPendingParamValues();
        EXPECT_DOUBLE_EQ(editor->GetControl(7)->GetValue(),
                         plug->GetParam(kModel)->GetNormalized());
    }
}

} // namespace
