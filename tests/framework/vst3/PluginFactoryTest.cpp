#include "pluginfactory.h"
#include "singlecomponenteffect.h"

#include "HostApplication.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

const TUID kEffectId = INLINE_UID(0xF2AEE70D, 0x00DE4F4E, 0x51756175, 0x56747231);
const TUID kOtherId = INLINE_UID(0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10);

int gCreated = 0;
int gDestroyed = 0;
void* gContextSeen = nullptr;

class Effect : public SingleComponentEffect
{
public:
    ~Effect() override { ++gDestroyed; }
};

FUnknown* CreateEffect(void* context)
{
    ++gCreated;
    gContextSeen = context;
    return static_cast<IAudioProcessor*>(new Effect);
}

FUnknown* CreateNothing(void*)
{
    ++gCreated;
    return nullptr;
}

PFactoryInfo Info()
{
    return PFactoryInfo("QuillstoneAudio", "https://quillstone.example", "info@quillstone.example",
                        PFactoryInfo::kUnicode);
}

PClassInfo2 EffectClass(const TUID cid = kEffectId)
{
    return PClassInfo2(cid, PClassInfo::kManyInstances, "Audio Module Class", "VELTAR", 2, "Fx", "",
                       "1.1.0", "VST 3.6.12");
}

class PluginFactoryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        gCreated = 0;
        gDestroyed = 0;
        gContextSeen = nullptr;
        factory = new CPluginFactory(Info());
    }
    void TearDown() override
    {
        if (factory)
            factory->release();
    }

    CPluginFactory* factory = nullptr;
};

TEST_F(PluginFactoryTest, CopiesItsFactoryRecord)
{
    PFactoryInfo info;
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "QuillstoneAudio");
    EXPECT_STREQ(info.url, "https://quillstone.example");
    EXPECT_STREQ(info.email, "info@quillstone.example");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);
}

TEST_F(PluginFactoryTest, AnswersTheFactoryInterfacesOnly)
{
    for (const FUID* iid :
         {&IPluginFactory::iid, &IPluginFactory2::iid, &IPluginFactory3::iid, &FUnknown::iid})
    {
        void* obj = nullptr;
        ASSERT_EQ(factory->queryInterface(*iid, &obj), kResultOk);
        EXPECT_EQ(obj, static_cast<IPluginFactory3*>(factory));
        factory->release();
    }
    void* obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->queryInterface(IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
}

TEST_F(PluginFactoryTest, KeepsClassRecordsOfEachKind)
{
    PClassInfo basic(kOtherId, 1, "Audio Module Class", "Basic");
    PClassInfo2 full = EffectClass();
    PClassInfoW wide(kOtherId, 3, "Service", STR16("Wide \u00e9"), 0, "Sub", STR16("Maker"),
                     STR16("2.0"), STR16("SDK"));
    ASSERT_TRUE(factory->registerClass(&full, CreateEffect));
    ASSERT_TRUE(factory->registerClass(&basic, CreateEffect));
    ASSERT_TRUE(factory->registerClass(&wide, CreateEffect));
    EXPECT_FALSE(factory->registerClass(&full, nullptr));
    EXPECT_FALSE(factory->registerClass(static_cast<const PClassInfo2*>(nullptr), CreateEffect));
    ASSERT_EQ(factory->countClasses(), 3);

    PClassInfo2 info2;
    ASSERT_EQ(factory->getClassInfo2(0, &info2), kResultOk);
    EXPECT_EQ(std::memcmp(&info2, &full, sizeof(PClassInfo2)), 0);

    PClassInfo info;
    ASSERT_EQ(factory->getClassInfo(1, &info), kResultOk);
    EXPECT_EQ(std::memcmp(&info, &basic, sizeof(PClassInfo)), 0);
    // A basic record is widened with empty extra fields.
    ASSERT_EQ(factory->getClassInfo2(1, &info2), kResultOk);
    EXPECT_STREQ(info2.name, "Basic");
    EXPECT_EQ(info2.classFlags, 0u);
    EXPECT_STREQ(info2.version, "");

    PClassInfoW infoW;
    ASSERT_EQ(factory->getClassInfoUnicode(0, &infoW), kResultOk);
    EXPECT_EQ(std::memcmp(infoW.cid, kEffectId, sizeof(TUID)), 0);
    EXPECT_EQ(infoW.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(infoW.category, "Audio Module Class");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(infoW.name)), u"VELTAR");
    EXPECT_EQ(infoW.classFlags, 2u);
    EXPECT_STREQ(infoW.subCategories, "Fx");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(infoW.version)), u"1.1.0");
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(infoW.sdkVersion)), u"VST 3.6.12");

    // A UTF-16 record is offered as it came, and not in 8-bit form.
    ASSERT_EQ(factory->getClassInfoUnicode(2, &infoW), kResultOk);
    EXPECT_EQ(std::memcmp(&infoW, &wide, sizeof(PClassInfoW)), 0);
    EXPECT_EQ(factory->getClassInfo2(2, &info2), kResultFalse);
    EXPECT_EQ(factory->getClassInfo(2, &info), kResultFalse);
}

TEST_F(PluginFactoryTest, RefusesClassIndicesOutOfRange)
{
    PClassInfo2 full = EffectClass();
    factory->registerClass(&full, CreateEffect);
    PClassInfo info;
    PClassInfo2 info2;
    PClassInfoW infoW;
    for (int32 index : {-1, 1})
    {
        EXPECT_EQ(factory->getClassInfo(index, &info), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfo2(index, &info2), kInvalidArgument);
        EXPECT_EQ(factory->getClassInfoUnicode(index, &infoW), kInvalidArgument);
    }
    EXPECT_EQ(factory->getClassInfo2(0, nullptr), kInvalidArgument);
}

TEST_F(PluginFactoryTest, CreatesTheMatchingClassAndHandsOverOneReference)
{
    PClassInfo2 other = EffectClass(kOtherId);
    PClassInfo2 effect = EffectClass();
    int context = 0;
    factory->registerClass(&other, CreateNothing);
    factory->registerClass(&effect, CreateEffect, &context);

    void* obj = nullptr;
    ASSERT_EQ(factory->createInstance(kEffectId, IComponent::iid, &obj), kResultOk);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(gCreated, 1);
    EXPECT_EQ(gContextSeen, &context);
    auto* component = static_cast<IComponent*>(obj);
    void* controller = nullptr;
    ASSERT_EQ(component->queryInterface(IEditController::iid, &controller), kResultOk);
    static_cast<IEditController*>(controller)->release();
    // The caller's reference is the only one left.
    EXPECT_EQ(component->release(), 0u);
    EXPECT_EQ(gDestroyed, 1);
}

TEST_F(PluginFactoryTest, FailedCreationLeavesNullAndNoObject)
{
    PClassInfo2 effect = EffectClass();
    PClassInfo2 empty = EffectClass(kOtherId);
    factory->registerClass(&effect, CreateEffect);
    factory->registerClass(&empty, CreateNothing);

    void* obj = reinterpret_cast<void*>(1);
    TUID unknown = INLINE_UID(0xF2AEE70D, 0x00DE4F4E, 0x51756175, 0x56747232);
    EXPECT_EQ(factory->createInstance(unknown, IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(gCreated, 0);

    obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(kEffectId, IPluginFactory::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(gCreated, 1);
    EXPECT_EQ(gDestroyed, 1);

    obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(kOtherId, IComponent::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    EXPECT_EQ(factory->createInstance(nullptr, IComponent::iid, &obj), kInvalidArgument);
    EXPECT_EQ(factory->createInstance(kEffectId, IComponent::iid, nullptr), kInvalidArgument);
}

TEST_F(PluginFactoryTest, DestructionClearsTheGlobalPointerOnlyWhenItIsThisFactory)
{
    gPluginFactory = factory;
    EXPECT_EQ(factory->addRef(), 2u);
    EXPECT_EQ(factory->release(), 1u);
    EXPECT_EQ(gPluginFactory, factory);
    factory->release();
    factory = nullptr;
    EXPECT_EQ(gPluginFactory, nullptr);

    auto* other = new CPluginFactory(Info());
    auto* current = new CPluginFactory(Info());
    gPluginFactory = current;
    other->release();
    EXPECT_EQ(gPluginFactory, current);
    current->release();
    EXPECT_EQ(gPluginFactory, nullptr);
}

} // namespace
