// A host whose callbacks wait for its own audio thread: the component handler and the project
// stream each ask that thread for one processed block and return only once it has run. Real hosts
// do the like when their edit handler writes automation or their project lies on a slow disk. A
// plug-in that called them while holding the lock process takes would deadlock here; the host
// gives up after a generous time (a safety net, never reached when all is well), so such a fault
// fails the test instead of hanging it.
#include "StressHost.h"

#include "ComponentHandler.h"
#include "MemoryStream.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using stresstest::StressInstance;

namespace
{
constexpr auto kPatience = std::chrono::seconds(20);
constexpr size_t kRecordSize = 8 * kNumParams + 4;

// The host's audio thread, processing one block whenever another thread asks for it.
class AudioThread
{
public:
    explicit AudioThread(StressInstance& instance)
        : mInstance(instance), mThread([this] { Serve(); })
    {
    }
    ~AudioThread()
    {
        {
            std::lock_guard<std::mutex> lock(mMutex);
            mQuit = true;
        }
        mChanged.notify_all();
        mThread.join();
    }
    AudioThread(const AudioThread&) = delete;
    AudioThread& operator=(const AudioThread&) = delete;

    // Waits until one more block has been processed. After the first wait in vain it answers
    // false at once: the fault is found, and the rest of the test need not wait for it again.
    bool RunBlock()
    {
        std::unique_lock<std::mutex> lock(mMutex);
        if (mGaveUp)
            return false;
        const long wanted = ++mRequested;
        mChanged.notify_all();
        mGaveUp = !mChanged.wait_for(lock, kPatience, [&] { return mDone >= wanted; });
        return !mGaveUp;
    }

    long Blocks()
    {
        std::lock_guard<std::mutex> lock(mMutex);
        return mDone;
    }

private:
    void Serve()
    {
        const std::vector<double> in[2] = {std::vector<double>(256, 0.25),
                                           std::vector<double>(256, -0.25)};
        std::unique_lock<std::mutex> lock(mMutex);
        for (;;)
        {
            mChanged.wait(lock, [&] { return mQuit || mDone < mRequested; });
            if (mQuit)
                return;
            lock.unlock();
            mInstance.Process(in, nullptr);
            lock.lock();
            ++mDone;
            mChanged.notify_all();
        }
    }

    StressInstance& mInstance;
    std::mutex mMutex;
    std::condition_variable mChanged;
    long mRequested = 0;
    long mDone = 0;
    bool mQuit = false;
    bool mGaveUp = false;
    std::thread mThread;
};

// Counts the callbacks that came while the audio thread could not process.
struct WaitLog
{
    AudioThread* audio = nullptr;
    int calls = 0;
    int late = 0;

    // Callbacks while the instance is being opened come before the audio thread exists.
    void Wait()
    {
        if (!audio)
            return;
        ++calls;
        late += audio->RunBlock() ? 0 : 1;
    }
};

class WaitingHandler : public vst3test::ComponentHandler
{
public:
    explicit WaitingHandler(WaitLog& log) : mLog(log) {}

    tresult PLUGIN_API beginEdit(ParamID id) override
    {
        mLog.Wait();
        return ComponentHandler::beginEdit(id);
    }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
    {
        mLog.Wait();
        return ComponentHandler::performEdit(id, value);
    }
    tresult PLUGIN_API endEdit(ParamID id) override
    {
        mLog.Wait();
        return ComponentHandler::endEdit(id);
    }
    tresult PLUGIN_API restartComponent(int32 flags) override
    {
        mLog.Wait();
        return ComponentHandler::restartComponent(flags);
    }

private:
    WaitLog& mLog;
};

class WaitingStream : public vst3host::MemoryStream
{
public:
    WaitingStream(WaitLog& log, std::vector<char> data = {})
        : MemoryStream(std::move(data)), mLog(log)
    {
    }

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        mLog.Wait();
        return MemoryStream::read(buffer, numBytes, numBytesRead);
    }
    tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        mLog.Wait();
        return MemoryStream::write(buffer, numBytes, numBytesWritten);
    }

private:
    WaitLog& mLog;
};

// An instance whose handler and audio thread are the waiting host's.
struct WaitingHost
{
    WaitingHost() : handler(log), instance(&handler), audio(instance) { log.audio = &audio; }

    WaitLog log;
    WaitingHandler handler;
    StressInstance instance;
    AudioThread audio;
};

std::vector<char> Record(const std::vector<double>& values, int32 bypassed)
{
    std::vector<char> bytes(kRecordSize);
    std::memcpy(bytes.data(), values.data(), 8 * values.size());
    std::memcpy(bytes.data() + 8 * values.size(), &bypassed, sizeof bypassed);
    return bytes;
}
} // namespace

TEST(BlockingHost, EditsFromTheEditorReachAHostThatWaitsForProcessing)
{
    WaitingHost host;
    ASSERT_NE(host.instance.Layer(), nullptr);
    HeadlessNativeLayer& layer = *host.instance.Layer();
    const IMouseMod left(true);
    // A drag up the Input knob.
    layer.MouseDown(130, 50, left);
    layer.MouseDrag(130, 40, left);
    layer.MouseDrag(130, 20, left);
    layer.MouseUp(130, 20, left);

    EXPECT_EQ(host.log.late, 0);
    EXPECT_EQ(host.audio.Blocks(), host.log.calls);
    // The host saw the gesture as always: begin, each new position, end.
    const auto edits = host.handler.GetEdits();
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().kind, vst3test::ComponentHandler::EditKind::kBegin);
    EXPECT_EQ(edits.back().kind, vst3test::ComponentHandler::EditKind::kEnd);
    for (size_t i = 1; i + 1 < edits.size(); ++i)
    {
        EXPECT_EQ(edits[i].kind, vst3test::ComponentHandler::EditKind::kPerform);
        EXPECT_EQ(edits[i].id, static_cast<ParamID>(EParams::kInput));
    }
    EXPECT_GT(edits[edits.size() - 2].value, 0.0);
    EXPECT_NEAR(edits[edits.size() - 2].value,
                host.instance.Plug().getParamNormalized(EParams::kInput), 1e-12);

    // Every position at once, as the base reports them after a change the host did not make.
    host.handler.Clear();
    host.instance.Plug().DirtyParameters();
    EXPECT_EQ(host.log.late, 0);
    EXPECT_EQ(host.handler.GetEdits().size(), static_cast<size_t>(kNumParams));
}

TEST(BlockingHost, StateReachesAStreamThatWaitsForProcessing)
{
    WaitingHost host;
    IFxVST3& plug = host.instance.Plug();
    const std::vector<char> loud = Record({24.0, 12.0, 1.0, 0.0, 0.0, 0.0, 2.0}, 1);
    const std::vector<char> quiet = Record({0.0, -24.0, 0.0, 1.0, 1.0, 1.0, 1.0}, 0);

    WaitingStream in(host.log, loud);
    EXPECT_EQ(plug.setState(&in), kResultOk);
    WaitingStream out(host.log);
    EXPECT_EQ(plug.getState(&out), kResultOk);
    EXPECT_EQ(out.GetData(), loud);

    WaitingStream editorIn(host.log, quiet);
    EXPECT_EQ(plug.setEditorState(&editorIn), kResultOk);
    WaitingStream editorOut(host.log);
    EXPECT_EQ(plug.getEditorState(&editorOut), kResultOk);
    EXPECT_EQ(editorOut.GetData(), quiet);

    WaitingStream componentIn(host.log, loud);
    EXPECT_EQ(plug.setComponentState(&componentIn), kResultOk);
    EXPECT_EQ(plug.getParamNormalized(EParams::kModel), 1.0);

    EXPECT_EQ(host.log.late, 0);
    EXPECT_EQ(host.audio.Blocks(), host.log.calls);
}
