// The instance a host holds, against the small test module: what it creates, what it refuses and
// that it gives back everything it was handed.
#include "PluginInstance.h"
#include "HostApplication.h"
#include "ModuleLoader.h"

#include <gtest/gtest.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

TEST(HostLibrary, PluginInstanceHoldsOneObjectAndGivesEverythingBack)
{
    vst3host::ModuleLoader module(TEST_MODULE_BUNDLE);
    ASSERT_TRUE(module.IsLoaded()) << module.GetError();
    IPluginFactory& factory = *module.GetFactory();
    PClassInfo info;
    ASSERT_EQ(factory.getClassInfo(0, &info), kResultOk);
    vst3host::HostApplication host("Host");
    {
        vst3host::PluginInstance instance;
        const TUID unknown = {};
        EXPECT_FALSE(instance.Create(factory, unknown, "Nothing"));
        EXPECT_EQ(instance.GetError(), "the plug-in's factory could not create \"Nothing\"");
        EXPECT_EQ(instance.component, nullptr);

        ASSERT_TRUE(instance.Create(factory, info.cid, "TestFx")) << instance.GetError();
        EXPECT_NE(instance.processor, nullptr);
        EXPECT_NE(instance.controller, nullptr);
        ASSERT_TRUE(instance.Initialize(&host));
        EXPECT_TRUE(instance.initialised);
        EXPECT_GT(host.GetRefCount(), 1);

        // A second Create starts over: the first object is terminated and released.
        ASSERT_TRUE(instance.Create(factory, info.cid, "TestFx"));
        EXPECT_FALSE(instance.initialised);
        EXPECT_EQ(host.GetRefCount(), 1);
        ASSERT_TRUE(instance.Initialize(&host));
    }
    // Destruction terminated the component, which let go of the host context.
    EXPECT_EQ(host.GetRefCount(), 1);
}

} // namespace
