// The Linux host's run loop, offered through the host context and the editor's frame.
#include "RunLoop.h"
#include "HostApplication.h"
#include "PlugFrame.h"

#include <gtest/gtest.h>

using namespace Steinberg;

namespace
{

TEST(HostRunLoop, HostContextOffersTheRunLoop)
{
    vst3host::RunLoop runLoop;
    vst3host::HostApplication host("Host", &runLoop);
    void* obj = nullptr;
    ASSERT_EQ(host.queryInterface(Linux::IRunLoop::iid, &obj), kResultOk);
    EXPECT_EQ(obj, static_cast<Linux::IRunLoop*>(&runLoop));
    static_cast<Linux::IRunLoop*>(obj)->release();

    vst3host::HostApplication plain("Plain");
    EXPECT_EQ(plain.queryInterface(Linux::IRunLoop::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
}

class Timer : public Linux::ITimerHandler
{
public:
    void PLUGIN_API onTimer() override { ++ticks; }
    tresult PLUGIN_API queryInterface(const TUID, void**) override { return kNoInterface; }
    VST3HOST_REFCOUNT_METHODS
    int ticks = 0;

private:
    vst3host::RefCount mRefs;
};

TEST(HostRunLoop, HoldsRegisteredHandlersAndCallsThem)
{
    Timer timer;
    {
        vst3host::RunLoop runLoop;
        ASSERT_EQ(runLoop.registerTimer(&timer, 40), kResultOk);
        EXPECT_EQ(timer.GetRefCount(), 2);
        EXPECT_EQ(runLoop.GetTimerInterval(&timer), 40u);
        EXPECT_EQ(runLoop.FireTimers(), 1);
        EXPECT_EQ(timer.ticks, 1);
        EXPECT_EQ(runLoop.unregisterTimer(&timer), kResultOk);
        EXPECT_EQ(runLoop.unregisterTimer(&timer), kInvalidArgument);
        EXPECT_EQ(timer.GetRefCount(), 1);
        runLoop.registerTimer(&timer, 40);
    }
    // A run loop that goes away drops what it still held.
    EXPECT_EQ(timer.GetRefCount(), 1);
}

TEST(HostRunLoop, PlugFrameOffersTheRunLoop)
{
    vst3host::RunLoop runLoop;
    vst3host::PlugFrame frame(&runLoop);
    void* obj = nullptr;
    ASSERT_EQ(frame.queryInterface(Linux::IRunLoop::iid, &obj), kResultOk);
    EXPECT_EQ(obj, static_cast<Linux::IRunLoop*>(&runLoop));
    static_cast<Linux::IRunLoop*>(obj)->release();
}

} // namespace
