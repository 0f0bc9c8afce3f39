// Oversampling in the built VELTAR.lv2 bundle as lilv hosts it: the oversampling control and the
// latency output after the enable switch, the audio against the VST 3 module at the same factor,
// the state both formats share, and the editor's choice going out as the port's value.
#include "HostedPlugin.h"
#include "IFxPlug.h"
#include "LilvHost.h"
#include "framework/core/StateExtension.h"
#include "framework/lv2/LV2Ports.h"
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "plugin/Oversampler.h"

#include <lv2/core/lv2.h>
#include <lv2/port-props/port-props.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

using lv2test::Instance;
using lv2test::kStereoURI;
using lv2test::Node;
using lv2test::Uri;
using lv2test::World;
using veltartest::FirstDifference;
using veltartest::Stereo;

namespace
{

LV2PortLayout StereoLayout()
{
    return std::unique_ptr<IFxLV2>(MakePlug())->PortLayout(2);
}

TEST(VeltarLV2Oversampling, ControlAndLatencyPortsFollowTheEnableSwitch)
{
    const LilvPlugin* plugin = World::Get().Plugin(kStereoURI);
    ASSERT_NE(plugin, nullptr);
    const LV2PortLayout layout = StereoLayout();
    ASSERT_TRUE(layout.oversampling);
    const LilvPort* factor = lilv_plugin_get_port_by_index(plugin, layout.OversamplingPort());
    ASSERT_NE(factor, nullptr);
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, factor)), "oversampling");
    Node input = Uri(LV2_CORE__InputPort), control = Uri(LV2_CORE__ControlPort),
         output = Uri(LV2_CORE__OutputPort), enumeration = Uri(LV2_CORE__enumeration),
         notAutomatic = Uri(LV2_PORT_PROPS__notAutomatic);
    EXPECT_TRUE(lilv_port_is_a(plugin, factor, input.node));
    EXPECT_TRUE(lilv_port_is_a(plugin, factor, control.node));
    EXPECT_TRUE(lilv_port_has_property(plugin, factor, enumeration.node));
    EXPECT_TRUE(lilv_port_has_property(plugin, factor, notAutomatic.node));
    std::map<int, std::string> points;
    LilvScalePoints* scale = lilv_port_get_scale_points(plugin, factor);
    LILV_FOREACH(scale_points, it, scale)
    {
        const LilvScalePoint* point = lilv_scale_points_get(scale, it);
        points[static_cast<int>(lilv_node_as_float(lilv_scale_point_get_value(point)))] =
            lilv_node_as_string(lilv_scale_point_get_label(point));
    }
    lilv_scale_points_free(scale);
    EXPECT_EQ(points, (std::map<int, std::string>{{1, "Off"}, {2, "2×"}, {4, "4×"}, {8, "8×"}}));

    ASSERT_TRUE(lilv_plugin_has_latency(plugin));
    EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin), layout.LatencyPort());
    const LilvPort* latency = lilv_plugin_get_port_by_index(plugin, layout.LatencyPort());
    EXPECT_TRUE(lilv_port_is_a(plugin, latency, output.node));
    EXPECT_EQ(layout.NumPorts(), lilv_plugin_get_num_ports(plugin));
}

TEST(VeltarLV2Oversampling, LatencyOutputFollowsTheControlFromTheNextRun)
{
    Instance lv2(kStereoURI, 48000.0, 256);
    ASSERT_TRUE(lv2.Ok());
    lv2.Process(Stereo(256), 256);
    EXPECT_EQ(lv2.Control("latency"), 0.0f);
    // Values between the factors go to the nearer one; values beyond them to the last.
    const std::pair<float, int> asked[] = {{2, 2},    {8, 8},   {4, 4}, {1, 1}, {3, 4},
                                           {5.9f, 4}, {100, 8}, {0, 1}, {-3, 1}};
    for (const auto& a : asked)
    {
        lv2.Control("oversampling") = a.first;
        lv2.Process(Stereo(16), 16);
        EXPECT_EQ(lv2.Control("latency"), static_cast<float>(Oversampler::LatencyFrames(a.second)))
            << a.first;
    }
}

// A host that deactivates and activates an instance starts it afresh: a bypassed instance hands on
// nothing of what it was given before.
TEST(VeltarLV2Oversampling, ActivatingAgainEmptiesTheBypassDelay)
{
    Instance lv2(kStereoURI, 48000.0, 256);
    ASSERT_TRUE(lv2.Ok());
    lv2.Control("oversampling") = 4.0f;
    lv2.Control("enabled") = 0.0f;
    Stereo tone(256), silence(256);
    std::fill(tone.left.begin(), tone.left.end(), 0.5);
    tone.right = tone.left;
    lv2.Process(tone, 256);
    lilv_instance_deactivate(lv2.Lilv());
    lilv_instance_activate(lv2.Lilv());
    EXPECT_EQ(FirstDifference(lv2.Process(silence, 256), silence), -1);
}

// The controls and the factor a state section carries, in both formats, at 32-bit.
struct Setting
{
    const char* symbol;
    Steinberg::Vst::ParamID id;
    float plain;
};
const Setting kDrive[] = {{"input", 0, 12.0f}, {"model", 6, 2.0f}, {"transformer", 4, 0.0f}};

Stereo RenderVST3(const Stereo& in, int factor)
{
    veltartest::HostedPlugin vst3;
    const std::vector<uint8_t> section =
        EncodeOversamplingSection({factor, OversamplingChoice::kSameAsRealtime});
    std::vector<char> state = vst3.SaveState();
    state.insert(state.end(), section.begin(), section.end());
    EXPECT_EQ(vst3.LoadState(state), Steinberg::kResultOk);
    EXPECT_EQ(vst3.Setup(48000.0, Steinberg::Vst::kSample32, 256), Steinberg::kResultOk);
    for (const Setting& s : kDrive)
        vst3.Set(s.id, vst3.controller->plainParamToNormalized(s.id, s.plain));
    return vst3.Process32(in, {256});
}

TEST(VeltarLV2Oversampling, RendersBitIdenticallyToTheVST3ModuleAtEachFactor)
{
    const Stereo in = veltartest::ToFloatPrecision(veltartest::TestSignal(6000));
    for (int factor : {2, 4, 8})
    {
        SCOPED_TRACE(factor);
        Instance lv2(kStereoURI, 48000.0, 256);
        for (const Setting& s : kDrive)
            lv2.Control(s.symbol) = s.plain;
        lv2.Control("oversampling") = static_cast<float>(factor);
        EXPECT_EQ(FirstDifference(lv2.Process(in, 256), RenderVST3(in, factor)), -1);
    }
}

TEST(VeltarLV2Oversampling, StatesWithTheSectionRestoreInEitherFormat)
{
    // Saved by lilv with the factor chosen at the port, restored into an instance whose port
    // stays at its default.
    Instance a(kStereoURI, 48000.0, 256);
    a.Control("oversampling") = 4.0f;
    a.Process(Stereo(16), 16);
    LilvState* state = a.SaveState();
    ASSERT_NE(state, nullptr);
    Instance b(kStereoURI, 48000.0, 256);
    lilv_state_restore(state, b.Lilv(), nullptr, nullptr, 0, nullptr);
    lilv_state_free(state);
    b.Process(Stereo(16), 16);
    EXPECT_EQ(b.Control("latency"), static_cast<float>(Oversampler::LatencyFrames(4)));

    // The VST 3 module's state with its section is the LV2 record, both ways.
    veltartest::HostedPlugin vst3;
    const std::vector<uint8_t> section = EncodeOversamplingSection({8, 2});
    std::vector<char> bytes = vst3.SaveState();
    bytes.insert(bytes.end(), section.begin(), section.end());
    ASSERT_EQ(vst3.LoadState(bytes), Steinberg::kResultOk);
    Instance c(kStereoURI, 48000.0, 256);
    ASSERT_EQ(c.RestoreRecord(std::vector<unsigned char>(bytes.begin(), bytes.end())),
              LV2_STATE_SUCCESS);
    c.Process(Stereo(16), 16);
    EXPECT_EQ(c.Control("latency"), static_cast<float>(Oversampler::LatencyFrames(8)));
    std::vector<unsigned char> record;
    LV2_URID type = 0;
    ASSERT_EQ(c.SaveRecord(record, type), LV2_STATE_SUCCESS);
    EXPECT_EQ(std::vector<char>(record.begin(), record.end()), vst3.SaveState());
}

// The editor of the LV2 build: its choice goes to the host as the port's value, and a value the
// host reports for the port is what the menu ticks.
class PortWriter : public ILV2PortWriter
{
public:
    void WritePort(uint32_t port, float value) override { writes.push_back({port, value}); }
    void TouchPort(uint32_t, bool) override {}
    std::vector<std::pair<uint32_t, float>> writes;
};

TEST(VeltarLV2Oversampling, TheEditorsChoiceGoesToTheHostAsThePortsValue)
{
    SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
    std::unique_ptr<IFxLV2> ui(MakePlug());
    PortWriter writer;
    ASSERT_TRUE(ui->ServeEditor(2, &writer));
    auto* editor = dynamic_cast<IGraphicsMac*>(ui->GetGUI());
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor->OpenWindow(nullptr), nullptr);
    auto* layer = static_cast<HeadlessNativeLayer*>(editor->GetNativeLayer());
    const IMouseMod right(false, true);
    layer->MouseDown(10, 10, right);
    const auto menu = layer->GetLastMenu();
    // Hosts of LV2 do not say when they render offline: only the realtime factor is offered.
    ASSERT_EQ(menu.size(), 7u);
    ASSERT_EQ(menu[4].text, "Oversampling");
    layer->SetNextMenuChoice(4, 3);
    layer->MouseDown(10, 10, right);
    const uint32_t port = StereoLayout().OversamplingPort();
    EXPECT_EQ(writer.writes, (std::vector<std::pair<uint32_t, float>>{{port, 8.0f}}));

    ui->OnPortValue(port, 2.0f);
    layer->SetNextMenuChoice(-1);
    layer->MouseDown(10, 10, right);
    EXPECT_TRUE(layer->GetLastMenu()[4].submenu[1].checked);
    EXPECT_EQ(writer.writes.size(), 1u);
    editor->CloseWindow();
}

} // namespace
