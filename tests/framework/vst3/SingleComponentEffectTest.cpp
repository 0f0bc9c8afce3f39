#include "singlecomponenteffect.h"

#include "ComponentHandler.h"
#include "HostApplication.h"
#include "MemoryStream.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <gtest/gtest.h>

#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

int gDestroyed = 0;

class Effect : public SingleComponentEffect
{
public:
    ~Effect() override { ++gDestroyed; }
    const ProcessSetup& GetSetup() const { return processSetup; }
    void AddParameter(ParamID id) { parameters.addParameter(STR16("P"), nullptr, 0, 0.0, 0, id); }
};

// Overrides only the controller's state pair, as an effect that keeps its state in the
// controller does.
class EditorStateEffect : public Effect
{
public:
    tresult PLUGIN_API getEditorState(IBStream* state) override
    {
        char tag = 'E';
        return state->write(&tag, 1, nullptr);
    }
    tresult PLUGIN_API setEditorState(IBStream*) override { return kResultFalse; }
};

class ComponentStateEffect : public Effect
{
public:
    tresult PLUGIN_API getState(IBStream* state) override
    {
        char tag = 'C';
        return state->write(&tag, 1, nullptr);
    }
    tresult PLUGIN_API setState(IBStream*) override { return kResultFalse; }
};

std::u16string Name(const String128 name)
{
    return std::u16string(reinterpret_cast<const char16_t*>(name));
}

template <typename Interface> Interface* Query(FUnknown* object)
{
    void* obj = nullptr;
    if (object->queryInterface(Interface::iid, &obj) != kResultOk)
        return nullptr;
    return static_cast<Interface*>(obj);
}

TEST(SingleComponentEffect, StartsWithDefaultSetupAndNoBuses)
{
    Effect effect;
    EXPECT_EQ(effect.GetSetup().processMode, kRealtime);
    EXPECT_EQ(effect.GetSetup().symbolicSampleSize, kSample32);
    EXPECT_EQ(effect.GetSetup().maxSamplesPerBlock, 1024);
    EXPECT_EQ(effect.GetSetup().sampleRate, 44100.0);
    for (MediaType type : {kAudio, kEvent})
        for (BusDirection dir : {kInput, kOutput})
            EXPECT_EQ(effect.getBusCount(type, dir), 0);
}

TEST(SingleComponentEffect, AnswersEveryInterfaceOfProcessorAndController)
{
    auto* effect = new Effect;
    IAudioProcessor* processor = effect;
    IComponent* component = Query<IComponent>(processor);
    IEditController* controller = Query<IEditController>(processor);
    ASSERT_NE(component, nullptr);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(component, static_cast<IComponent*>(effect));
    EXPECT_EQ(controller, static_cast<IEditController*>(effect));

    const FUID* all[] = {&IAudioProcessor::iid,  &IComponent::iid, &IEditController::iid,
                         &IEditController2::iid, &IUnitInfo::iid,  &IConnectionPoint::iid,
                         &IPluginBase::iid,      &FUnknown::iid};
    for (const FUID* iid : all)
    {
        void* obj = nullptr;
        EXPECT_EQ(component->queryInterface(*iid, &obj), kResultOk);
        EXPECT_NE(obj, nullptr);
        static_cast<FUnknown*>(obj)->release();
    }

    // The same object identity whichever interface is asked.
    FUnknown* viaComponent = Query<FUnknown>(component);
    FUnknown* viaController = Query<FUnknown>(controller);
    EXPECT_EQ(viaComponent, viaController);
    viaComponent->release();
    viaController->release();

    void* obj = reinterpret_cast<void*>(1);
    EXPECT_EQ(controller->queryInterface(IPluginFactory::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);

    component->release();
    controller->release();
    processor->release();
}

TEST(SingleComponentEffect, SharesOneCountAndTheLastReleaseDestroys)
{
    gDestroyed = 0;
    auto* effect = new Effect;
    IComponent* component = Query<IComponent>(static_cast<IAudioProcessor*>(effect));
    IEditController* controller = Query<IEditController>(component);
    EXPECT_EQ(component->addRef(), 4u);
    EXPECT_EQ(controller->release(), 3u);
    EXPECT_EQ(component->release(), 2u);
    EXPECT_EQ(controller->release(), 1u);
    EXPECT_EQ(gDestroyed, 0);
    EXPECT_EQ(static_cast<IAudioProcessor*>(effect)->release(), 0u);
    EXPECT_EQ(gDestroyed, 1);
}

// Here IEditController's state slots carry their renamed names; ModuleLoaderTest makes the same
// calls with the host's names.
TEST(SingleComponentEffect, StateCallsThroughEachInterfaceReachTheirOwnPair)
{
    {
        EditorStateEffect effect;
        vst3host::MemoryStream stream;
        IComponent* component = &effect;
        IEditController* controller = &effect;
        EXPECT_EQ(component->getState(&stream), kNotImplemented);
        EXPECT_EQ(component->setState(&stream), kNotImplemented);
        EXPECT_TRUE(stream.GetData().empty());
        EXPECT_EQ(controller->getEditorState(&stream), kResultOk);
        EXPECT_EQ(controller->setEditorState(&stream), kResultFalse);
        EXPECT_EQ(stream.GetData(), std::vector<char>{'E'});
    }
    {
        ComponentStateEffect effect;
        vst3host::MemoryStream stream;
        IComponent* component = &effect;
        IEditController* controller = &effect;
        EXPECT_EQ(controller->getEditorState(&stream), kNotImplemented);
        EXPECT_EQ(controller->setEditorState(&stream), kNotImplemented);
        EXPECT_TRUE(stream.GetData().empty());
        EXPECT_EQ(component->getState(&stream), kResultOk);
        EXPECT_EQ(component->setState(&stream), kResultFalse);
        EXPECT_EQ(stream.GetData(), std::vector<char>{'C'});
    }
}

TEST(SingleComponentEffect, BusHelpersFillTheListsThatInfoReports)
{
    Effect effect;
    AudioBus* in = effect.addAudioInput(STR16("Main In"), SpeakerArr::kStereo);
    effect.addAudioInput(STR16("Side"), SpeakerArr::kMono, kAux, 0);
    effect.addAudioOutput(STR16("Main Out"), 0x37);
    effect.addEventInput(STR16("MIDI"), 1);
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(effect.getBusCount(kAudio, kInput), 2);
    EXPECT_EQ(effect.getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(effect.getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(effect.getBusCount(kEvent, kOutput), 0);
    EXPECT_EQ(effect.getBusCount(7, kInput), 0);
    EXPECT_EQ(effect.getBusCount(kAudio, 5), 0);

    BusInfo info{};
    ASSERT_EQ(effect.getBusInfo(kAudio, kInput, 1, info), kResultTrue);
    EXPECT_EQ(info.mediaType, kAudio);
    EXPECT_EQ(info.direction, kInput);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_EQ(Name(info.name), u"Side");
    EXPECT_EQ(info.busType, kAux);
    EXPECT_EQ(info.flags, 0u);

    ASSERT_EQ(effect.getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
    EXPECT_EQ(info.direction, kOutput);
    EXPECT_EQ(info.channelCount, 5);
    EXPECT_EQ(info.busType, kMain);
    EXPECT_EQ(info.flags, static_cast<uint32>(BusInfo::kDefaultActive));

    ASSERT_EQ(effect.getBusInfo(kEvent, kInput, 0, info), kResultTrue);
    EXPECT_EQ(info.mediaType, kEvent);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_EQ(Name(info.name), u"MIDI");

    SpeakerArrangement arr = 0;
    ASSERT_EQ(effect.getBusArrangement(kInput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, SpeakerArr::kStereo);
    ASSERT_EQ(effect.getBusArrangement(kOutput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, 0x37u);

    EXPECT_FALSE(in->isActive());
    EXPECT_EQ(effect.activateBus(kAudio, kInput, 0, true), kResultTrue);
    EXPECT_TRUE(in->isActive());
    EXPECT_EQ(effect.activateBus(kAudio, kInput, 0, false), kResultTrue);
    EXPECT_FALSE(in->isActive());
}

TEST(SingleComponentEffect, RefusesBusIndicesOutsideTheList)
{
    Effect effect;
    effect.addAudioInput(STR16("In"), SpeakerArr::kStereo);
    effect.addEventInput(STR16("MIDI"));
    BusInfo info{};
    SpeakerArrangement arr = 0;
    for (int32 index : {-1, 1, 1000})
    {
        EXPECT_EQ(effect.getBusInfo(kAudio, kInput, index, info), kInvalidArgument) << index;
        EXPECT_EQ(effect.activateBus(kAudio, kInput, index, true), kInvalidArgument) << index;
        EXPECT_EQ(effect.getBusArrangement(kInput, index, arr), kInvalidArgument) << index;
        EXPECT_EQ(effect.getBusInfo(kEvent, kInput, index, info), kInvalidArgument) << index;
    }
    EXPECT_EQ(effect.getBusInfo(kAudio, kOutput, 0, info), kInvalidArgument);
    EXPECT_EQ(effect.getBusInfo(9, kInput, 0, info), kInvalidArgument);
    EXPECT_EQ(effect.activateBus(kEvent, kOutput, 0, true), kInvalidArgument);
    EXPECT_EQ(effect.getBusArrangement(kOutput, 0, arr), kInvalidArgument);
}

TEST(SingleComponentEffect, LongBusNamesAreCutToTheHostStringSize)
{
    Effect effect;
    const std::u16string longName(200, u'x');
    effect.addAudioOutput(reinterpret_cast<const char16*>(longName.c_str()), SpeakerArr::kStereo);
    BusInfo info{};
    ASSERT_EQ(effect.getBusInfo(kAudio, kOutput, 0, info), kResultTrue);
    EXPECT_EQ(Name(info.name), std::u16string(127, u'x'));
}

TEST(SingleComponentEffect, RemovingBusesByKind)
{
    Effect effect;
    effect.addAudioInput(STR16("In"), SpeakerArr::kStereo);
    effect.addAudioOutput(STR16("Out"), SpeakerArr::kStereo);
    effect.addEventInput(STR16("MIDI"));
    EXPECT_EQ(effect.removeAudioBusses(), kResultOk);
    EXPECT_EQ(effect.getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(effect.getBusCount(kAudio, kOutput), 0);
    EXPECT_EQ(effect.getBusCount(kEvent, kInput), 1);
    effect.addAudioInput(STR16("In"), SpeakerArr::kStereo);
    EXPECT_EQ(effect.removeAllBusses(), kResultOk);
    EXPECT_EQ(effect.getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(effect.getBusCount(kEvent, kInput), 0);
}

TEST(SingleComponentEffect, SetBusArrangementsChangesExistingBusesOnly)
{
    Effect effect;
    effect.addAudioInput(STR16("In"), SpeakerArr::kStereo);
    effect.addAudioOutput(STR16("Out"), SpeakerArr::kStereo);
    SpeakerArrangement mono[2] = {SpeakerArr::kMono, SpeakerArr::kMono};
    SpeakerArrangement arr = 0;

    EXPECT_EQ(effect.setBusArrangements(mono, 2, mono, 1), kResultFalse);
    EXPECT_EQ(effect.setBusArrangements(mono, -1, mono, 1), kInvalidArgument);
    EXPECT_EQ(effect.setBusArrangements(nullptr, 1, mono, 1), kInvalidArgument);
    ASSERT_EQ(effect.getBusArrangement(kInput, 0, arr), kResultTrue);
    EXPECT_EQ(arr, SpeakerArr::kStereo);

    EXPECT_EQ(effect.setBusArrangements(mono, 1, mono, 1), kResultTrue);
    effect.getBusArrangement(kInput, 0, arr);
    EXPECT_EQ(arr, SpeakerArr::kMono);
    effect.getBusArrangement(kOutput, 0, arr);
    EXPECT_EQ(arr, SpeakerArr::kMono);
    EXPECT_EQ(effect.setBusArrangements(nullptr, 0, nullptr, 0), kResultTrue);
}

TEST(SingleComponentEffect, DefaultAnswers)
{
    Effect effect;
    TUID cid{};
    RoutingInfo inRoute{}, outRoute{};
    EXPECT_EQ(effect.getControllerClassId(cid), kNotImplemented);
    EXPECT_EQ(effect.setIoMode(kAdvanced), kNotImplemented);
    EXPECT_EQ(effect.getRoutingInfo(inRoute, outRoute), kNotImplemented);
    EXPECT_EQ(effect.setProcessing(true), kNotImplemented);
    EXPECT_EQ(effect.setActive(true), kResultOk);
    EXPECT_EQ(effect.setActive(false), kResultOk);
    EXPECT_EQ(effect.canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(effect.canProcessSampleSize(kSample64), kResultFalse);
    EXPECT_EQ(effect.getLatencySamples(), 0u);
    EXPECT_EQ(effect.getTailSamples(), 0u);
    ProcessData data{};
    EXPECT_EQ(effect.process(data), kResultOk);
}

TEST(SingleComponentEffect, SetupProcessingStoresSupportedSetupsOnly)
{
    Effect effect;
    ProcessSetup setup{kOffline, kSample32, 512, 96000.0};
    EXPECT_EQ(effect.setupProcessing(setup), kResultOk);
    EXPECT_EQ(effect.GetSetup().processMode, kOffline);
    EXPECT_EQ(effect.GetSetup().maxSamplesPerBlock, 512);
    EXPECT_EQ(effect.GetSetup().sampleRate, 96000.0);

    ProcessSetup wide{kRealtime, kSample64, 64, 48000.0};
    EXPECT_EQ(effect.setupProcessing(wide), kResultFalse);
    EXPECT_EQ(effect.GetSetup().sampleRate, 96000.0);
    EXPECT_EQ(effect.GetSetup().symbolicSampleSize, kSample32);
}

TEST(SingleComponentEffect, TerminateDropsParametersBusesAndHostObjects)
{
    vst3host::HostApplication host("Cycle Host");
    vst3test::ComponentHandler handler;
    Effect effect;
    for (int round = 0; round < 2; ++round)
    {
        ASSERT_EQ(effect.initialize(&host), kResultOk);
        EXPECT_EQ(effect.initialize(&host), kResultFalse);
        EXPECT_EQ(effect.getHostContext(), &host);
        effect.AddParameter(1);
        effect.AddParameter(2);
        effect.addAudioInput(STR16("In"), SpeakerArr::kStereo);
        effect.addAudioOutput(STR16("Out"), SpeakerArr::kStereo);
        effect.addEventInput(STR16("MIDI"));
        EXPECT_EQ(effect.setComponentHandler(&handler), kResultTrue);
        EXPECT_GT(host.GetRefCount(), 1);
        EXPECT_GT(handler.GetRefCount(), 1);
        EXPECT_EQ(effect.getParameterCount(), 2);

        EXPECT_EQ(effect.terminate(), kResultOk);
        EXPECT_EQ(effect.getParameterCount(), 0);
        EXPECT_EQ(effect.getBusCount(kAudio, kInput), 0);
        EXPECT_EQ(effect.getBusCount(kAudio, kOutput), 0);
        EXPECT_EQ(effect.getBusCount(kEvent, kInput), 0);
        EXPECT_EQ(effect.getHostContext(), nullptr);
        EXPECT_EQ(effect.getComponentHandler(), nullptr);
        EXPECT_EQ(host.GetRefCount(), 1);
        EXPECT_EQ(handler.GetRefCount(), 1);
    }
}

} // namespace
