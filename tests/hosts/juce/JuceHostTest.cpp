// What a host built on JUCE's VST 3 hosting code shows of the plug-in: the values at creation,
// after a restore of a project, of a record stored elsewhere or of a factory preset's file, the
// texts of its generic controls, its bypass, the latency of an oversampling factor, and instances
// that come and go.
#include "JuceHostSupport.h"
#include "plugin/FactoryPresets.h"

#include "framework/core/StateExtension.h"
#include "plugin/Oversampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace jucehost;

namespace
{

// The plug-in's own record: seven plain values and the bypass flag.
juce::MemoryBlock Record(const std::vector<double>& plain, int32_t bypass)
{
    juce::MemoryBlock record;
    record.append(plain.data(), plain.size() * sizeof(double));
    record.append(&bypass, sizeof(bypass));
    return record;
}

std::vector<float> Shown(juce::AudioPluginInstance& plug)
{
    std::vector<float> values;
    for (juce::AudioProcessorParameter* p : PlugParams(plug))
        values.push_back(p->getValue());
    values.push_back(plug.getBypassParameter()->getValue());
    return values;
}

std::vector<std::string> Texts(juce::AudioPluginInstance& plug)
{
    std::vector<std::string> texts;
    for (juce::AudioProcessorParameter* p : PlugParams(plug))
        texts.push_back(p->getCurrentValueAsText().toStdString());
    return texts;
}

TEST(JuceHost, AFreshInstanceShowsTheDefaults)
{
    auto plug = CreateVeltar();
    const std::vector<juce::AudioProcessorParameter*> params = PlugParams(*plug);
    for (size_t i = 0; i < params.size(); ++i)
    {
        ASSERT_NE(params[i], nullptr) << i;
        EXPECT_EQ(params[i]->getValue(), params[i]->getDefaultValue()) << i;
    }
    EXPECT_EQ(Shown(*plug), (std::vector<float>{0.0f, 0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f, 0.0f}));
    EXPECT_EQ(Texts(*plug),
              (std::vector<std::string>{"0.00", "0.00", "0.50", "0.50", "out", "out", "SRPP"}));
    EXPECT_EQ(params[0]->getLabel(), "dB");
    EXPECT_EQ(params[1]->getLabel(), "dB");
    EXPECT_EQ(params[2]->getLabel(), "");
    EXPECT_EQ(params[4]->getName(64), "Transformer");
}

// Settings as a host's automation leaves them: a random position for each knob, a step for each
// switch, and the bypass.
struct Settings
{
    std::vector<float> positions;
    bool bypass = false;
};

Settings RandomSettings(unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    Settings s;
    for (int i = 0; i < 4; ++i)
        s.positions.push_back(unit(rng));
    s.positions.push_back(static_cast<float>(rng() % 2));
    s.positions.push_back(static_cast<float>(rng() % 2));
    s.positions.push_back(static_cast<float>(rng() % 3) / 2.0f);
    s.bypass = rng() % 4 == 0;
    return s;
}

Settings DefaultSettings()
{
    return {{0.0f, 0.5f, 0.5f, 0.5f, 1.0f, 1.0f, 0.0f}, false};
}

// Sets the values as a host does, lets the next block carry them to the plug-in and gives that
// block's output.
juce::AudioBuffer<float> Apply(juce::AudioPluginInstance& plug, const Settings& s)
{
    const std::vector<juce::AudioProcessorParameter*> params = PlugParams(plug);
    for (size_t i = 0; i < params.size(); ++i)
        params[i]->setValueNotifyingHost(s.positions[i]);
    plug.getBypassParameter()->setValueNotifyingHost(s.bypass ? 1.0f : 0.0f);
    return Process(plug, TestBlock());
}

void ExpectShown(juce::AudioPluginInstance& plug, const Settings& s)
{
    const std::vector<float> shown = Shown(plug);
    for (size_t i = 0; i < s.positions.size(); ++i)
        EXPECT_NEAR(shown[i], s.positions[i], 1e-6f) << i;
    EXPECT_EQ(shown.back(), s.bypass ? 1.0f : 0.0f);
}

TEST(JuceHost, ASavedProjectRestoresShownValuesAndSoundOnAFreshInstance)
{
    std::vector<Settings> cases = {DefaultSettings()};
    for (unsigned seed = 1; seed <= 4; ++seed)
        cases.push_back(RandomSettings(seed));
    for (const Settings& s : cases)
    {
        juce::MemoryBlock project;
        juce::AudioBuffer<float> firstBlock;
        {
            auto saver = CreateVeltar();
            firstBlock = Apply(*saver, s);
            saver->getStateInformation(project);
        }
        // Projects saved by hosts of every age: with and without the component's part.
        for (bool withComponent : {true, false})
        {
            auto plug = CreateVeltar();
            const juce::MemoryBlock state =
                withComponent ? project : WithoutComponentState(project);
            plug->setStateInformation(state.getData(), static_cast<int>(state.getSize()));
            Pump(20);
            ExpectShown(*plug, s);
            EXPECT_TRUE(SameAudio(Process(*plug, TestBlock()), firstBlock)) << withComponent;
        }
    }
}

// A record stored by another program, restored as the first thing a new instance does.
TEST(JuceHost, AStoredRecordRestoresAloneOnAFreshInstance)
{
    const juce::MemoryBlock record = Record({12.0, -6.0, 0.25, 0.75, 0.0, 1.0, 2.0}, 0);
    for (bool withComponent : {true, false})
    {
        auto plug = CreateVeltar();
        const juce::MemoryBlock state = ProjectState(record, withComponent);
        plug->setStateInformation(state.getData(), static_cast<int>(state.getSize()));
        Pump(20);
        EXPECT_EQ(Texts(*plug),
                  (std::vector<std::string>{"12.00", "-6.00", "0.25", "0.75", "in", "out", "NK"}));
        const std::vector<float> shown = Shown(*plug);
        EXPECT_FLOAT_EQ(shown[0], static_cast<float>(std::sqrt(0.5)));
        EXPECT_FLOAT_EQ(shown[1], 0.375f);
        EXPECT_EQ(shown[4], 0.0f);
        EXPECT_EQ(shown[6], 1.0f);
    }
}

// Loads a .vstpreset file's contents through JUCE's VST 3 client of the instance.
bool LoadPresetFile(juce::AudioPluginInstance& plug, const juce::MemoryBlock& file)
{
    struct Loader : juce::ExtensionsVisitor
    {
        explicit Loader(const juce::MemoryBlock& data) : file(data) {}
        void visitVST3Client(const VST3Client& client) override { loaded = client.setPreset(file); }
        const juce::MemoryBlock& file;
        bool loaded = false;
    } loader(file);
    plug.getExtensions(loader);
    return loader.loaded;
}

// The factory presets' files, each loaded as JUCE loads a .vstpreset into a fresh instance.
TEST(JuceHost, FactoryPresetFilesLoadOnAFreshInstance)
{
    const char* const switchTexts[] = {"in", "out"};
    const char* const modelTexts[] = {"SRPP", "QUAD", "NK"};
    for (int p = 0; p < kNumFactoryPresets; ++p)
    {
        const FactoryPreset& preset = kFactoryPresets[p];
        SCOPED_TRACE(preset.name);
        juce::MemoryBlock file;
        ASSERT_TRUE(juce::File(juce::String(VELTAR_VST3_PRESETS) + "/" + preset.name + ".vstpreset")
                        .loadFileAsData(file));
        auto plug = CreateVeltar();
        ASSERT_TRUE(LoadPresetFile(*plug, file));
        Pump(20);
        std::vector<std::string> expected;
        for (int i = kInput; i <= kHigh; ++i)
            expected.push_back(juce::String(preset.values[i], 2).toStdString());
        expected.push_back(switchTexts[int(preset.values[kTransformer])]);
        expected.push_back(switchTexts[int(preset.values[kBus])]);
        expected.push_back(modelTexts[int(preset.values[kModel])]);
        EXPECT_EQ(Texts(*plug), expected);
        EXPECT_EQ(plug->getBypassParameter()->getValue(), 0.0f);
    }
}

// A project whose state carries an oversampling factor after the record: JUCE learns the latency
// from the restart the restore asks for, and a project of the record alone brings it back to 0.
TEST(JuceHost, ProjectsWithOversamplingReportTheirLatency)
{
    const juce::MemoryBlock record = Record({0.0, 0.0, 0.5, 0.5, 1.0, 1.0, 0.0}, 0);
    auto plug = CreateVeltar();
    EXPECT_EQ(plug->getLatencySamples(), 0);
    for (int factor : {4, 2, 8, 1})
    {
        juce::MemoryBlock chosen = record;
        const std::vector<uint8_t> section =
            EncodeOversamplingSection({factor, OversamplingChoice::kSameAsRealtime});
        chosen.append(section.data(), section.size());
        const juce::MemoryBlock state = ProjectState(chosen, true);
        plug->setStateInformation(state.getData(), static_cast<int>(state.getSize()));
        Pump(20);
        EXPECT_EQ(plug->getLatencySamples(), Oversampler::LatencyFrames(factor)) << factor;
        juce::MemoryBlock saved;
        plug->getStateInformation(saved);
        auto fresh = CreateVeltar();
        fresh->setStateInformation(saved.getData(), static_cast<int>(saved.getSize()));
        Pump(20);
        EXPECT_EQ(fresh->getLatencySamples(), Oversampler::LatencyFrames(factor)) << factor;
    }
}

TEST(JuceHost, TextsAndPositionsRoundTrip)
{
    auto plug = CreateVeltar();
    for (juce::AudioProcessorParameter* p : PlugParams(*plug))
    {
        const int steps = p->getNumSteps();
        for (int k = 0; k <= 20; ++k)
        {
            const float pos = static_cast<float>(k) / 20.0f;
            const juce::String text = p->getText(pos, 64);
            const float back = p->getValueForText(text);
            EXPECT_EQ(p->getText(back, 64), text) << p->getName(64) << " " << pos;
            // A switch's text reads back as the step that setting the position gives.
            if (steps > 0 && steps < 16)
            {
                const float stepped = std::floor(pos * (steps - 1) + 0.5f) / (steps - 1);
                EXPECT_FLOAT_EQ(back, stepped) << p->getName(64) << " " << pos;
            }
        }
    }
    EXPECT_EQ(Param(*plug, "4")->getValueForText("in"), 0.0f);
    EXPECT_EQ(Param(*plug, "6")->getValueForText("QUAD"), 0.5f);
}

TEST(JuceHost, BypassIsTheHostsBypass)
{
    auto plug = CreateVeltar();
    juce::AudioProcessorParameter* bypass = plug->getBypassParameter();
    ASSERT_NE(bypass, nullptr);
    EXPECT_EQ(bypass, Param(*plug, kBypassID));
    EXPECT_EQ(bypass->getName(64), "Bypass");
    Param(*plug, "1")->setValueNotifyingHost(1.0f);
    bypass->setValueNotifyingHost(1.0f);
    EXPECT_TRUE(SameAudio(Process(*plug, TestBlock()), TestBlock()));
    bypass->setValueNotifyingHost(0.0f);
    EXPECT_FALSE(SameAudio(Process(*plug, TestBlock()), TestBlock()));

    // A host that bypasses by calling the bypassed block gets the plug-in's own bypass.
    juce::AudioBuffer<float> block = TestBlock();
    juce::MidiBuffer midi;
    plug->processBlockBypassed(block, midi);
    EXPECT_TRUE(SameAudio(block, TestBlock()));
    EXPECT_EQ(bypass->getValue(), 1.0f);
}

// The bundle's moduleinfo.json, read with JUCE's JSON parser, lists the plug-in as JUCE's scan of
// the loaded module describes it.
TEST(JuceHost, ModuleInfoListsWhatTheScanFinds)
{
    const juce::var info =
        juce::JSON::parse(Bundle().getChildFile("Contents/Resources/moduleinfo.json"));
    ASSERT_TRUE(info.isObject());
    const juce::PluginDescription scanned = Describe();
    const juce::var classes = info["Classes"];
    ASSERT_TRUE(classes.isArray());
    ASSERT_EQ(classes.size(), 1);
    const juce::var c = classes[0];
    EXPECT_EQ(info["Name"].toString(), "VELTAR");
    EXPECT_EQ(info["Factory Info"]["Vendor"].toString(), scanned.manufacturerName);
    EXPECT_EQ(c["Name"].toString(), scanned.name);
    EXPECT_EQ(c["Vendor"].toString(), scanned.manufacturerName);
    EXPECT_EQ(c["Version"].toString(), scanned.version);
    EXPECT_EQ(info["Version"].toString(), scanned.version);
    EXPECT_EQ(c["Category"].toString(), "Audio Module Class");
    EXPECT_EQ(c["Sub Categories"][0].toString(), scanned.category);
    EXPECT_FALSE(scanned.isInstrument);
    EXPECT_TRUE(static_cast<bool>(info["Factory Info"]["Flags"]["Unicode"]));
    EXPECT_EQ(c["CID"].toString().length(), 32);
}

TEST(JuceHost, HundredInstancesComeAndGoWithoutATrace)
{
    // The first instance loads the module, which JUCE keeps loaded.
    CreateVeltar();
    Pump(20);
    const int files = OpenFiles();
    const int threads = Threads();
    for (int i = 0; i < 100; ++i)
    {
        auto plug = CreateVeltar();
        Apply(*plug, RandomSettings(static_cast<unsigned>(i)));
        plug->releaseResources();
    }
    Pump(20);
    EXPECT_EQ(OpenFiles(), files);
    EXPECT_EQ(Threads(), threads);
}

} // namespace
