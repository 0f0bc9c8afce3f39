// Several VELTAR instances used the way hosts use them, each from four threads at once and with no
// lock of the test's own: an audio thread processes blocks of random length in both precisions
// with random automation; a UI thread sets, reads and converts values and texts through the
// controller; another drives the editor with the mouse; and a background thread saves and
// restores the state through every state call a host has; and oversampling chosen in the editor
// while blocks run. Built with -DVELTAR_SANITIZE=thread this must report no data race: whatever
// the plug-in shares between threads it must guard itself.
#include "StressHost.h"

#include "ComponentHandler.h"
#include "MemoryStream.h"
#include "ParameterChanges.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using stresstest::StressInstance;

namespace
{
constexpr int kInstances = 3;
constexpr auto kRunTime = std::chrono::seconds(3);
constexpr ParamID kBypassID = 0x62706173; // 'bpas'
constexpr ParamID kPresetID = 0x70727374; // 'prst'
constexpr size_t kRecordSize = 8 * kNumParams + 4;

// What one thread found; read once every thread has ended.
struct Findings
{
    long calls = 0;
    long failures = 0;
};

struct InstanceFindings
{
    Findings audio, controller, editor, state;
    long nonFiniteSamples = 0;
    long restores = 0;
};

void AudioThread(StressInstance& instance, unsigned seed, const std::atomic<bool>& stop,
                 InstanceFindings& found)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> frames(0, StressInstance::kMaxBlock);
    std::uniform_int_distribution<int> param(0, kNumParams - 1);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    std::vector<double> in[2];
    bool use64 = true;
    while (!stop)
    {
        if (found.audio.calls % 40 == 39)
        {
            use64 = !use64;
            instance.SetUp(use64 ? kSample64 : kSample32);
        }
        const int n = frames(rng);
        vst3host::ParameterChanges changes;
        for (int k = std::uniform_int_distribution<int>(0, 3)(rng); k > 0; --k)
            changes.AddPoint(static_cast<ParamID>(param(rng)), n ? int(rng() % unsigned(n)) : 0,
                             value(rng));
        if (rng() % 16 == 0)
            changes.AddPoint(kBypassID, 0, value(rng));
        if (rng() % 64 == 0)
            changes.AddPoint(kPresetID, 0, 0.0);
        for (auto& channel : in)
        {
            channel.resize(static_cast<size_t>(n));
            for (double& s : channel)
                s = 2.0 * value(rng) - 1.0;
        }
        found.nonFiniteSamples += instance.Process(in, &changes);
        ++found.audio.calls;
    }
}

double NumberIn(const String128 text)
{
    std::string narrow;
    for (int i = 0; i < 128 && text[i]; ++i)
        narrow.push_back(static_cast<char>(text[i]));
    return std::atof(narrow.c_str());
}

// A host's generic editor: values set and read back, texts shown for values and values typed as
// text, for the plug-in's parameters, its two host-side ones and one it does not have.
void ControllerThread(IFxVST3& plug, unsigned seed, const std::atomic<bool>& stop, Findings& found)
{
    std::mt19937 rng(seed);
    const ParamID ids[] = {0, 1, 2, 3, 4, 5, 6, kBypassID, kPresetID, 99};
    while (!stop)
    {
        const ParamID id = ids[rng() % (sizeof ids / sizeof ids[0])];
        const bool own = id < static_cast<ParamID>(kNumParams);
        const double v = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        bool ok = (plug.setParamNormalized(id, v) == kResultOk) == own;
        const double now = plug.getParamNormalized(id);
        ok = ok && now >= 0.0 && now <= 1.0;
        String128 text = {};
        if (own)
        {
            ok = ok && plug.getParamStringByValue(id, v, text) == kResultOk && text[0] != 0;
            // A double shows a number, which reads back as a position that shows the same number.
            ParamValue back = -1.0;
            if (ok && plug.GetParam(static_cast<int>(id))->Type() == IParam::kTypeDouble)
            {
                String128 again = {};
                ok = plug.getParamValueByString(id, text, back) == kResultOk && back >= 0.0 &&
                     back <= 1.0 && plug.getParamStringByValue(id, back, again) == kResultOk &&
                     NumberIn(text) == NumberIn(again);
            }
        }
        else
            ok = ok && plug.getParamStringByValue(id, v, text) == kResultFalse;
        found.failures += ok ? 0 : 1;
        ++found.calls;
    }
}

void EditorThread(HeadlessNativeLayer& layer, unsigned seed, const std::atomic<bool>& stop,
                  Findings& found)
{
    std::mt19937 rng(seed);
    const IMouseMod left(true);
    // Points on the Input and High knobs and the Model switch.
    const int targets[][2] = {{130, 50}, {245, 375}, {125, 470}};
    while (!stop)
    {
        const auto& at = targets[rng() % 3];
        layer.MouseDown(at[0], at[1], left);
        for (int k = int(rng() % 4); k > 0; --k)
            layer.MouseDrag(at[0], at[1] - int(rng() % 40), left);
        layer.MouseUp(at[0], at[1], left);
        layer.RunFrame();
        ++found.calls;
    }
}

// A record as a host may store one: every value inside its parameter's range, and a bypass flag.
std::vector<char> RandomRecord(IFxVST3& plug, std::mt19937& rng)
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

bool RecordInRange(IFxVST3& plug, const std::vector<char>& saved)
{
    if (saved.size() != kRecordSize)
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

// A host's autosave and project loading, on a thread of their own: each save is a whole record
// of values in range, each restore of a whole record succeeds and one cut before its bypass flag
// fails.
void StateThread(IFxVST3& plug, unsigned seed, const std::atomic<bool>& stop,
                 InstanceFindings& found)
{
    std::mt19937 rng(seed);
    while (!stop)
    {
        const unsigned way = rng() % 5;
        bool ok = true;
        if (way < 2)
        {
            vst3host::MemoryStream out;
            ok = (way == 0 ? plug.getState(&out) : plug.getEditorState(&out)) == kResultOk &&
                 RecordInRange(plug, out.GetData());
        }
        else
        {
            std::vector<char> record = RandomRecord(plug, rng);
            const bool whole = rng() % 8 != 0;
            if (!whole)
                record.resize(kRecordSize - 4);
            vst3host::MemoryStream in(record);
            const tresult result = way == 2   ? plug.setState(&in)
                                   : way == 3 ? plug.setEditorState(&in)
                                              : plug.setComponentState(&in);
            ok = (result == kResultOk) == whole;
            ++found.restores;
        }
        found.state.failures += ok ? 0 : 1;
        ++found.state.calls;
    }
}

// The edits a host saw: each gesture a begin, value changes of that parameter and an end, with
// positions in [0, 1].
bool EditsWellFormed(const std::vector<vst3test::ComponentHandler::Edit>& edits)
{
    using Kind = vst3test::ComponentHandler::EditKind;
    bool open = false;
    ParamID id = 0;
    for (const auto& e : edits)
    {
        if (e.kind == Kind::kBegin ? open : !open || e.id != id)
            return false;
        if (e.kind == Kind::kPerform && !(e.value >= 0.0 && e.value <= 1.0))
            return false;
        open = e.kind != Kind::kEnd;
        id = e.id;
    }
    return !open;
}
} // namespace

TEST(Stress, InstancesServeEveryHostThreadAtOnce)
{
    std::vector<std::unique_ptr<vst3test::ComponentHandler>> handlers;
    std::vector<std::unique_ptr<StressInstance>> instances;
    for (int i = 0; i < kInstances; ++i)
    {
        handlers.push_back(std::make_unique<vst3test::ComponentHandler>());
        instances.push_back(std::make_unique<StressInstance>(handlers.back().get()));
        ASSERT_NE(instances.back()->Layer(), nullptr);
    }

    std::atomic<bool> stop{false};
    std::vector<InstanceFindings> found(kInstances);
    std::vector<std::thread> audio, others;
    for (int i = 0; i < kInstances; ++i)
    {
        StressInstance& instance = *instances[static_cast<size_t>(i)];
        InstanceFindings& f = found[static_cast<size_t>(i)];
        const unsigned seed = 100u * static_cast<unsigned>(i + 1);
        audio.emplace_back(AudioThread, std::ref(instance), seed, std::cref(stop), std::ref(f));
        others.emplace_back(ControllerThread, std::ref(instance.Plug()), seed + 1, std::cref(stop),
                            std::ref(f.controller));
        others.emplace_back(EditorThread, std::ref(*instance.Layer()), seed + 2, std::cref(stop),
                            std::ref(f.editor));
        others.emplace_back(StateThread, std::ref(instance.Plug()), seed + 3, std::cref(stop),
                            std::ref(f));
    }
    std::vector<std::thread::id> audioIds;
    for (const std::thread& t : audio)
        audioIds.push_back(t.get_id());
    std::this_thread::sleep_for(kRunTime);
    stop = true;
    for (std::thread& t : audio)
        t.join();
    for (std::thread& t : others)
        t.join();

    for (size_t i = 0; i < kInstances; ++i)
    {
        SCOPED_TRACE(i);
        const InstanceFindings& f = found[i];
        EXPECT_GT(f.audio.calls, 20);
        EXPECT_EQ(f.nonFiniteSamples, 0);
        EXPECT_GT(f.controller.calls, 20);
        EXPECT_EQ(f.controller.failures, 0);
        EXPECT_GT(f.editor.calls, 5);
        EXPECT_GT(f.state.calls, 5);
        EXPECT_EQ(f.state.failures, 0);
        const auto edits = handlers[i]->GetEdits();
        EXPECT_GT(edits.size(), 5u);
        EXPECT_TRUE(EditsWellFormed(edits));
        // Restores asked the host to re-read values, never from the audio thread.
        const std::vector<std::thread::id> restarts = handlers[i]->GetRestartThreads();
        EXPECT_GE(restarts.size(), static_cast<size_t>(f.restores));
        for (std::thread::id id : restarts)
            EXPECT_NE(id, audioIds[i]);
        // Whatever the threads left, a restore brings back exactly what was saved.
        IFxVST3& plug = instances[i]->Plug();
        vst3host::MemoryStream saved;
        ASSERT_EQ(plug.getState(&saved), kResultOk);
        vst3host::MemoryStream in(saved.GetData());
        EXPECT_EQ(plug.setState(&in), kResultOk);
        vst3host::MemoryStream again;
        ASSERT_EQ(plug.getState(&again), kResultOk);
        EXPECT_EQ(again.GetData(), saved.GetData());
    }
}

// The user picks oversampling factors in the panel menu while the host processes; the host reads
// the latency after each choice, as it does after the restart it is sent.
TEST(Stress, OversamplingChosenInTheEditorWhileProcessing)
{
    vst3test::ComponentHandler handler;
    StressInstance instance(&handler);
    ASSERT_NE(instance.Layer(), nullptr);
    std::atomic<bool> stop{false};
    InstanceFindings found;
    std::thread audio(AudioThread, std::ref(instance), 7u, std::cref(stop), std::ref(found));
    const std::thread::id audioId = audio.get_id();
    std::mt19937 rng(8);
    const IMouseMod right(false, true);
    long choices = 0;
    for (const auto end = std::chrono::steady_clock::now() + kRunTime;
         std::chrono::steady_clock::now() < end; ++choices)
    {
        // "Oversampling" and "Oversampling when rendering" follow the zoom entries and a
        // separator.
        instance.Layer()->SetNextMenuChoice(4 + static_cast<int>(rng() % 2),
                                            static_cast<int>(rng() % 4));
        instance.Layer()->MouseDown(10, 10, right);
        EXPECT_EQ(instance.Plug().getLatencySamples(),
                  static_cast<uint32>(
                      Oversampler::LatencyFrames(instance.Plug().GetOversampling().realtime)));
    }
    stop = true;
    audio.join();
    EXPECT_GT(found.audio.calls, 20);
    EXPECT_GT(choices, 20);
    EXPECT_EQ(found.nonFiniteSamples, 0);
    // The latency's changes were announced from the editor's thread, never the audio thread.
    EXPECT_FALSE(handler.GetRestartFlags().empty());
    for (std::thread::id id : handler.GetRestartThreads())
        EXPECT_NE(id, audioId);
}
