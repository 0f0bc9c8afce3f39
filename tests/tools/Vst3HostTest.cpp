// The renderer's host class against the built VELTAR bundle, in this process.
#include "Vst3Host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace vst3host;

namespace
{

const HostParameter* Find(const Vst3Host& host, const std::string& title)
{
    for (const HostParameter& parameter : host.GetParameters())
    {
        if (parameter.title == title)
        {
            return &parameter;
        }
    }
    return nullptr;
}

// Processes one block of a constant level and answers the first output sample of channel 0.
template <typename Sample> Sample ProcessLevel(Vst3Host& host, Sample level, int frames)
{
    std::vector<Sample> inLeft(frames, level), inRight(frames, level);
    std::vector<Sample> outLeft(frames), outRight(frames);
    const Sample* inputs[] = {inLeft.data(), inRight.data()};
    Sample* outputs[] = {outLeft.data(), outRight.data()};
    EXPECT_TRUE(host.Process(inputs, outputs, frames)) << host.GetError();
    return outLeft[frames - 1];
}

} // namespace

TEST(RenderVst3Host, LoadsTheBundleAndPublishesItsParameters)
{
    Vst3Host host;
    ASSERT_TRUE(host.Load(VELTAR_BUNDLE_PATH)) << host.GetError();
    EXPECT_EQ(host.GetPluginName(), "VELTAR");

    std::vector<std::string> titles;
    for (const HostParameter& parameter : host.GetParameters())
    {
        titles.push_back(parameter.title);
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Preset", "Bypass", "Input", "Output", "Low",
                                                "High", "Transformer", "Bus", "Model"}));
    const HostParameter* input = Find(host, "Input");
    ASSERT_NE(input, nullptr);
    EXPECT_EQ(input->id, 0u);
    EXPECT_NEAR(input->minimum, 0.0, 1e-12);
    EXPECT_NEAR(input->maximum, 24.0, 1e-12);
    const HostParameter* output = Find(host, "Output");
    EXPECT_NEAR(output->minimum, -24.0, 1e-12);
    EXPECT_NEAR(output->maximum, 24.0, 1e-12);
    const HostParameter* model = Find(host, "Model");
    EXPECT_EQ(model->stepCount, 2);
    EXPECT_NEAR(model->maximum, 2.0, 1e-12);
    EXPECT_EQ(Find(host, "Bypass")->id, 0x62706173u);
}

TEST(RenderVst3Host, ModuleFileLoadsAndBadPathsExplainThemselves)
{
    Vst3Host host;
    EXPECT_TRUE(host.Load(VELTAR_BUNDLE_PATH "/Contents/x86_64-linux/VELTAR.so"))
        << host.GetError();
    EXPECT_FALSE(host.Load("/nonexistent/Other.vst3"));
    EXPECT_NE(host.GetError().find("Other.vst3"), std::string::npos) << host.GetError();
    EXPECT_TRUE(host.GetParameters().empty());
    EXPECT_FALSE(host.Start(48000.0, 2, 64, false));
}

TEST(RenderVst3Host, SettingsReachTheControllerAndTheFirstBlock)
{
    Vst3Host host;
    ASSERT_TRUE(host.Load(VELTAR_BUNDLE_PATH)) << host.GetError();
    host.SetParameter(0, 12.0);
    EXPECT_NEAR(host.GetParameter(0), 12.0, 1e-9);

    // Bypass exists only in the processor, so only the block's changes can carry it.
    host.SetParameter(0x62706173u, 1.0);
    ASSERT_TRUE(host.Start(48000.0, 2, 64, false)) << host.GetError();
    EXPECT_EQ(ProcessLevel<float>(host, 0.25f, 64), 0.25f);
    EXPECT_NEAR(host.GetParameter(0x62706173u), 1.0, 1e-12);

    host.SetParameter(0x62706173u, 0.0);
    EXPECT_NE(ProcessLevel<float>(host, 0.25f, 64), 0.25f);
    EXPECT_EQ(host.GetParameter(0x62706173u), 0.0);
    host.Stop();
}

TEST(RenderVst3Host, SampleSizeAndBlockLimitsAreEnforced)
{
    Vst3Host host;
    ASSERT_TRUE(host.Load(VELTAR_BUNDLE_PATH)) << host.GetError();
    EXPECT_FALSE(host.Start(48000.0, 3, 64, false));
    ASSERT_TRUE(host.Start(48000.0, 2, 64, true)) << host.GetError();
    EXPECT_TRUE(std::isfinite(ProcessLevel<double>(host, 0.1, 64)));

    float in[65] = {};
    float out[65] = {};
    const float* inputs[] = {in, in};
    float* outputs[] = {out, out};
    EXPECT_FALSE(host.Process(inputs, outputs, 64)) << "started for 64-bit samples";
    const double* wide[] = {nullptr, nullptr};
    double* wideOut[] = {nullptr, nullptr};
    EXPECT_FALSE(host.Process(wide, wideOut, 65));
    EXPECT_NE(host.GetError().find("65"), std::string::npos);

    ASSERT_TRUE(host.Start(44100.0, 1, 65, false)) << host.GetError();
    const float* mono[] = {in};
    float* monoOut[] = {out};
    EXPECT_TRUE(host.Process(mono, monoOut, 65)) << host.GetError();
}

TEST(RenderVst3Host, StateSavesAndRestoresThroughTheController)
{
    Vst3Host host;
    ASSERT_TRUE(host.Load(VELTAR_BUNDLE_PATH)) << host.GetError();
    host.SetParameter(1, -6.0);
    host.SetParameter(6, 2.0);
    PluginState saved;
    ASSERT_TRUE(host.SaveState(saved)) << host.GetError();
    // The component keeps the same record as the controller.
    EXPECT_EQ(saved.component, saved.controller);
    ASSERT_EQ(saved.controller.size(), 60u);
    double output = 0.0;
    std::memcpy(&output, saved.controller.data() + 8, sizeof output);
    EXPECT_EQ(output, -6.0);

    host.SetParameter(1, 3.0);
    host.SetParameter(6, 0.0);
    ASSERT_TRUE(host.RestoreState(saved)) << host.GetError();
    EXPECT_NEAR(host.GetParameter(1), -6.0, 1e-9);
    EXPECT_NEAR(host.GetParameter(6), 2.0, 1e-9);

    PluginState truncated = saved;
    truncated.controller.resize(56);
    EXPECT_FALSE(host.RestoreState(truncated));
}
