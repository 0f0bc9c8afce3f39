// The factory presets and the level meters of the built VELTAR.lv2 bundle as a host on lilv sees
// them: every preset listed and loaded with the values of the plug-in's table, and the meters'
// output ports reading what a reference meter reads, with their hold, in both variants and while
// bypassed. Port numbers come from the module's port table.
#include "IFxPlug.h"
#include "LilvHost.h"
#include "plugin/FactoryPresets.h"

#include <lv2/presets/presets.h>
#include <lv2/state/state.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

using lv2test::Instance;
using lv2test::World;

namespace
{

LV2_URID_Map* Map()
{
    return static_cast<LV2_URID_Map*>(const_cast<void*>(World::Get().Urids().MapFeature()->data));
}

// The plug-in's own state record, as its state interface stores it.
std::vector<double> SavedValues(Instance& lv2)
{
    struct Stored
    {
        std::vector<char> bytes;
    } stored;
    const auto* state = static_cast<const LV2_State_Interface*>(
        lilv_instance_get_extension_data(lv2.Lilv(), LV2_STATE__interface));
    const auto store =
        [](LV2_State_Handle handle, uint32_t, const void* value, size_t size, uint32_t, uint32_t)
    {
        auto* into = static_cast<Stored*>(handle);
        into->bytes.assign(static_cast<const char*>(value), static_cast<const char*>(value) + size);
        return LV2_STATE_SUCCESS;
    };
    const LV2_Feature* features[] = {World::Get().Urids().MapFeature(), nullptr};
    EXPECT_EQ(state->save(lilv_instance_get_handle(lv2.Lilv()), store, &stored, 0, features),
              LV2_STATE_SUCCESS);
    std::vector<double> values(kNumParams);
    EXPECT_GE(stored.bytes.size(), values.size() * sizeof(double));
    std::memcpy(values.data(), stored.bytes.data(), values.size() * sizeof(double));
    return values;
}

std::string Text(const LilvNode* subject, const char* predicate)
{
    LilvWorld* world = World::Get().world();
    LilvNode* p = lilv_new_uri(world, predicate);
    LilvNode* value = lilv_world_get(world, subject, p, nullptr);
    const std::string text = value ? lilv_node_as_string(value) : "";
    lilv_node_free(value);
    lilv_node_free(p);
    return text;
}

veltartest::Stereo Tone(double db, size_t frames)
{
    veltartest::Stereo s(frames);
    const double a = std::pow(10.0, db / 20.0), w = 2.0 * std::acos(-1.0) * 997.0 / 48000.0;
    for (size_t n = 0; n < frames; ++n)
        s.left[n] = s.right[n] = static_cast<float>(a * std::sin(w * double(n)));
    return s;
}

LV2PortLayout Layout(int nChannels)
{
    return std::unique_ptr<IFxLV2>(MakePlug())->PortLayout(nChannels);
}

} // namespace

TEST(VeltarLV2Presets, EveryFactoryPresetIsListedAndLoadsTheTablesValues)
{
    for (const char* uri : {lv2test::kStereoURI, lv2test::kMonoURI})
    {
        SCOPED_TRACE(uri);
        LilvWorld* world = World::Get().world();
        LilvNode* presetClass = lilv_new_uri(world, LV2_PRESETS__Preset);
        LilvNodes* presets = lilv_plugin_get_related(World::Get().Plugin(uri), presetClass);
        lilv_node_free(presetClass);
        ASSERT_EQ(int(lilv_nodes_size(presets)), kNumFactoryPresets);
        std::set<std::string> seen;
        LILV_FOREACH(nodes, it, presets)
        {
            const LilvNode* node = lilv_nodes_get(presets, it);
            ASSERT_GE(lilv_world_load_resource(world, node), 0);
            const std::string name = Text(node, LILV_NS_RDFS "label");
            SCOPED_TRACE(name);
            const FactoryPreset* preset = FindFactoryPreset(name.c_str());
            ASSERT_NE(preset, nullptr);
            EXPECT_TRUE(seen.insert(name).second);
            EXPECT_EQ(Text(node, LILV_NS_RDFS "comment"), preset->description);

            // Loaded as a host loads a preset: the state of the world, restored on an instance
            // whose ports were elsewhere, then a block run.
            LilvState* state = lilv_state_new_from_world(world, Map(), node);
            ASSERT_NE(state, nullptr);
            Instance lv2(uri, 48000.0, 256);
            lv2.Control("input") = 3.0f;
            lv2.Control("model") = 1.0f;
            lv2.RestoreState(state);
            lilv_state_free(state);
            lv2.Process(veltartest::Stereo(64), 64);
            const std::vector<double> values = SavedValues(lv2);
            for (int i = 0; i < kNumParams; ++i)
                EXPECT_NEAR(values[size_t(i)], preset->values[i], 1e-6) << i;
        }
        lilv_nodes_free(presets);
    }
}

TEST(VeltarLV2Meters, OutputPortsReadTheLevelsInAndOutAndHoldThePeak)
{
    const veltartest::Stereo tone = Tone(-6.0, 96000), silence(48000);
    for (int channels : {2, 1})
    {
        SCOPED_TRACE(channels);
        const LV2PortLayout layout = Layout(channels);
        ASSERT_EQ(layout.nMeterPorts, kLV2NumMeterPorts);
        Instance lv2(channels == 2 ? lv2test::kStereoURI : lv2test::kMonoURI, 48000.0, 256);
        const auto meter = [&](int port) { return lv2.ControlAt(layout.MeterPort(port)); };
        // Bypassed, the output is the input, and so are its levels.
        lv2.ControlAt(layout.EnabledPort()) = 0.0f;
        lv2.Process(tone, 256);
        EXPECT_NEAR(meter(kLV2InputPeak), -6.0, 0.5);
        EXPECT_NEAR(meter(kLV2InputRms), -9.0, 0.5);
        EXPECT_EQ(meter(kLV2OutputPeak), meter(kLV2InputPeak));
        EXPECT_NEAR(meter(kLV2OutputRms), meter(kLV2InputRms), 1e-4);
        // One second of silence later the peak still holds while the mean level falls; four
        // more, and both are at the floor.
        lv2.Process(silence, 256);
        EXPECT_NEAR(meter(kLV2InputPeak), -6.0, 0.5);
        EXPECT_LT(meter(kLV2InputRms), -20.0f);
        for (int s = 0; s < 4; ++s)
            lv2.Process(silence, 256);
        EXPECT_EQ(meter(kLV2InputPeak), float(kLevelFloorDb));
        EXPECT_EQ(meter(kLV2InputRms), float(kLevelFloorDb));
        // Processing with the output gain at its lowest, the output meter reads the chain's output.
        lv2.ControlAt(layout.EnabledPort()) = 1.0f;
        lv2.ControlAt(layout.ControlPort(1)) = -24.0f;
        lv2.Process(tone, 256);
        EXPECT_LT(meter(kLV2OutputPeak), meter(kLV2InputPeak) - 10.0f);
        EXPECT_GT(meter(kLV2OutputPeak), float(kLevelFloorDb));
    }
}
