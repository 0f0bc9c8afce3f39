// The built VELTAR.lv2 bundle as an LV2 host sees it through lilv: its description against the
// plug-in's parameter table, its audio against the VST 3 module's, its state, and bad values.
#include "HostedPlugin.h"
#include "IFxPlug.h"
#include "LilvHost.h"
#include "framework/lv2/LV2Ports.h"
#include "framework/lv2/LV2Turtle.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/units/units.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using lv2test::Instance;
using lv2test::kMonoURI;
using lv2test::kStereoURI;
using lv2test::Node;
using lv2test::Uri;
using lv2test::World;
using veltartest::FirstDifference;
using veltartest::Stereo;
using veltartest::TestSignal;

namespace
{
constexpr int kNumParams = 7;
constexpr uint32_t kFirstControl = 4;

std::unique_ptr<IFxLV2> TablePlug()
{
    return std::unique_ptr<IFxLV2>(MakePlug());
}

LV2PortLayout Layout(int nChannels)
{
    return TablePlug()->PortLayout(nChannels);
}

// ---- the description

TEST(VeltarLV2Bundle, LoadsFromTheBuildFolderWithBothVariants)
{
    const LilvPlugin* stereo = World::Get().Plugin(kStereoURI);
    ASSERT_NE(stereo, nullptr);
    ASSERT_TRUE(lilv_plugin_verify(stereo));
    Node name(lilv_plugin_get_name(stereo));
    EXPECT_STREQ(lilv_node_as_string(name.node), "VELTAR");
    Node maker(lilv_plugin_get_author_name(stereo));
    EXPECT_STREQ(lilv_node_as_string(maker.node), "QuillstoneAudio");
    Node type = Uri("http://www.w3.org/1999/02/22-rdf-syntax-ns#type");
    Node amplifier = Uri(LV2_CORE__AmplifierPlugin);
    LilvNodes* types = lilv_plugin_get_value(stereo, type.node);
    EXPECT_TRUE(lilv_nodes_contains(types, amplifier.node));
    lilv_nodes_free(types);
    EXPECT_EQ(lilv_plugin_get_num_ports(stereo), Layout(2).NumPorts());
    Node minor = Uri(LV2_CORE__minorVersion);
    LilvNodes* minorValues = lilv_plugin_get_value(stereo, minor.node);
    ASSERT_NE(minorValues, nullptr);
    EXPECT_EQ(lilv_node_as_int(lilv_nodes_get_first(minorValues)), 1);
    lilv_nodes_free(minorValues);

    const LilvPlugin* mono = World::Get().Plugin(kMonoURI);
    ASSERT_NE(mono, nullptr);
    EXPECT_TRUE(lilv_plugin_verify(mono));
    EXPECT_EQ(lilv_plugin_get_num_ports(mono), Layout(1).NumPorts());
}

void ExpectPortsMatchTable(const char* uri, int nChannels)
{
    const LilvPlugin* plugin = World::Get().Plugin(uri);
    ASSERT_NE(plugin, nullptr);
    const std::unique_ptr<IFxLV2> plug = TablePlug();
    ASSERT_EQ(plug->NParams(), kNumParams);
    const LV2PortLayout layout = Layout(nChannels);
    const uint32_t first = layout.FirstControl();
    ASSERT_EQ(lilv_plugin_get_num_ports(plugin), layout.NumPorts());
    std::vector<float> mins(layout.NumPorts()), maxs(mins.size()), defs(mins.size());
    lilv_plugin_get_port_ranges_float(plugin, mins.data(), maxs.data(), defs.data());
    Node integer = Uri(LV2_CORE__integer), toggled = Uri(LV2_CORE__toggled),
         enumeration = Uri(LV2_CORE__enumeration), unit = Uri(LV2_UNITS__unit),
         db = Uri(LV2_UNITS__db), control = Uri(LV2_CORE__ControlPort),
         input = Uri(LV2_CORE__InputPort);
    for (int i = 0; i < kNumParams; ++i)
    {
        SCOPED_TRACE(i);
        const IParam* param = plug->GetParam(i);
        const uint32_t index = first + static_cast<uint32_t>(i);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        ASSERT_NE(port, nullptr);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, control.node));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, input.node));
        EXPECT_EQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)),
                  LV2PortSymbol(param->GetNameForHost()));
        Node name(lilv_port_get_name(plugin, port));
        EXPECT_STREQ(lilv_node_as_string(name.node), param->GetNameForHost());
        EXPECT_EQ(mins[index], static_cast<float>(param->GetMin()));
        EXPECT_EQ(maxs[index], static_cast<float>(param->GetMax()));
        EXPECT_EQ(defs[index], static_cast<float>(param->GetDefault()));
        const bool isDouble = param->Type() == IParam::kTypeDouble;
        EXPECT_EQ(lilv_port_has_property(plugin, port, integer.node), !isDouble);
        EXPECT_EQ(lilv_port_has_property(plugin, port, toggled.node) ||
                      lilv_port_has_property(plugin, port, enumeration.node),
                  !isDouble);
        LilvNodes* units = lilv_port_get_value(plugin, port, unit.node);
        const bool hasDB = units && lilv_node_equals(lilv_nodes_get_first(units), db.node);
        EXPECT_EQ(hasDB, std::strcmp(param->GetLabelForHost(), "dB") == 0);
        lilv_nodes_free(units);

        LilvScalePoints* points = lilv_port_get_scale_points(plugin, port);
        ASSERT_EQ(static_cast<int>(points ? lilv_scale_points_size(points) : 0),
                  param->GetNDisplayTexts());
        LILV_FOREACH(scale_points, it, points)
        {
            const LilvScalePoint* point = lilv_scale_points_get(points, it);
            const int value =
                static_cast<int>(lilv_node_as_float(lilv_scale_point_get_value(point)));
            EXPECT_STREQ(lilv_node_as_string(lilv_scale_point_get_label(point)),
                         param->GetDisplayText(value));
        }
        lilv_scale_points_free(points);
    }
    // The enable switch follows the parameters.
    const uint32_t enabledIndex = layout.EnabledPort();
    const LilvPort* enabled = lilv_plugin_get_port_by_index(plugin, enabledIndex);
    Node designation = Uri(LV2_CORE__designation), enabledURI = Uri(LV2_CORE__enabled);
    LilvNodes* d = lilv_port_get_value(plugin, enabled, designation.node);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(lilv_node_equals(lilv_nodes_get_first(d), enabledURI.node));
    lilv_nodes_free(d);
    EXPECT_EQ(defs[enabledIndex], 1.0f);

    // The meters' levels, in decibels over the range they are kept in.
    Node output = Uri(LV2_CORE__OutputPort);
    for (int k = 0; k < kLV2NumMeterPorts; ++k)
    {
        SCOPED_TRACE(kLV2MeterPorts[k].symbol);
        const uint32_t index = layout.MeterPort(k);
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        ASSERT_NE(port, nullptr);
        EXPECT_TRUE(lilv_port_is_a(plugin, port, control.node));
        EXPECT_TRUE(lilv_port_is_a(plugin, port, output.node));
        EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port)),
                     kLV2MeterPorts[k].symbol);
        EXPECT_EQ(mins[index], static_cast<float>(kLevelFloorDb));
        EXPECT_EQ(maxs[index], static_cast<float>(kLevelCeilingDb));
        LilvNodes* units = lilv_port_get_value(plugin, port, unit.node);
        EXPECT_TRUE(units && lilv_node_equals(lilv_nodes_get_first(units), db.node));
        lilv_nodes_free(units);
    }
}

TEST(VeltarLV2Bundle, ControlPortsMatchTheParameterTable)
{
    ExpectPortsMatchTable(kStereoURI, 2);
    ExpectPortsMatchTable(kMonoURI, 1);
}

TEST(VeltarLV2Bundle, ThePlugInObjectBuiltForLV2ServesLV2)
{
    const std::unique_ptr<IFxLV2> plug = TablePlug();
    EXPECT_EQ(plug->GetAPI(), kAPILV2);
    EXPECT_STREQ(plug->GetAPIString(), "LV2");
}

TEST(VeltarLV2Bundle, AdvertisesTheSwitchPositionsByName)
{
    Instance lv2(kStereoURI, 48000.0);
    ASSERT_TRUE(lv2.Ok());
    EXPECT_EQ(lv2.PortIndex("transformer"), kFirstControl + 4);
    EXPECT_EQ(lv2.PortIndex("model"), kFirstControl + 6);
    EXPECT_EQ(lv2.Control("transformer"), 1.0f);
    EXPECT_EQ(lv2.Control("enabled"), 1.0f);
}

// ---- audio

// Settings whose normalised positions are exact, so that the VST 3 host's positions and the LV2
// host's plain values name the same values.
struct Setting
{
    const char* symbol;
    int paramIdx;
    float plain;
    double normalized;
};
const Setting kSettings[] = {
    {"input", 0, 6.0f, 0.5},  {"output", 1, -12.0f, 0.25},   {"low", 2, 0.25f, 0.25},
    {"high", 3, 0.75f, 0.75}, {"transformer", 4, 0.0f, 0.0}, {"bus", 5, 0.0f, 0.0},
    {"model", 6, 2.0f, 1.0},
};

Stereo RenderVST3(const Stereo& in, bool withSettings, int block)
{
    veltartest::HostedPlugin vst3;
    EXPECT_EQ(vst3.Setup(48000.0, Steinberg::Vst::kSample32, block), Steinberg::kResultOk);
    if (withSettings)
        for (const Setting& s : kSettings)
            vst3.Set(static_cast<Steinberg::Vst::ParamID>(s.paramIdx), s.normalized);
    return vst3.Process32(in, {block});
}

Stereo RenderLV2(const Stereo& in, bool withSettings, int block)
{
    Instance lv2(kStereoURI, 48000.0, block);
    EXPECT_TRUE(lv2.Ok());
    if (withSettings)
        for (const Setting& s : kSettings)
            lv2.Control(s.symbol) = s.plain;
    return lv2.Process(in, block);
}

TEST(VeltarLV2Audio, RendersBitIdenticallyToTheVST3Module)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(12000));
    for (bool withSettings : {false, true})
    {
        SCOPED_TRACE(withSettings);
        const Stereo vst3 = RenderVST3(in, withSettings, 256);
        const Stereo lv2 = RenderLV2(in, withSettings, 256);
        EXPECT_EQ(FirstDifference(vst3, lv2), -1);
        EXPECT_NE(FirstDifference(lv2, in), -1);
    }
}

TEST(VeltarLV2Audio, BlocksLongerThanTheAnnouncedOrUnannouncedMaximumAreSliced)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(20000));
    const Stereo reference = RenderLV2(in, true, 256);
    Instance announced(kStereoURI, 48000.0, 256);
    Instance unannounced(kStereoURI, 48000.0, 0);
    for (Instance* lv2 : {&announced, &unannounced})
    {
        for (const Setting& s : kSettings)
            lv2->Control(s.symbol) = s.plain;
        EXPECT_EQ(FirstDifference(lv2->Process(in, 10000), reference), -1);
    }
}

TEST(VeltarLV2Audio, MonoVariantProcessesTheLeftChannelAsTheStereoPlugin)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(6000));
    const Stereo stereo = RenderLV2(in, true, 256);
    Instance mono(kMonoURI, 48000.0, 256);
    ASSERT_TRUE(mono.Ok());
    for (const Setting& s : kSettings)
        mono.Control(s.symbol) = s.plain;
    const Stereo out = mono.Process(in, 256);
    EXPECT_EQ(out.left, stereo.left);
}

TEST(VeltarLV2Audio, EnabledOffPassesTheInputThroughUntilSwitchedBackOn)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(4096));
    Instance lv2(kStereoURI, 48000.0, 512);
    lv2.Control("input") = 12.0f;
    lv2.Control("enabled") = 0.0f;
    EXPECT_EQ(FirstDifference(lv2.Process(in, 512), in), -1);
    lv2.Control("enabled") = 1.0f;
    EXPECT_NE(FirstDifference(lv2.Process(in, 512), in), -1);
}

TEST(VeltarLV2Audio, AnInputDisconnectedByTheHostReadsSilence)
{
    Instance lv2(kStereoURI, 48000.0, 256);
    lv2.Control("enabled") = 0.0f;
    std::vector<float> left(256, 0.25f), right(256, -0.5f), outL(256), outR(256);
    LilvInstance* instance = lv2.Lilv();
    lilv_instance_connect_port(instance, lv2.PortIndex("in_l"), left.data());
    lilv_instance_connect_port(instance, lv2.PortIndex("in_r"), right.data());
    lilv_instance_connect_port(instance, lv2.PortIndex("out_l"), outL.data());
    lilv_instance_connect_port(instance, lv2.PortIndex("out_r"), outR.data());
    lilv_instance_run(instance, 256);
    EXPECT_EQ(outR[100], -0.5f);
    lilv_instance_connect_port(instance, lv2.PortIndex("in_r"), nullptr);
    lilv_instance_run(instance, 256);
    EXPECT_EQ(outL[100], 0.25f);
    EXPECT_EQ(outR, std::vector<float>(256, 0.0f));
}

// ---- bad values

TEST(VeltarLV2BadInput, ValuesThatAreNotNumbersAreIgnoredAndOutOfRangeOnesClamped)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(4096));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {nan, inf, -inf})
    {
        SCOPED_TRACE(bad);
        Instance lv2(kStereoURI, 48000.0, 512);
        Instance reference(kStereoURI, 48000.0, 512);
        for (const Setting& s : kSettings)
            lv2.Control(s.symbol) = reference.Control(s.symbol) = s.plain;
        lv2.Process(in, 512);
        reference.Process(in, 512);
        for (uint32_t port = kFirstControl; port <= kFirstControl + kNumParams; ++port)
            lv2.ControlAt(port) = bad;
        const Stereo out = lv2.Process(in, 512);
        EXPECT_TRUE(veltartest::AllFinite(out));
        EXPECT_EQ(FirstDifference(out, reference.Process(in, 512)), -1);
    }
    Instance wild(kStereoURI, 48000.0, 512);
    Instance clamped(kStereoURI, 48000.0, 512);
    for (const Setting& s : kSettings)
    {
        const bool high = s.paramIdx % 2 == 0;
        wild.Control(s.symbol) = high ? 1e30f : -1e30f;
        clamped.Control(s.symbol) = high ? (s.paramIdx == 6  ? 2.0f
                                            : s.paramIdx < 2 ? 24.0f
                                                             : 1.0f)
                                         : (s.paramIdx == 1 ? -24.0f : 0.0f);
    }
    const Stereo out = wild.Process(in, 512);
    EXPECT_TRUE(veltartest::AllFinite(out));
    EXPECT_EQ(FirstDifference(out, clamped.Process(in, 512)), -1);
}

TEST(VeltarLV2BadInput, RefusesRatesThatAreNotPositiveNumbers)
{
    for (double rate : {0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(),
                        std::numeric_limits<double>::infinity()})
        EXPECT_FALSE(Instance(kStereoURI, rate).Ok()) << rate;
}

// ---- state

TEST(VeltarLV2State, SavedAndRestoredThroughLilvRestoresTheSettings)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(4096));
    Instance a(kStereoURI, 48000.0, 512);
    for (const Setting& s : kSettings)
        a.Control(s.symbol) = s.plain;
    a.Control("enabled") = 0.0f;
    a.Process(in, 512);
    LilvState* state = a.SaveState();
    ASSERT_NE(state, nullptr);

    // Through the text a host writes into its project.
    lv2test::UridMap& urids = World::Get().Urids();
    auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(urids.MapFeature()->data));
    auto* unmap = static_cast<LV2_URID_Unmap*>(const_cast<void*>(urids.UnmapFeature()->data));
    char* text =
        lilv_state_to_string(World::Get().world(), map, unmap, state, "urn:test:state", nullptr);
    lilv_state_free(state);
    ASSERT_NE(text, nullptr);
    LilvState* loaded = lilv_state_new_from_string(World::Get().world(), map, text);
    lilv_free(text);
    ASSERT_NE(loaded, nullptr);

    Instance b(kStereoURI, 48000.0, 512);
    b.RestoreState(loaded);
    lilv_state_free(loaded);
    EXPECT_EQ(b.Control("model"), 2.0f);
    EXPECT_EQ(b.Control("enabled"), 0.0f);
    Instance c(kStereoURI, 48000.0, 512);
    for (const Setting& s : kSettings)
        c.Control(s.symbol) = s.plain;
    c.Control("enabled") = 0.0f;
    EXPECT_EQ(FirstDifference(b.Process(in, 512), c.Process(in, 512)), -1);
}

TEST(VeltarLV2State, HoldsTheVST3ControllerStateRecord)
{
    veltartest::HostedPlugin vst3;
    for (const Setting& s : kSettings)
        vst3.Set(static_cast<Steinberg::Vst::ParamID>(s.paramIdx), s.normalized);
    const std::vector<char> vst3State = vst3.SaveState();

    Instance lv2(kStereoURI, 48000.0, 512);
    for (const Setting& s : kSettings)
        lv2.Control(s.symbol) = s.plain;
    lv2.Process(Stereo(16), 16);
    std::vector<unsigned char> record;
    LV2_URID type = 0;
    ASSERT_EQ(lv2.SaveRecord(record, type), LV2_STATE_SUCCESS);
    EXPECT_EQ(type, World::Get().Urids().Map(LV2_ATOM__Chunk));
    ASSERT_EQ(record.size(), 60u);
    ASSERT_EQ(vst3State.size(), 60u);
    EXPECT_EQ(std::memcmp(record.data(), vst3State.data(), 60), 0);

    // The VST 3 record, restored into a fresh LV2 instance whose ports stay at their defaults.
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(2048));
    Instance restored(kStereoURI, 48000.0, 512);
    ASSERT_EQ(
        restored.RestoreRecord(std::vector<unsigned char>(vst3State.begin(), vst3State.end())),
        LV2_STATE_SUCCESS);
    EXPECT_EQ(FirstDifference(restored.Process(in, 512), RenderLV2(in, true, 512)), -1);
}

TEST(VeltarLV2State, ShortOrMistypedRecordsChangeNothing)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(2048));
    Instance lv2(kStereoURI, 48000.0, 512);
    Instance reference(kStereoURI, 48000.0, 512);
    for (const Setting& s : kSettings)
        lv2.Control(s.symbol) = reference.Control(s.symbol) = s.plain;
    lv2.Process(in, 512);
    reference.Process(in, 512);
    EXPECT_NE(lv2.RestoreRecord(std::vector<unsigned char>(59, 0xFF)), LV2_STATE_SUCCESS);
    EXPECT_EQ(lv2.RestoreRecord(std::vector<unsigned char>(60, 0),
                                World::Get().Urids().Map(LV2_ATOM__Int)),
              LV2_STATE_ERR_BAD_TYPE);
    EXPECT_EQ(FirstDifference(lv2.Process(in, 512), reference.Process(in, 512)), -1);
}

TEST(VeltarLV2State, RecordsWithValuesThatAreNotNumbersKeepThoseSettings)
{
    const Stereo in = veltartest::ToFloatPrecision(TestSignal(2048));
    Instance lv2(kStereoURI, 48000.0, 512);
    Instance reference(kStereoURI, 48000.0, 512);
    for (const Setting& s : kSettings)
        lv2.Control(s.symbol) = reference.Control(s.symbol) = s.plain;
    lv2.Process(in, 512);
    reference.Process(in, 512);
    std::vector<unsigned char> record(60, 0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < kNumParams; ++i)
        std::memcpy(record.data() + 8 * i, &nan, sizeof(nan));
    EXPECT_EQ(lv2.RestoreRecord(record), LV2_STATE_SUCCESS);
    const Stereo out = lv2.Process(in, 512);
    EXPECT_TRUE(veltartest::AllFinite(out));
    EXPECT_EQ(FirstDifference(out, reference.Process(in, 512)), -1);
}

} // namespace
