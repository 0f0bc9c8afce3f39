// The factory presets as VST 3 preset files: one file a preset of the plug-in's table, each
// loaded into a fresh instance of the built module the way hosts load them (the SDK's preset-file
// code hands the component and the controller their states), giving the table's values.
#include "HostedPlugin.h"
#include "plugin/FactoryPresets.h"

#include "public.sdk/source/vst/vstpresetfile.h"

#include <gtest/gtest.h>

#include <dirent.h>

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
    }
}
