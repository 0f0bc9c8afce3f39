// The run loop an LV2 UI gets from its host's idle calls.
#include "framework/lv2/HostRunLoopLV2.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{

TEST(IdleRunLoop, RefusesHandlersItCouldNotServe)
{
    IdleRunLoop loop;
    EXPECT_FALSE(loop.AddFdHandler(-1, [] {}));
    EXPECT_FALSE(loop.AddFdHandler(3, nullptr));
    EXPECT_FALSE(loop.AddTimer(0, [] {}));
    EXPECT_FALSE(loop.AddTimer(-5, [] {}));
    EXPECT_FALSE(loop.AddTimer(10, nullptr));
}

TEST(IdleRunLoop, ReadsOnEveryIdleAndTicksOnceAnIntervalHasPassed)
{
    IdleRunLoop loop;
    int reads = 0, ticks = 0;
    ASSERT_TRUE(loop.AddFdHandler(3, [&] { ++reads; }));
    ASSERT_TRUE(loop.AddTimer(300, [&] { ++ticks; }));
    loop.Idle();
    loop.Idle();
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(ticks, 0);
    // A host that idles late gets one tick, not the ones it missed.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    loop.Idle();
    loop.Idle();
    EXPECT_EQ(ticks, 1);
    EXPECT_EQ(reads, 4);
}

TEST(IdleRunLoop, RemovingEverythingFromACallbackStopsThatIdleCall)
{
    IdleRunLoop loop;
    int later = 0;
    ASSERT_TRUE(loop.AddFdHandler(3, [&] { loop.RemoveAll(); }));
    ASSERT_TRUE(loop.AddFdHandler(4, [&] { ++later; }));
    ASSERT_TRUE(loop.AddTimer(1, [&] { ++later; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    loop.Idle();
    loop.Idle();
    EXPECT_EQ(later, 0);
}

} // namespace
