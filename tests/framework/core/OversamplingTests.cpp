// Oversampling in the base: the section after the state record as bytes, and the choice a plug-in
// keeps, its latency, its bypass delay and what damaged or absurd sections leave behind.
#include "TestAdapter.h"

#include "framework/core/StateExtension.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace
{

std::vector<uint8_t> Section(const char* tag, uint32_t version, std::vector<uint32_t> fields,
                             uint32_t length)
{
    std::vector<uint8_t> out(tag, tag + 4);
    for (uint32_t word : {version, length})
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<uint8_t>(word >> shift));
    for (uint32_t word : fields)
        for (int shift = 0; shift < 32; shift += 8)
            out.push_back(static_cast<uint8_t>(word >> shift));
    return out;
}

std::vector<uint8_t> Section(const char* tag, uint32_t version, std::vector<uint32_t> fields)
{
    return Section(tag, version, fields, static_cast<uint32_t>(4 * fields.size()));
}

OversamplingChoice Decode(const std::vector<uint8_t>& bytes, bool* found)
{
    return DecodeOversamplingSection(bytes.data(), bytes.size(), found);
}

TEST(StateExtension, WritesTaggedVersionedLittleEndianFieldsOnlyForAChoiceOffItsDefault)
{
    EXPECT_TRUE(EncodeOversamplingSection(OversamplingChoice()).empty());
    const OversamplingChoice choice{4, 8};
    const std::vector<uint8_t> bytes = EncodeOversamplingSection(choice);
    EXPECT_EQ(bytes, Section("Ovsm", 1, {4, 8}));
    bool found = false;
    EXPECT_EQ(Decode(bytes, &found), choice);
    EXPECT_TRUE(found);

    // Sections this build does not know are stepped over, before and after it.
    std::vector<uint8_t> mixed = Section("Mtrs", 3, {1, 2, 3});
    mixed.insert(mixed.end(), bytes.begin(), bytes.end());
    const std::vector<uint8_t> after = Section("Zzzz", 1, {});
    mixed.insert(mixed.end(), after.begin(), after.end());
    EXPECT_EQ(Decode(mixed, &found), choice);
    EXPECT_TRUE(found);
    // A later revision of version 1 may append fields.
    EXPECT_EQ(Decode(Section("Ovsm", 1, {2, 0, 99}), &found), (OversamplingChoice{2, 0}));
    EXPECT_TRUE(found);
}

TEST(StateExtension, DamagedShortOrUnknownSectionsGiveTheDefault)
{
    const std::vector<uint8_t> good = Section("Ovsm", 1, {4, 8});
    const std::vector<std::vector<uint8_t>> bad = {
        {},
        std::vector<uint8_t>(good.begin(), good.end() - 1),       // cut short
        std::vector<uint8_t>(good.begin(), good.begin() + 11),    // not even a header
        Section("Ovsm", 2, {4, 8}),                               // a version to come
        Section("Ovsm", 1, {4}),                                  // too few fields
        Section("Ovsm", 1, {4, 8}, 0xFFFFFFF0u),                  // a length past the end
        Section("Ovsm", 1, {0x7FFFFFFFu, 8}),                     // no factor of any plug-in
        Section("Mtrs", 1, {1}, 100),                             // another section, damaged
        {'O', 'v', 's', 'm', 1, 0, 0, 0, 8, 0, 0, 0, 4, 0, 0, 0}, // its fields cut short
    };
    for (size_t i = 0; i < bad.size(); ++i)
    {
        bool found = true;
        EXPECT_EQ(Decode(bad[i], &found), OversamplingChoice()) << i;
        EXPECT_FALSE(found) << i;
    }
    bool found = true;
    EXPECT_EQ(DecodeOversamplingSection(nullptr, 12, &found), OversamplingChoice());
    EXPECT_FALSE(found);
}

// A plug-in that offers factors up to 8, whose latency is ten frames per factor above 1.
class OversamplingPlug : public TestAdapter
{
public:
    OversamplingPlug() : TestAdapter(1, "1-1")
    {
        CreateBypassDelayLine();
        OfferOversampling(8);
    }
    int OversamplingLatency(int factor) const override { return factor > 1 ? 10 * factor : 0; }
    bool IsRenderingOffline() const override { return offline; }
    void InformHostOfOversamplingChange() override { ++informed; }
    void InformHostOfLatencyChange() override { ++latencyChanges; }

    bool offline = false;
    int informed = 0;
    int latencyChanges = 0;
};

TEST(Oversampling, ChoiceOfOfferedFactorsSetsTheLatencyOfTheFactorInEffect)
{
    OversamplingPlug plug;
    EXPECT_EQ(plug.GetMaxOversampling(), 8);
    EXPECT_EQ(plug.GetLatency(), 0);
    EXPECT_TRUE(plug.SetOversampling({4, OversamplingChoice::kSameAsRealtime}));
    EXPECT_EQ(plug.GetOversamplingInEffect(), 4);
    EXPECT_EQ(plug.GetLatency(), 40);
    plug.offline = true;
    EXPECT_TRUE(plug.SetOversampling({4, 8}));
    EXPECT_EQ(plug.GetOversamplingInEffect(), 8);
    EXPECT_EQ(plug.GetLatency(), 80);

    // Not offered, or not a factor: refused, nothing changes.
    for (OversamplingChoice wrong :
         {OversamplingChoice{3, 0}, OversamplingChoice{16, 0}, OversamplingChoice{0, 0},
          OversamplingChoice{2, 1}, OversamplingChoice{2, -2}})
    {
        EXPECT_FALSE(plug.SetOversampling(wrong));
        EXPECT_EQ(plug.GetOversampling(), (OversamplingChoice{4, 8}));
    }
    TestAdapter plain(1, "1-1");
    EXPECT_FALSE(plain.SetOversampling({2, 0}));
    EXPECT_EQ(plain.GetOversampling(), OversamplingChoice());

    // The editor's choice tells the host, once per change.
    plug.SetOversamplingFromGUI({4, 8});
    plug.SetOversamplingFromGUI({2, 8});
    plug.SetOversamplingFromGUI({5, 8});
    EXPECT_EQ(plug.informed, 1);
}

TEST(Oversampling, TheLatencyAddsTheFiltersToThePlugInsOwnAndTheHostHearsOfEachChange)
{
    OversamplingPlug plug;
    plug.SetLatency(5);
    EXPECT_EQ(plug.GetLatency(), 5);
    EXPECT_EQ(plug.latencyChanges, 1);
    plug.SetOversampling({2, OversamplingChoice::kSameAsRealtime});
    EXPECT_EQ(plug.GetLatency(), 25);
    EXPECT_EQ(plug.latencyChanges, 2);
    // Choices and settings that leave the latency as it is are not news to the host.
    plug.SetLatency(5);
    plug.SetOversampling({2, 8});
    EXPECT_EQ(plug.latencyChanges, 2);
    // The process mode changes it at once; hosts read it when they set up processing.
    plug.offline = true;
    EXPECT_EQ(plug.GetLatency(), 85);
}

TEST(Oversampling, StateExtensionRoundTripsAndAnythingUnreadableRestoresTheDefault)
{
    OversamplingPlug plug;
    ByteChunk none;
    plug.AppendStateExtension(&none);
    EXPECT_EQ(none.Size(), 0);

    plug.SetOversampling({8, 2});
    ByteChunk saved;
    plug.AppendStateExtension(&saved);
    OversamplingPlug restored;
    restored.ApplyStateExtension(saved.GetBytes(), static_cast<size_t>(saved.Size()));
    EXPECT_EQ(restored.GetOversampling(), (OversamplingChoice{8, 2}));

    for (const std::vector<uint8_t>& bytes :
         {std::vector<uint8_t>(), Section("Ovsm", 1, {3, 0}), Section("Ovsm", 1, {16, 0}),
          Section("Ovsm", 1, {2, 1}), Section("Ovsm", 9, {2, 0})})
    {
        restored.SetOversampling({8, 2});
        restored.ApplyStateExtension(bytes.data(), bytes.size());
        EXPECT_EQ(restored.GetOversampling(), OversamplingChoice());
        EXPECT_EQ(restored.GetLatency(), 0);
    }
}

TEST(Oversampling, BypassDelayFollowsTheLatencyFromTheNextBlock)
{
    OversamplingPlug plug;
    plug.SetBlockSize(64);
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetOutputChannelConnections(0, 1, true);
    for (int factor : {2, 8, 1, 4})
    {
        plug.SetOversampling({factor, 0});
        double in[64] = {1.0}, out[64];
        double* pi[] = {in};
        double* po[] = {out};
        plug.AttachInputBuffers(0, 1, pi, 64);
        plug.AttachOutputBuffers(0, 1, po);
        plug.PassThroughBuffers(0.0, 64);
        for (int i = 0; i < 64; ++i)
            EXPECT_EQ(out[i], i == plug.GetLatency() ? 1.0 : 0.0) << factor << " " << i;
    }
}

// A bypass switched on after processed blocks hands on the input of just before, delayed by the
// latency, as a host compensating that latency expects: no gap, and nothing of an older bypass.
TEST(Oversampling, ABypassGoesOnFromTheInputOfTheBlocksProcessedBeforeIt)
{
    OversamplingPlug plug;
    plug.SetBlockSize(64);
    plug.SetInputChannelConnections(0, 1, true);
    plug.SetOutputChannelConnections(0, 1, true);
    plug.SetOversampling({4, 0});
    const int latency = plug.GetLatency();
    double in[256], out[256];
    for (int i = 0; i < 256; ++i)
        in[i] = 1.0 + i;
    for (int block = 0; block < 4; ++block)
    {
        double* pi[] = {in + 64 * block};
        double* po[] = {out + 64 * block};
        plug.AttachInputBuffers(0, 1, pi, 64);
        plug.AttachOutputBuffers(0, 1, po);
        // An old bypass first, then two processed blocks, then the bypass again.
        if (block == 0 || block == 3)
            plug.PassThroughBuffers(0.0, 64);
        else
            plug.ProcessBuffers(0.0, 64);
    }
    for (int i = 192; i < 256; ++i)
        EXPECT_EQ(out[i], in[i - latency]) << i;
}

} // namespace
