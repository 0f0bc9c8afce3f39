#include "framework/core/testing/StandInAdapter.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

StandInAdapter::Options OneKnob(bool recordsHost)
{
    StandInAdapter::Options options;
    options.nParams = 1;
    options.recordsHost = recordsHost;
    return options;
}

} // namespace

// The fuzz targets and benchmarks switch the records off; the base must behave the same either way.
TEST(StandInAdapter, RecordsWhatTheBaseToldTheHostOnlyWhenAsked)
{
    for (bool records : {true, false})
    {
        StandInAdapter plug(OneKnob(records));
        plug.GetParam(0)->InitDouble("Knob", 0.0, 0.0, 10.0, 0.1);
        plug.SetParameterFromGUI(0, 0.25);
        plug.InformHostOfProgramChange();
        plug.ResizeGraphics(300, 200);
        plug.PopupHostContextMenuForParam(0, 5, 6);

        EXPECT_DOUBLE_EQ(plug.GetParam(0)->Value(), 2.5);
        EXPECT_EQ(plug.EditKinds(), records ? "p" : "");
        EXPECT_EQ(plug.mParamChanges, records ? std::vector<int>{0} : std::vector<int>{});
        EXPECT_EQ(plug.mProgramChanges, records ? 1 : 0);
        EXPECT_EQ(plug.mResizes.size(), records ? 1u : 0u);
        EXPECT_EQ(plug.mContextMenus.size(), records ? 1u : 0u);
    }
}
