// The factory presets as VST 3 preset files: one file a preset of the plug-in's table, each
// loaded into a fresh instance of the built module the way hosts load them (the SDK's preset-file
// code hands the component and the controller their states), giving the table's values and
// keeping the level of pink noise, as the presets promise.
#include "HostedPlugin.h"
#include "plugin/FactoryPresets.h"

#include "public.sdk/source/vst/vstpresetfile.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cmath>
#include <random>
#include <set>
#include <string>

using namespace Steinberg;
using veltartest::HostedPlugin;

namespace
{

std::set<std::string> FilesIn(const char* folder)
{
    std::set<std::string> files;
    if (DIR* dir = opendir(folder))
    {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                files.insert(entry->d_name);
        closedir(dir);
    }
    return files;
}

// Pink noise (Kellet's filter over white noise) at rmsDb dBFS on both channels, uncorrelated.
veltartest::Stereo PinkNoise(size_t n, double rmsDb)
{
    veltartest::Stereo s(n);
    std::mt19937 rng(7);
    std::normal_distribution<double> white;
    for (std::vector<double>* channel : {&s.left, &s.right})
    {
        double b[7] = {};
        double sum = 0.0;
        for (double& x : *channel)
        {
            const double w = white(rng);
            b[0] = 0.99886 * b[0] + w * 0.0555179;
            b[1] = 0.99332 * b[1] + w * 0.0750759;
            b[2] = 0.96900 * b[2] + w * 0.1538520;
            b[3] = 0.86650 * b[3] + w * 0.3104856;
            b[4] = 0.55000 * b[4] + w * 0.5329522;
            b[5] = -0.7616 * b[5] - w * 0.0168980;
            x = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + w * 0.5362;
            b[6] = w * 0.115926;
            sum += x * x;
        }
        const double gain = std::pow(10.0, rmsDb / 20.0) / std::sqrt(sum / double(n));
        for (double& x : *channel)
            x *= gain;
    }
    return s;
}

// The level of the second half of a signal, in dBFS RMS over both channels.
double SecondHalfRmsDb(const veltartest::Stereo& s)
{
    double sum = 0.0;
    const size_t half = s.Size() / 2;
    for (size_t i = half; i < s.Size(); ++i)
        sum += s.left[i] * s.left[i] + s.right[i] * s.right[i];
    return 10.0 * std::log10(sum / double(2 * (s.Size() - half)));
}

struct StreamRelease
{
    void operator()(IBStream* stream) const { stream->release(); }
};

} // namespace

TEST(VeltarPresetFiles, OneFileAPresetEachGivingAFreshInstanceTheTablesValues)
{
    std::set<std::string> expected;
    for (int p = 0; p < kNumFactoryPresets; ++p)
        expected.insert(std::string(kFactoryPresets[p].name) + ".vstpreset");
    ASSERT_EQ(FilesIn(VELTAR_VST3_PRESETS), expected);

    for (int p = 0; p < kNumFactoryPresets; ++p)
    {
        const FactoryPreset& preset = kFactoryPresets[p];
        SCOPED_TRACE(preset.name);
        const std::string path =
            std::string(VELTAR_VST3_PRESETS) + "/" + preset.name + ".vstpreset";
        std::unique_ptr<IBStream, StreamRelease> file(Vst::FileStream::open(path.c_str(), "rb"));
        ASSERT_TRUE(file);
        {
            Vst::PresetFile contents(file.get());
            ASSERT_TRUE(contents.readChunkList());
            EXPECT_EQ(contents.getClassID(), FUID::fromTUID(veltartest::kVeltarCID));
            EXPECT_TRUE(contents.contains(Vst::kComponentState));
            EXPECT_TRUE(contents.contains(Vst::kControllerState));
            int32 size = 0;
            ASSERT_TRUE(contents.readMetaInfo(nullptr, size));
            std::string xml(size_t(size), '\0');
            ASSERT_TRUE(contents.readMetaInfo(xml.data(), size));
            EXPECT_NE(xml.find("id=\"Name\" value=\"" + std::string(preset.name) + "\""),
                      std::string::npos);
        }
        file->seek(0, IBStream::kIBSeekSet, nullptr);

        HostedPlugin plug;
        ASSERT_TRUE(Vst::PresetFile::loadPreset(file.get(), FUID::fromTUID(veltartest::kVeltarCID),
                                                plug.component, plug.controller));
        // The state the instance now saves holds the values as they are in the table, and the
        // controller shows them to the host.
        const std::vector<double> values = plug.PlainValues();
        for (int i = 0; i < kNumParams; ++i)
        {
            EXPECT_EQ(values[size_t(i)], preset.values[i]) << i;
            const double plain = plug.controller->normalizedParamToPlain(
                Vst::ParamID(i), plug.controller->getParamNormalized(Vst::ParamID(i)));
            EXPECT_NEAR(plain, preset.values[i], 1e-9) << i;
        }
        EXPECT_EQ(plug.controller->getParamNormalized(veltartest::kBypassID), 0.0);

        // Level-matched: switching presets compares colour, not loudness.
        ASSERT_EQ(plug.Setup(48000.0), kResultOk);
        const veltartest::Stereo noise = PinkNoise(96000, -19.0);
        EXPECT_NEAR(SecondHalfRmsDb(plug.Process(noise)), SecondHalfRmsDb(noise), 0.3);
    }
}
