// Linux hosts offer their run loop through the host context; the factory keeps it for the
// editor's timers.
#include "pluginfactory.h"

#include "HostApplication.h"
#include "RunLoop.h"

#include <gtest/gtest.h>

using namespace Steinberg;

namespace
{

TEST(PluginFactoryRunLoop, KeepsTheRunLoopOfAHostThatOffersOne)
{
    PFactoryInfo info("QuillstoneAudio", "", "", PFactoryInfo::kUnicode);
    auto* factory = new CPluginFactory(info);
    vst3host::RunLoop runLoop;
    vst3host::HostApplication withLoop("Host", &runLoop);
    vst3host::HostApplication plain("Plain");

    EXPECT_EQ(factory->setHostContext(&plain), kResultTrue);
    EXPECT_EQ(factory->getHostRunLoop(), nullptr);
    EXPECT_EQ(factory->setHostContext(&withLoop), kResultTrue);
    EXPECT_EQ(factory->getHostRunLoop(), &runLoop);
    EXPECT_EQ(runLoop.GetRefCount(), 2);
    // A context without a run loop leaves the kept one; none at all withdraws it.
    EXPECT_EQ(factory->setHostContext(&plain), kResultTrue);
    EXPECT_EQ(factory->getHostRunLoop(), &runLoop);
    EXPECT_EQ(factory->setHostContext(nullptr), kResultTrue);
    EXPECT_EQ(factory->getHostRunLoop(), nullptr);
    EXPECT_EQ(runLoop.GetRefCount(), 1);

    factory->setHostContext(&withLoop);
    factory->release();
    EXPECT_EQ(runLoop.GetRefCount(), 1);
    EXPECT_EQ(plain.GetRefCount(), 1);
    EXPECT_EQ(withLoop.GetRefCount(), 1);
}

} // namespace
