// The recording component handler is itself checked here, since later tests trust what it reports.
#include "ComponentHandler.h"

#include <gtest/gtest.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

TEST(TestSupport, ComponentHandlerRecordsEditsInOrder)
{
    vst3test::ComponentHandler handler;
    handler.beginEdit(4);
    handler.performEdit(4, 0.5);
    handler.endEdit(4);
    handler.restartComponent(kLatencyChanged);
    const auto edits = handler.GetEdits();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[0].kind, vst3test::ComponentHandler::EditKind::kBegin);
    EXPECT_EQ(edits[1].kind, vst3test::ComponentHandler::EditKind::kPerform);
    EXPECT_EQ(edits[1].value, 0.5);
    EXPECT_EQ(edits[2].id, 4u);
    EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kLatencyChanged});
}

} // namespace
