// Written as a host sees the module: the SDK's interface headers as they are, with the state
// pair of IEditController under its own name.
#include "ModuleLoader.h"
#include "MemoryStream.h"
#include "ModulePlatform.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

using BundlePathFunc = const char* (*)();

TEST(ModuleLoader, FindsTheModuleFileOfABundle)
{
    // X.vst3/Contents/x86_64-linux/X.so on Linux, X.vst3/Contents/x86_64-win/X.vst3 on Windows.
    const std::string module = std::string("/a/X.vst3/Contents/") +
                               vst3host::platform::kBundleArchitecture + "/X" +
                               vst3host::platform::kModuleExtension;
    EXPECT_EQ(vst3host::ModuleLoader::ModulePathForBundle("/a/X.vst3"), module);
    EXPECT_EQ(vst3host::ModuleLoader::ModulePathForBundle("/a/X.vst3/"), module);
}

TEST(ModuleLoader, ReportsAMissingModule)
{
    vst3host::ModuleLoader loader("/nonexistent/Nothing.vst3");
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_EQ(loader.GetFactory(), nullptr);
    EXPECT_FALSE(loader.GetError().empty());
    EXPECT_EQ(loader.GetSymbol("GetPluginFactory"), nullptr);
}

TEST(ModuleLoader, LoadsABundleAndCreatesItsClass)
{
    vst3host::ModuleLoader loader(TEST_MODULE_BUNDLE);
    ASSERT_TRUE(loader.IsLoaded()) << loader.GetError();

    auto bundlePath = reinterpret_cast<BundlePathFunc>(loader.GetSymbol("TestModuleBundlePath"));
    ASSERT_NE(bundlePath, nullptr);
    EXPECT_STREQ(bundlePath(), TEST_MODULE_BUNDLE);

    IPluginFactory* factory = loader.GetFactory();
    ASSERT_EQ(factory->countClasses(), 1);
    PClassInfo info;
    ASSERT_EQ(factory->getClassInfo(0, &info), kResultOk);
    EXPECT_STREQ(info.name, "TestFx");

    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(info.cid, IComponent::iid, &obj), kResultOk);
    auto* component = static_cast<IComponent*>(obj);
    void* controllerObj = nullptr;
    ASSERT_EQ(component->queryInterface(IEditController::iid, &controllerObj), kResultOk);
    auto* controller = static_cast<IEditController*>(controllerObj);

    // Across the module boundary, each interface's state call reaches its own pair.
    vst3host::MemoryStream componentState;
    vst3host::MemoryStream controllerState;
    EXPECT_EQ(component->getState(&componentState), kResultOk);
    EXPECT_EQ(controller->getState(&controllerState), kResultOk);
    EXPECT_EQ(componentState.GetData(), std::vector<char>{'C'});
    EXPECT_EQ(controllerState.GetData(), std::vector<char>{'E'});

    controller->release();
    EXPECT_EQ(component->release(), 0u);
}

TEST(ModuleLoader, EachLoaderEntersAndExitsTheModuleOnce)
{
    auto first = std::make_unique<vst3host::ModuleLoader>(TEST_MODULE_BUNDLE);
    ASSERT_TRUE(first->IsLoaded()) << first->GetError();
    {
        vst3host::ModuleLoader second(TEST_MODULE_BUNDLE);
        ASSERT_TRUE(second.IsLoaded());
        // One module image, one factory while either holds it.
        EXPECT_EQ(second.GetFactory(), first->GetFactory());
    }
    // The first loader's entry and factory outlive the second.
    auto bundlePath = reinterpret_cast<BundlePathFunc>(first->GetSymbol("TestModuleBundlePath"));
    EXPECT_STREQ(bundlePath(), TEST_MODULE_BUNDLE);
    EXPECT_EQ(first->GetFactory()->countClasses(), 1);
}

} // namespace
