// The module as a host finds it: exports, factory, class record, instance creation.
#include "HostedPlugin.h"

#include "ModuleFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

using namespace Steinberg;
using namespace Steinberg::Vst;
using veltartest::kVeltarCID;
using veltartest::Module;

namespace
{

using FactoryFunc = IPluginFactory* (*)();

TEST(VeltarModule, ExportsOnlyItsEntryPoints)
{
    ASSERT_TRUE(Module().IsLoaded()) << Module().GetError();
    const std::set<std::string> expected = testsupport::PlatformEntryPoints();
    EXPECT_EQ(
        testsupport::ExportedNames(vst3host::ModuleLoader::ModulePathForBundle(VELTAR_BUNDLE)),
        expected);
    for (const std::string& name : expected)
        EXPECT_NE(Module().GetSymbol(name.c_str()), nullptr) << name;
    // The plug-in's and the SDK's own symbols stay inside, so two plug-ins built on the same
    // framework cannot bind to each other's code.
    for (const char* hidden :
         {"MakePlug", "_Z8MakePlugv", "InitModule", "_Z10InitModulev", "GUID_DATA1",
          "kPlugClassRecord", "gPluginFactory", "_ZN9Steinberg7FObject7isTypeOfEPKcb"})
        EXPECT_EQ(Module().GetSymbol(hidden), nullptr) << hidden;
}

TEST(VeltarModule, FactoryDescribesTheVendorAndOneClass)
{
    IPluginFactory* factory = Module().GetFactory();
    ASSERT_NE(factory, nullptr) << Module().GetError();
    PFactoryInfo info = {};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "QuillstoneAudio");
    EXPECT_EQ(info.flags, 16);
    EXPECT_NE(info.url[0], 0);
    EXPECT_NE(info.email[0], 0);
    ASSERT_EQ(factory->countClasses(), 1);

    PClassInfo classInfo = {};
    ASSERT_EQ(factory->getClassInfo(0, &classInfo), kResultOk);
    EXPECT_EQ(std::memcmp(classInfo.cid, kVeltarCID, sizeof(TUID)), 0);
    EXPECT_EQ(classInfo.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(classInfo.category, "Audio Module Class");
    EXPECT_STREQ(classInfo.name, "VELTAR");
    EXPECT_NE(factory->getClassInfo(1, &classInfo), kResultOk);
    EXPECT_NE(factory->getClassInfo(-1, &classInfo), kResultOk);
}

TEST(VeltarModule, ExtendedAndUnicodeClassRecordsAgree)
{
    IPluginFactory* factory = Module().GetFactory();
    ASSERT_NE(factory, nullptr);
    IPluginFactory2* factory2 = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory2::iid, reinterpret_cast<void**>(&factory2)),
              kResultOk);
    PClassInfo2 info = {};
    ASSERT_EQ(factory2->getClassInfo2(0, &info), kResultOk);
    factory2->release();
    EXPECT_EQ(std::memcmp(info.cid, kVeltarCID, sizeof(TUID)), 0);
    EXPECT_EQ(info.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "VELTAR");
    EXPECT_EQ(info.classFlags, 2u);
    EXPECT_STREQ(info.subCategories, "Fx");
    EXPECT_STREQ(info.vendor, "");
    EXPECT_STREQ(info.version, "1.1.0");
    EXPECT_STREQ(info.sdkVersion, "VST 3.6.12");

    IPluginFactory3* factory3 = nullptr;
    ASSERT_EQ(factory->queryInterface(IPluginFactory3::iid, reinterpret_cast<void**>(&factory3)),
              kResultOk);
    PClassInfoW wide = {};
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &wide), kResultOk);
    factory3->release();
    EXPECT_EQ(std::memcmp(wide.cid, kVeltarCID, sizeof(TUID)), 0);
    EXPECT_EQ(wide.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(wide.category, "Audio Module Class");
    EXPECT_EQ(veltartest::FromHost(wide.name), "VELTAR");
    EXPECT_EQ(wide.classFlags, 2u);
    EXPECT_STREQ(wide.subCategories, "Fx");
    EXPECT_EQ(veltartest::FromHost(wide.version), "1.1.0");
    EXPECT_EQ(veltartest::FromHost(wide.sdkVersion), "VST 3.6.12");
}

TEST(VeltarModule, RepeatedFactoryCallsShareOneFactory)
{
    ASSERT_TRUE(Module().IsLoaded());
    auto getFactory = reinterpret_cast<FactoryFunc>(Module().GetSymbol("GetPluginFactory"));
    IPluginFactory* first = getFactory();
    IPluginFactory* second = getFactory();
    EXPECT_EQ(first, Module().GetFactory());
    EXPECT_EQ(second, first);
    // The loader's reference plus the two calls'.
    EXPECT_EQ(first->addRef(), 4u);
    first->release();
    first->release();
    EXPECT_EQ(second->release(), 1u);
}

TEST(VeltarModule, CreateAnswersOnlyItsOwnClassAndKnownInterfaces)
{
    IPluginFactory* factory = Module().GetFactory();
    ASSERT_NE(factory, nullptr);
    TUID otherCID;
    std::memcpy(otherCID, kVeltarCID, sizeof(TUID));
    otherCID[15] ^= 1;
    void* obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(otherCID, IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    // An interface the object lacks: no object reaches the host, none is left behind.
    obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(kVeltarCID, IPluginFactory::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    ASSERT_EQ(factory->createInstance(kVeltarCID, IComponent::iid, &obj), kResultOk);
    auto* component = static_cast<IComponent*>(obj);
    for (const FUID* iid : {&IAudioProcessor::iid, &IEditController::iid, &IEditController2::iid,
                            &IUnitInfo::iid, &IPluginBase::iid, &IConnectionPoint::iid})
    {
        void* other = nullptr;
        ASSERT_EQ(component->queryInterface(*iid, &other), kResultOk);
        static_cast<FUnknown*>(other)->release();
    }
    TUID controllerCID = {};
    EXPECT_EQ(component->getControllerClassId(controllerCID), kNotImplemented);
    EXPECT_EQ(component->release(), 0u);

    // Hosts that start from the processor get the same kind of object.
    ASSERT_EQ(factory->createInstance(kVeltarCID, IAudioProcessor::iid, &obj), kResultOk);
    EXPECT_EQ(static_cast<IAudioProcessor*>(obj)->release(), 0u);
}

// Run under the address-sanitizer build, whose leak check at exit finds anything left behind.
TEST(VeltarModule, HundredInstancesComeAndGoCleanly)
{
    const veltartest::Stereo in = veltartest::TestSignal(300);
    for (int i = 0; i < 100; ++i)
    {
        veltartest::HostedPlugin p(i % 2 ? "Cubase 12" : "Reaper");
        ASSERT_TRUE(p.initialised);
        ASSERT_EQ(p.Setup(i % 3 ? 48000.0 : 44100.0, i % 2 ? kSample32 : kSample64, 128),
                  kResultOk);
        ASSERT_EQ(p.component->setActive(true), kResultOk);
        vst3host::ParameterChanges changes;
        changes.AddPoint(0, 0, 0.5);
        changes.AddPoint(veltartest::kPresetID, 0, 0.0);
        const veltartest::Stereo out =
            i % 2 ? p.Process32(in, {128}, &changes) : p.Process(in, {128}, &changes);
        ASSERT_TRUE(veltartest::AllFinite(out));
        ASSERT_EQ(p.LoadState(p.SaveState()), kResultOk);
        ASSERT_EQ(p.component->setActive(false), kResultOk);
    }
    // The host context was handed back by every instance.
    veltartest::HostedPlugin last;
    EXPECT_EQ(last.component->terminate(), kResultOk);
    last.initialised = false;
    EXPECT_EQ(last.host.GetRefCount(), 1);
}

TEST(VeltarModule, EntryAndExitAreCounted)
{
    ASSERT_TRUE(Module().IsLoaded());
    // The loader entered once; a second host component enters again.
    EXPECT_TRUE(testsupport::CallModuleEntry(Module()));
    EXPECT_TRUE(testsupport::CallModuleExit(Module()));
    EXPECT_TRUE(testsupport::CallModuleExit(Module()));
    // One exit more than entries.
    EXPECT_FALSE(testsupport::CallModuleExit(Module()));
    // Enter again for the loader, which exits when the program ends; the module still works.
    EXPECT_TRUE(testsupport::CallModuleEntry(Module()));
    veltartest::HostedPlugin plugin;
    EXPECT_TRUE(plugin.initialised);
}

} // namespace
