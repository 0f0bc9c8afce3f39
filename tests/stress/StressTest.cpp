// Several VELTAR instances driven the way strict validators drive a plug-in: on each, an audio
// thread processes blocks of random length in both precisions with random automation, while a
// second thread saves and restores the state, edits parameters from the editor and clicks and
// drags on the editor; and oversampling chosen in the editor while blocks run. Built with
// -DVELTAR_SANITIZE=thread this must report no data race.
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"
#include "plugin/VELTAR.h"

#include "ComponentHandler.h"
#include "MemoryStream.h"
#include "ParameterChanges.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
constexpr int kInstances = 3;
constexpr int kMaxBlock = 512;
constexpr auto kRunTime = std::chrono::seconds(3);
constexpr ParamID kBypassID = 0x62706173; // 'bpas'

struct PlugRelease
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};
using PlugPtr = std::unique_ptr<IFxVST3, PlugRelease>;

// What one instance's two threads found; read after both have ended.
struct Findings
{
    long blocks = 0;
    long nonFiniteSamples = 0;
    long roundTrips = 0;
    long roundTripMismatches = 0;
    long savesOutOfRange = 0;
    long editorActions = 0;
};

std::vector<char> Save(IFxVST3& plug)
{
    vst3host::MemoryStream stream;
    plug.getEditorState(&stream);
    return stream.GetData();
}

void SetUpPrecision(IFxVST3& plug, int32 sampleSize)
{
    ProcessSetup setup = {kRealtime, sampleSize, kMaxBlock, 48000.0};
    plug.setActive(false);
    plug.setupProcessing(setup);
    plug.setActive(true);
}

template <class Sample>
void ProcessOne(IFxVST3& plug, std::mt19937& rng, int nFrames, IParameterChanges* changes,
                Findings& found)
{
    std::uniform_real_distribution<double> sample(-1.0, 1.0);
    std::vector<Sample> in[2], out[2];
    Sample* inPtrs[2];
    Sample* outPtrs[2];
    for (int c = 0; c < 2; ++c)
    {
        in[c].resize(static_cast<size_t>(nFrames));
        out[c].assign(static_cast<size_t>(nFrames), Sample(0));
        for (Sample& s : in[c])
            s = static_cast<Sample>(sample(rng));
        inPtrs[c] = in[c].data();
        outPtrs[c] = out[c].data();
    }
    AudioBusBuffers inBus, outBus;
    inBus.numChannels = outBus.numChannels = 2;
    if constexpr (sizeof(Sample) == 8)
    {
        inBus.channelBuffers64 = inPtrs;
        outBus.channelBuffers64 = outPtrs;
    }
    else
    {
        inBus.channelBuffers32 = inPtrs;
        outBus.channelBuffers32 = outPtrs;
    }
    ProcessData data;
    data.symbolicSampleSize = sizeof(Sample) == 8 ? kSample64 : kSample32;
    data.numSamples = nFrames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = changes;
    plug.process(data);
    for (auto& channel : out)
        for (Sample s : channel)
            found.nonFiniteSamples += std::isfinite(s) ? 0 : 1;
    ++found.blocks;
}

void AudioThread(IFxVST3& plug, unsigned seed, const std::atomic<bool>& stop, Findings& found)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> frames(0, kMaxBlock);
    std::uniform_int_distribution<int> param(0, kNumParams - 1);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    bool use64 = true;
    while (!stop)
    {
        if (found.blocks % 40 == 0)
        {
            // setupProcessing takes no lock of its own; a host never calls it while a state call
            // is under way, which holding the plug-in's mutex stands in for here.
            FxMutexLock lock(plug.GetMutex());
            use64 = !use64;
            SetUpPrecision(plug, use64 ? kSample64 : kSample32);
        }
        const int n = frames(rng);
        vst3host::ParameterChanges changes;
        for (int k = std::uniform_int_distribution<int>(0, 3)(rng); k > 0; --k)
            changes.AddPoint(static_cast<ParamID>(param(rng)), n ? int(rng() % unsigned(n)) : 0,
                             value(rng));
        if (rng() % 16 == 0)
            changes.AddPoint(kBypassID, 0, value(rng));
        if (use64)
            ProcessOne<double>(plug, rng, n, &changes, found);
        else
            ProcessOne<float>(plug, rng, n, &changes, found);
    }
}

// A state as a host may store one: every value inside its parameter's range, and a bypass flag.
std::vector<char> RandomState(IFxVST3& plug, std::mt19937& rng)
{
    std::vector<char> bytes;
    for (int i = 0; i < plug.NParams(); ++i)
    {
        const IParam* p = plug.GetParam(i);
        double v = std::uniform_real_distribution<double>(p->GetMin(), p->GetMax())(rng);
        const char* raw = reinterpret_cast<const char*>(&v);
        bytes.insert(bytes.end(), raw, raw + sizeof(v));
    }
    int32 bypassed = static_cast<int32>(rng() % 2);
    const char* raw = reinterpret_cast<const char*>(&bypassed);
    bytes.insert(bytes.end(), raw, raw + sizeof(bypassed));
    return bytes;
}

bool SavedValuesInRange(IFxVST3& plug, const std::vector<char>& saved)
{
    if (saved.size() != 8u * static_cast<size_t>(plug.NParams()) + 4u)
        return false;
    for (int i = 0; i < plug.NParams(); ++i)
    {
        double v;
        std::memcpy(&v, saved.data() + 8 * i, sizeof(v));
        const IParam* p = plug.GetParam(i);
        if (!(v >= p->GetMin() && v <= p->GetMax()))
            return false;
    }
    return true;
}

void EditorThread(IFxVST3& plug, HeadlessNativeLayer& layer, unsigned seed,
                  const std::atomic<bool>& stop, Findings& found)
{
    std::mt19937 rng(seed);
    const IMouseMod left(true);
    // Points on the Input and High knobs and the Model switch.
    const int targets[][2] = {{130, 50}, {245, 375}, {125, 470}};
    while (!stop)
    {
        switch (rng() % 4)
        {
        case 0:
        {
            // Restore then save, with no block in between: the bytes must come back unchanged.
            const std::vector<char> state = RandomState(plug, rng);
            vst3host::MemoryStream in(state);
            FxMutexLock lock(plug.GetMutex());
            plug.setEditorState(&in);
            if (Save(plug) != state)
                ++found.roundTripMismatches;
            ++found.roundTrips;
            break;
        }
        case 1:
            if (!SavedValuesInRange(plug, Save(plug)))
                ++found.savesOutOfRange;
            break;
        case 2:
            plug.SetParameterFromGUI(static_cast<int>(rng() % kNumParams),
                                     std::uniform_real_distribution<double>(0.0, 1.0)(rng));
            ++found.editorActions;
            break;
        default:
        {
            const auto& at = targets[rng() % 3];
            layer.MouseDown(at[0], at[1], left);
            layer.MouseDrag(at[0], at[1] - int(rng() % 40), left);
            layer.MouseUp(at[0], at[1], left);
            layer.RunFrame();
            ++found.editorActions;
            break;
        }
        }
    }
}
} // namespace

TEST(Stress, InstancesProcessWhileStateAndEditorChange)
{
    // The editor's bitmaps come from the source tree, so that the clicks land on real controls.
    SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
    std::vector<PlugPtr> plugs;
    std::vector<IGraphicsMac*> editors;
    std::vector<HeadlessNativeLayer*> layers;
    std::vector<std::unique_ptr<vst3test::ComponentHandler>> handlers;
    for (int i = 0; i < kInstances; ++i)
    {
        plugs.emplace_back(MakePlug());
        ASSERT_EQ(plugs.back()->initialize(nullptr), kResultOk);
        handlers.push_back(std::make_unique<vst3test::ComponentHandler>());
        ASSERT_EQ(plugs.back()->setComponentHandler(handlers.back().get()), kResultOk);
        editors.push_back(dynamic_cast<IGraphicsMac*>(plugs.back()->GetGUI()));
        ASSERT_NE(editors.back(), nullptr);
        ASSERT_NE(editors.back()->OpenWindow(nullptr), nullptr);
        layers.push_back(static_cast<HeadlessNativeLayer*>(editors.back()->GetNativeLayer()));
        SetUpPrecision(*plugs.back(), kSample64);
    }
    SetPlatformResourceRoot(nullptr);

    std::atomic<bool> stop{false};
    std::vector<Findings> audio(kInstances), editor(kInstances);
    std::vector<std::thread> threads;
    for (int i = 0; i < kInstances; ++i)
    {
        threads.emplace_back(AudioThread, std::ref(*plugs[i]), 100u + i, std::cref(stop),
                             std::ref(audio[i]));
        threads.emplace_back(EditorThread, std::ref(*plugs[i]), std::ref(*layers[i]), 200u + i,
                             std::cref(stop), std::ref(editor[i]));
    }
    std::vector<std::thread::id> audioThreads;
    for (int i = 0; i < kInstances; ++i)
        audioThreads.push_back(threads[2 * static_cast<size_t>(i)].get_id());
    std::this_thread::sleep_for(kRunTime);
    stop = true;
    for (std::thread& t : threads)
        t.join();

    for (int i = 0; i < kInstances; ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_GT(audio[i].blocks, 20);
        EXPECT_EQ(audio[i].nonFiniteSamples, 0);
        EXPECT_GT(editor[i].roundTrips, 5);
        EXPECT_EQ(editor[i].roundTripMismatches, 0);
        EXPECT_EQ(editor[i].savesOutOfRange, 0);
        EXPECT_GT(editor[i].editorActions, 5);
        // Restores asked the host to re-read values, never from the audio thread.
        const std::vector<std::thread::id> restarts = handlers[i]->GetRestartThreads();
        EXPECT_GE(restarts.size(), static_cast<size_t>(editor[i].roundTrips));
        for (std::thread::id id : restarts)
            EXPECT_NE(id, audioThreads[i]);
        // Whatever the threads left, a restore still brings back exactly what was saved.
        const std::vector<char> saved = Save(*plugs[i]);
        vst3host::MemoryStream in(saved);
        EXPECT_EQ(plugs[i]->setEditorState(&in), kResultOk);
        EXPECT_EQ(Save(*plugs[i]), saved);
        editors[i]->CloseWindow();
        plugs[i]->setComponentHandler(nullptr);
    }
}

// The user picks oversampling factors in the panel menu while the host processes and reads the
// latency, each on its own thread, as hosts do, and the test takes no lock of its own.
TEST(Stress, OversamplingChosenInTheEditorWhileProcessing)
{
    SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
    PlugPtr plug(MakePlug());
    ASSERT_EQ(plug->initialize(nullptr), kResultOk);
    vst3test::ComponentHandler handler;
    ASSERT_EQ(plug->setComponentHandler(&handler), kResultOk);
    auto* editor = dynamic_cast<IGraphicsMac*>(plug->GetGUI());
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(editor->OpenWindow(nullptr), nullptr);
    auto* layer = static_cast<HeadlessNativeLayer*>(editor->GetNativeLayer());
    SetPlatformResourceRoot(nullptr);
    SetUpPrecision(*plug, kSample32);

    std::atomic<bool> stop{false};
    Findings found;
    std::thread audio(
        [&]
        {
            std::mt19937 rng(7);
            while (!stop)
                ProcessOne<float>(*plug, rng, std::uniform_int_distribution<int>(0, kMaxBlock)(rng),
                                  nullptr, found);
        });
    std::mt19937 rng(8);
    const IMouseMod right(false, true);
    long choices = 0;
    const auto end = std::chrono::steady_clock::now() + kRunTime;
    while (std::chrono::steady_clock::now() < end)
    {
        // "Oversampling" and "Oversampling when rendering" follow the zoom entries and a separator.
        layer->SetNextMenuChoice(4 + static_cast<int>(rng() % 2), static_cast<int>(rng() % 4));
        layer->MouseDown(10, 10, right);
        const OversamplingChoice choice = plug->GetOversampling();
        EXPECT_EQ(plug->getLatencySamples(),
                  static_cast<uint32>(Oversampler::LatencyFrames(choice.realtime)));
        ++choices;
    }
    stop = true;
    audio.join();
    EXPECT_GT(found.blocks, 20);
    EXPECT_GT(choices, 20);
    EXPECT_EQ(found.nonFiniteSamples, 0);
    EXPECT_FALSE(handler.GetRestartFlags().empty());
    // The latency's changes were announced from the editor's thread, never the audio thread.
    for (std::thread::id id : handler.GetRestartThreads())
        EXPECT_EQ(id, std::this_thread::get_id());
    editor->CloseWindow();
    plug->setComponentHandler(nullptr);
}
