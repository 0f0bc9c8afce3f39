// The oversampling choice in the state a host keeps in its projects, through the built module:
// after the record, only off its default; old records restore as off; damaged sections do not
// spoil the record before them; the latency a host reads follows.
#include "HostedPlugin.h"
// After the host's own SDK headers.
#include "ComponentHandler.h"

#include "framework/core/StateExtension.h"
#include "plugin/Oversampler.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using veltartest::HostedPlugin;

namespace
{

std::vector<char> WithSection(std::vector<char> record, const std::vector<uint8_t>& section)
{
    record.insert(record.end(), section.begin(), section.end());
    return record;
}

std::vector<char> Chosen(std::vector<char> record, OversamplingChoice choice)
{
    return WithSection(std::move(record), EncodeOversamplingSection(choice));
}

TEST(VeltarOversamplingState, FollowsTheRecordOnlyOffTheDefaultAndComesBack)
{
    HostedPlugin p;
    const std::vector<char> record = p.SaveState();
    ASSERT_EQ(record.size(), 60u);
    ASSERT_EQ(p.LoadState(Chosen(record, {4, 8})), kResultOk);
    const std::vector<char> saved = p.SaveState();
    ASSERT_EQ(saved.size(), 80u);
    EXPECT_EQ(std::memcmp(saved.data(), record.data(), 60), 0);

    HostedPlugin restored;
    ASSERT_EQ(restored.LoadState(saved), kResultOk);
    EXPECT_EQ(restored.SaveState(), saved);
    ASSERT_EQ(restored.Setup(48000.0), kResultOk);
    EXPECT_EQ(restored.processor->getLatencySamples(),
              static_cast<uint32>(Oversampler::LatencyFrames(4)));
    ProcessSetup offline = {kOffline, kSample32, 512, 48000.0};
    ASSERT_EQ(restored.processor->setupProcessing(offline), kResultOk);
    EXPECT_EQ(restored.processor->getLatencySamples(),
              static_cast<uint32>(Oversampler::LatencyFrames(8)));
}

TEST(VeltarOversamplingState, ARecordAloneRestoresOffAndTheHostHearsOfTheLatency)
{
    HostedPlugin p;
    vst3test::ComponentHandler handler;
    ASSERT_EQ(p.controller->setComponentHandler(&handler), kResultOk);
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    const std::vector<char> record = p.SaveState();
    ASSERT_EQ(p.LoadState(Chosen(record, {2, 0})), kResultOk);
    EXPECT_EQ(p.processor->getLatencySamples(), static_cast<uint32>(Oversampler::LatencyFrames(2)));
    // The changed values and the changed latency, in one restart once the call ends.
    EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kParamValuesChanged | kLatencyChanged});
    // Restoring a state is not an edit of the project.
    EXPECT_TRUE(handler.GetDirtyMarks().empty());

    handler.Clear();
    ASSERT_EQ(p.LoadState(record), kResultOk);
    EXPECT_EQ(p.processor->getLatencySamples(), 0u);
    EXPECT_EQ(p.SaveState(), record);
    EXPECT_EQ(handler.GetRestartFlags(), std::vector<int32>{kParamValuesChanged | kLatencyChanged});
    ASSERT_EQ(p.controller->setComponentHandler(nullptr), kResultOk);
}

TEST(VeltarOversamplingState, DamagedSectionsLeaveTheRecordRestoredAndOversamplingOff)
{
    HostedPlugin source;
    source.Set(0, 0.5);
    source.Set(6, 1.0);
    const std::vector<char> record = source.SaveState();
    const std::vector<uint8_t> good = EncodeOversamplingSection({4, 0});
    std::vector<uint8_t> newer = good;
    newer[4] = 2; // a version to come
    std::vector<uint8_t> absurd = good;
    absurd[12] = 3; // 3x
    const std::vector<std::vector<char>> damaged = {
        WithSection(record, std::vector<uint8_t>(good.begin(), good.end() - 3)),
        WithSection(record, newer),
        WithSection(record, absurd),
        WithSection(record, std::vector<uint8_t>(7, 0xFF)),
    };
    for (size_t i = 0; i < damaged.size(); ++i)
    {
        HostedPlugin p;
        ASSERT_EQ(p.LoadState(Chosen(p.SaveState(), {8, 0})), kResultOk);
        EXPECT_EQ(p.LoadState(damaged[i]), kResultOk) << i;
        EXPECT_EQ(p.SaveState(), record) << i;
        ASSERT_EQ(p.Setup(48000.0), kResultOk);
        EXPECT_EQ(p.processor->getLatencySamples(), 0u) << i;
    }
}

} // namespace
