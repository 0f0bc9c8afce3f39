// The host library's pieces are themselves checked here, since the tests of the plug-in trust
// what they report.
#include "HostApplication.h"
#include "MemoryStream.h"
#include "ParameterChanges.h"
#include "PlugFrame.h"

#include "public.sdk/source/common/pluginview.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

TEST(HostLibrary, ParameterQueuesKeepPointsInOffsetOrder)
{
    vst3host::ParameterChanges changes;
    changes.AddPoint(7, 64, 0.25);
    changes.AddPoint(3, 0, 1.0);
    changes.AddPoint(7, 10, 0.5);
    changes.AddPoint(7, 64, 0.75);
    ASSERT_EQ(changes.getParameterCount(), 2);
    IParamValueQueue* queue = changes.getParameterData(0);
    ASSERT_NE(queue, nullptr);
    EXPECT_EQ(queue->getParameterId(), 7u);
    ASSERT_EQ(queue->getPointCount(), 2);
    int32 offset = -1;
    ParamValue value = -1;
    ASSERT_EQ(queue->getPoint(1, offset, value), kResultOk);
    EXPECT_EQ(offset, 64);
    EXPECT_EQ(value, 0.75);
    EXPECT_EQ(queue->getPoint(2, offset, value), kResultFalse);
    EXPECT_EQ(changes.getParameterData(2), nullptr);

    static_cast<vst3host::ParamValueQueue*>(queue)->SetUnreadable(true);
    EXPECT_EQ(queue->getPoint(0, offset, value), kResultFalse);
}

TEST(HostLibrary, AnAppendedQueueStandsBesideTheOneOfTheSameParameter)
{
    vst3host::ParameterChanges changes;
    changes.AddPoint(7, 0, 0.25);
    int32 index = -1;
    changes.AppendQueue(7)->addPoint(5, 0.5, index);
    EXPECT_EQ(index, 0);
    changes.AddPoint(7, 10, 0.75);
    ASSERT_EQ(changes.getParameterCount(), 2);
    EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 2);
    EXPECT_EQ(changes.getParameterData(1)->getParameterId(), 7u);
    EXPECT_EQ(changes.getParameterData(1)->getPointCount(), 1);
}

TEST(HostLibrary, MemoryStreamReadsBackAndCanEndEarly)
{
    vst3host::MemoryStream stream;
    char text[] = "abcdef";
    int32 done = 0;
    ASSERT_EQ(stream.write(text, 6, &done), kResultOk);
    EXPECT_EQ(done, 6);
    int64 pos = -1;
    ASSERT_EQ(stream.seek(2, IBStream::kIBSeekSet, &pos), kResultOk);
    EXPECT_EQ(pos, 2);
    EXPECT_EQ(stream.seek(-10, IBStream::kIBSeekCur, &pos), kInvalidArgument);

    stream.SetReadLimit(3);
    char out[8] = {};
    ASSERT_EQ(stream.read(out, 8, &done), kResultOk);
    EXPECT_EQ(done, 3);
    EXPECT_EQ(std::string(out, 3), "cde");
    ASSERT_EQ(stream.read(out, 8, &done), kResultOk);
    EXPECT_EQ(done, 0);
    EXPECT_EQ(stream.read(out, -1, &done), kInvalidArgument);
}

TEST(HostLibrary, HostContextNamesTheHost)
{
    vst3host::HostApplication host(std::string(200, 'h'));
    String128 name;
    ASSERT_EQ(host.getName(name), kResultOk);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name)), std::u16string(127, u'h'));
}

TEST(HostLibrary, PlugFrameGrantsResizes)
{
    vst3host::PlugFrame frame;
    CPluginView view;
    ViewRect size(0, 0, 352, 568);
    ASSERT_EQ(frame.resizeView(&view, &size), kResultTrue);
    EXPECT_EQ(view.getRect().getWidth(), 352);
    EXPECT_EQ(view.getRect().getHeight(), 568);
    ASSERT_EQ(frame.GetResizeRequests().size(), 1u);
    EXPECT_EQ(frame.resizeView(&view, nullptr), kInvalidArgument);
}

} // namespace
