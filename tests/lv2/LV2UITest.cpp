// VELTAR's editor as the LV2 UI of the built bundle, found through lilv and embedded in a host
// window as an X11 host embeds it: an edit writes the port with touch around it, and a port event
// from the host redraws the control. Needs an X display (run under xvfb-run); skipped without.
#include "IFxPlug.h"
#include "LilvHost.h"
#include "X11TestDisplay.h"
#include "framework/lv2/LV2Ports.h"

#include <lv2/ui/ui.h>
#include <suil/suil.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using lv2test::World;

namespace
{
constexpr uint32_t kInputPort = 4, kTransformerPort = 8, kBusPort = 9, kModelPort = 10;
constexpr int kInputX = 176, kInputY = 93; // centre of the Input knob
constexpr int kBusX = 312, kBusY = 192;    // centre of the Bus switch
constexpr int kModelX = 105, kModelY = 455, kModelW = 142, kModelH = 100;
constexpr int kTransformerX = 5, kTransformerY = 144, kSwitchW = 69, kSwitchH = 96;

struct HostLog
{
    std::vector<std::pair<uint32_t, float>> writes;
    std::vector<std::pair<uint32_t, bool>> touches;
};

void Write(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format,
           const void* buffer)
{
    ASSERT_EQ(size, sizeof(float));
    ASSERT_EQ(format, 0u);
    static_cast<HostLog*>(controller)->writes.push_back({port, *static_cast<const float*>(buffer)});
}

void Touch(LV2UI_Feature_Handle handle, uint32_t port, bool grabbed)
{
    static_cast<HostLog*>(handle)->touches.push_back({port, grabbed});
}

// The UI binary the bundle names for the plug-in, loaded as a host loads it.
const LV2UI_Descriptor* FindUI(void** library)
{
    const LilvPlugin* plugin = World::Get().Plugin(lv2test::kStereoURI);
    if (!plugin)
        return nullptr;
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    const LV2UI_Descriptor* found = nullptr;
    LILV_FOREACH(uis, it, uis)
    {
        const LilvUI* ui = lilv_uis_get(uis, it);
        char* path = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr);
        *library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        lilv_free(path);
        if (!*library)
            break;
        auto entry =
            reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(*library, "lv2ui_descriptor"));
        for (uint32_t i = 0; entry && (found = entry(i)) != nullptr; ++i)
            if (std::strcmp(found->URI, lilv_node_as_uri(lilv_ui_get_uri(ui))) == 0)
                break;
    }
    lilv_uis_free(uis);
    return found;
}

// The host idles the UI as its loop turns, long enough for the editor's repaint timer to tick.
void Pump(X11TestDisplay& x, const LV2UI_Idle_Interface* idle, LV2UI_Handle ui)
{
    x.Sync();
    for (int i = 0; i < 12; ++i)
    {
        EXPECT_EQ(idle->idle(ui), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    x.Sync();
}

// A node that lilv hands over, freed with the holder.
struct Node
{
    explicit Node(LilvNode* n) : node(n) {}
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    LilvNode* node;
};

// A host that gives the UI its parent window, touch and idle features directly.
struct DirectHost
{
    explicit DirectHost(unsigned long parent)
        : parentFeature{LV2_UI__parent, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))}
    {
    }
    LV2UI_Handle Open(const LV2UI_Descriptor* descriptor, const char* pluginURI,
                      LV2UI_Widget* widget)
    {
        return descriptor->instantiate(descriptor, pluginURI, VELTAR_LV2_BUNDLE, Write, &log,
                                       widget, features);
    }

    HostLog log;
    LV2UI_Touch touch = {&log, Touch};
    const LV2_Feature parentFeature;
    const LV2_Feature touchFeature = {LV2_UI__touch, &touch};
    const LV2_Feature idleFeature = {LV2_UI__idleInterface, nullptr};
    const LV2_Feature* const features[4] = {&parentFeature, &touchFeature, &idleFeature, nullptr};
};

bool SameArea(Raster_IBitmap* a, Raster_IBitmap* b, int x, int y, int w, int h)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            if (Raster_GetPixel(a, i, j) != Raster_GetPixel(b, i, j))
                return false;
    return true;
}

LV2PortLayout Layout(int nChannels)
{
    return std::unique_ptr<IFxLV2>(MakePlug())->PortLayout(nChannels);
}

// What a host has before it opens the UI: a display, the UI module's descriptor with its idle
// interface, and a parent window.
class VeltarLV2X11UI : public ::testing::Test
{
protected:
    void SetUp() override
    {
        x = X11TestDisplay::Open();
        if (!x)
            GTEST_SKIP() << "no X display";
        descriptor = FindUI(&library);
        ASSERT_NE(descriptor, nullptr);
        idle = static_cast<const LV2UI_Idle_Interface*>(
            descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(idle, nullptr);
        parent = x->CreateWindow(352, 568);
    }
    void TearDown() override
    {
        if (x && parent != 0 && x->Exists(parent))
            x->DestroyWindow(parent);
        if (library)
            dlclose(library);
    }

    std::unique_ptr<X11TestDisplay> x;
    void* library = nullptr;
    const LV2UI_Descriptor* descriptor = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    unsigned long parent = 0;
};

TEST_F(VeltarLV2X11UI, OpensInTheParentWritesPortsAndFollowsPortEvents)
{
    DirectHost host(parent);
    HostLog& log = host.log;
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = host.Open(descriptor, lv2test::kStereoURI, &widget);
    ASSERT_NE(ui, nullptr);
    const auto children = x->Children(parent);
    ASSERT_EQ(children.size(), 1u);
    const unsigned long editor = children[0];
    EXPECT_EQ(reinterpret_cast<uintptr_t>(widget), editor);

    auto pump = [&] { Pump(*x, idle, ui); };
    pump();
    std::unique_ptr<Raster_IBitmap> before = x->Capture(editor);
    ASSERT_NE(before, nullptr);

    x->Press(editor, 1, kInputX, kInputY);
    for (int dy = 10; dy <= 40; dy += 10)
    {
        x->Motion(editor, kInputX, kInputY - dy, kHeldLeft);
        pump();
    }
    x->Release(editor, 1, kInputX, kInputY - 40, kHeldLeft);
    pump();
    ASSERT_FALSE(log.writes.empty());
    for (const auto& w : log.writes)
        EXPECT_EQ(w.first, kInputPort);
    EXPECT_GT(log.writes.back().second, 0.0f);
    EXPECT_LE(log.writes.back().second, 24.0f);
    const std::vector<std::pair<uint32_t, bool>> gesture = {{kInputPort, true},
                                                            {kInputPort, false}};
    EXPECT_EQ(log.touches, gesture);

    // The host reports a new Model value: the switch shows it, and nothing is written back.
    const size_t nWrites = log.writes.size();
    const float quad = 2.0f;
    descriptor->port_event(ui, kModelPort, sizeof(float), 0, &quad);
    pump();
    std::unique_ptr<Raster_IBitmap> after = x->Capture(editor);
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(SameArea(before.get(), after.get(), kModelX, kModelY, kModelW, kModelH));
    EXPECT_TRUE(SameArea(before.get(), after.get(), 0, 400, 40, 100));
    EXPECT_EQ(log.writes.size(), nWrites);

    descriptor->cleanup(ui);
    x->Sync();
    EXPECT_TRUE(x->Children(parent).empty());
}

// The UI of the one-channel variant counts the ports of that variant: two audio ports before the
// controls. Events for ports that carry no parameter, or values that are not numbers, change
// nothing.
TEST_F(VeltarLV2X11UI, MonoVariantWritesAndReadsItsOwnPortNumbers)
{
    DirectHost host(parent);
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = host.Open(descriptor, lv2test::kMonoURI, &widget);
    ASSERT_NE(ui, nullptr);
    const unsigned long editor = x->Children(parent).at(0);
    auto pump = [&] { Pump(*x, idle, ui); };
    pump();
    std::unique_ptr<Raster_IBitmap> before = x->Capture(editor);
    ASSERT_NE(before, nullptr);

    // Ports that no control shows: audio, the enable switch, none at all.
    const LV2PortLayout mono = Layout(1);
    const float nan = std::nanf(""), quad = 2.0f;
    for (uint32_t port : {0u, 1u, mono.EnabledPort(), mono.NumPorts(), 400u})
        descriptor->port_event(ui, port, sizeof(float), 0, &quad);
    descriptor->port_event(ui, kModelPort - 2, sizeof(float), 0, &nan);
    descriptor->port_event(ui, kModelPort - 2, 2, 0, &quad);
    pump();
    std::unique_ptr<Raster_IBitmap> unchanged = x->Capture(editor);
    ASSERT_NE(unchanged, nullptr);
    EXPECT_TRUE(SameArea(before.get(), unchanged.get(), 0, 0, 352, 568));

    descriptor->port_event(ui, kModelPort - 2, sizeof(float), 0, &quad);
    pump();
    std::unique_ptr<Raster_IBitmap> after = x->Capture(editor);
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(SameArea(before.get(), after.get(), kModelX, kModelY, kModelW, kModelH));

    x->Press(editor, 1, kBusX, kBusY);
    x->Release(editor, 1, kBusX, kBusY);
    pump();
    const std::vector<std::pair<uint32_t, float>> writes = {{kBusPort - 2, 0.0f}};
    EXPECT_EQ(host.log.writes, writes);

    descriptor->cleanup(ui);
}

// The meters show what the host reports of the meter ports: bars and a lit lamp for a peak above
// full scale; the lamp stays lit when the levels fall, until it is clicked, and a held peak that
// the host reports again does not light it anew.
TEST_F(VeltarLV2X11UI, MetersShowTheLevelsTheHostReports)
{
    DirectHost host(parent);
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = host.Open(descriptor, lv2test::kStereoURI, &widget);
    ASSERT_NE(ui, nullptr);
    const unsigned long editor = reinterpret_cast<uintptr_t>(widget);
    const auto report = [&](int meterPort, float db)
    { descriptor->port_event(ui, Layout(2).MeterPort(meterPort), sizeof(float), 0, &db); };
    Pump(*x, idle, ui);
    std::unique_ptr<Raster_IBitmap> quiet = x->Capture(editor);
    ASSERT_NE(quiet, nullptr);
    const int lamp[] = {32, 242, 14, 14}, bar[] = {31, 259, 16, 78};

    report(kLV2InputPeak, 1.5f);
    report(kLV2InputRms, -10.0f);
    Pump(*x, idle, ui);
    std::unique_ptr<Raster_IBitmap> loud = x->Capture(editor);
    ASSERT_NE(loud, nullptr);
    EXPECT_FALSE(SameArea(quiet.get(), loud.get(), bar[0], bar[1], bar[2], bar[3]));
    EXPECT_FALSE(SameArea(quiet.get(), loud.get(), lamp[0], lamp[1], lamp[2], lamp[3]));
    // The output meter stays as it was.
    EXPECT_TRUE(SameArea(quiet.get(), loud.get(), 305, 241, 16, 96));

    report(kLV2InputPeak, -70.0f);
    report(kLV2InputRms, -70.0f);
    Pump(*x, idle, ui);
    std::unique_ptr<Raster_IBitmap> fallen = x->Capture(editor);
    ASSERT_NE(fallen, nullptr);
    EXPECT_TRUE(SameArea(quiet.get(), fallen.get(), bar[0], bar[1], bar[2], bar[3]));
    EXPECT_FALSE(SameArea(quiet.get(), fallen.get(), lamp[0], lamp[1], lamp[2], lamp[3]));

    report(kLV2InputPeak, 0.5f);
    Pump(*x, idle, ui);
    x->Press(editor, 1, 39, 300);
    x->Release(editor, 1, 39, 300);
    Pump(*x, idle, ui);
    report(kLV2InputPeak, 0.5f);
    Pump(*x, idle, ui);
    std::unique_ptr<Raster_IBitmap> cleared = x->Capture(editor);
    ASSERT_NE(cleared, nullptr);
    EXPECT_TRUE(SameArea(quiet.get(), cleared.get(), lamp[0], lamp[1], lamp[2], lamp[3]));
    EXPECT_TRUE(host.log.writes.empty());
    descriptor->cleanup(ui);
}

// A host that destroys its window before cleaning the UI up: the idle calls report the UI closed,
// and the clean-up that follows is still safe.
TEST_F(VeltarLV2X11UI, ReportsItselfClosedWhenTheHostDestroysTheParent)
{
    DirectHost host(parent);
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle ui = host.Open(descriptor, lv2test::kStereoURI, &widget);
    ASSERT_NE(ui, nullptr);
    Pump(*x, idle, ui);
    x->DestroyWindow(parent);
    x->Sync();
    int closed = 0;
    for (int i = 0; i < 50 && !closed; ++i)
    {
        closed = idle->idle(ui);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_NE(closed, 0);
    EXPECT_NE(idle->idle(ui), 0);
    const float quad = 2.0f;
    descriptor->port_event(ui, kModelPort, sizeof(float), 0, &quad);
    descriptor->cleanup(ui);
}

// suil, the library hosts embed LV2 UIs with, loads the UI for an X11 container as it is, with
// the host's touch function; a click writes the port and a port event moves a switch.
void SuilTouch(SuilController controller, uint32_t port, bool grabbed)
{
    Touch(controller, port, grabbed);
}

TEST_F(VeltarLV2X11UI, EmbedsThroughSuil)
{
    const LilvPlugin* plugin = World::Get().Plugin(lv2test::kStereoURI);
    ASSERT_NE(plugin, nullptr);
    LilvUIs* uis = lilv_plugin_get_uis(plugin);
    ASSERT_EQ(lilv_uis_size(uis), 1u);
    const LilvUI* lilvUI = lilv_uis_get(uis, lilv_uis_begin(uis));
    Node x11(lilv_new_uri(World::Get().world(), LV2_UI__X11UI));
    ASSERT_TRUE(lilv_ui_is_a(lilvUI, x11.node));
    char* bundle = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_bundle_uri(lilvUI)), nullptr);
    char* binary = lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(lilvUI)), nullptr);

    HostLog log;
    SuilHost* host = suil_host_new(Write, nullptr, nullptr, nullptr);
    suil_host_set_touch_func(host, SuilTouch);
    const LV2_Feature parentFeature = {LV2_UI__parent,
                                       reinterpret_cast<void*>(static_cast<uintptr_t>(parent))};
    const LV2_Feature idleFeature = {LV2_UI__idleInterface, nullptr};
    const LV2_Feature* const features[] = {&parentFeature, &idleFeature, nullptr};
    SuilInstance* ui = suil_instance_new(host, &log, LV2_UI__X11UI, lv2test::kStereoURI,
                                         lilv_node_as_uri(lilv_ui_get_uri(lilvUI)), LV2_UI__X11UI,
                                         bundle, binary, features);
    lilv_free(bundle);
    lilv_free(binary);
    lilv_uis_free(uis);
    ASSERT_NE(ui, nullptr);
    const auto* suilIdle = static_cast<const LV2UI_Idle_Interface*>(
        suil_instance_extension_data(ui, LV2_UI__idleInterface));
    ASSERT_NE(suilIdle, nullptr);
    const auto children = x->Children(parent);
    ASSERT_EQ(children.size(), 1u);
    const unsigned long editor = children[0];
    EXPECT_EQ(reinterpret_cast<uintptr_t>(suil_instance_get_widget(ui)), editor);
    auto pump = [&] { Pump(*x, suilIdle, suil_instance_get_handle(ui)); };
    pump();
    std::unique_ptr<Raster_IBitmap> before = x->Capture(editor);
    ASSERT_NE(before, nullptr);

    x->Press(editor, 1, kBusX, kBusY);
    x->Release(editor, 1, kBusX, kBusY);
    pump();
    const std::vector<std::pair<uint32_t, float>> writes = {{kBusPort, 0.0f}};
    EXPECT_EQ(log.writes, writes);
    const std::vector<std::pair<uint32_t, bool>> gesture = {{kBusPort, true}, {kBusPort, false}};
    EXPECT_EQ(log.touches, gesture);

    const float in = 0.0f;
    suil_instance_port_event(ui, kTransformerPort, sizeof(float), 0, &in);
    pump();
    std::unique_ptr<Raster_IBitmap> after = x->Capture(editor);
    ASSERT_NE(after, nullptr);
    EXPECT_FALSE(
        SameArea(before.get(), after.get(), kTransformerX, kTransformerY, kSwitchW, kSwitchH));
    EXPECT_EQ(log.writes, writes);

    suil_instance_free(ui);
    suil_host_free(host);
    x->Sync();
    EXPECT_TRUE(x->Children(parent).empty());
}

} // namespace
