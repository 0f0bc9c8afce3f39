// The module driven as hosts drive it: initialisation, buses, processing setup, blocks and the
// parameter changes that arrive with them.
#include "HostedPlugin.h"
#include "ProcessBlock.h"

#include "framework/core/StateExtension.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using veltartest::ChainOutput;
using veltartest::HostedPlugin;
using veltartest::kBypassID;
using veltartest::kPresetID;
using veltartest::RunChain;
using veltartest::Stereo;
using veltartest::TestSignal;
using veltartest::ToFloatPrecision;

namespace
{

std::string BusName(IComponent* c, BusDirection dir, int32 index)
{
    BusInfo info = {};
    if (c->getBusInfo(kAudio, dir, index, info) != kResultOk)
        return "<none>";
    return veltartest::FromHost(info.name);
}

int32 BusChannels(IComponent* c, BusDirection dir, int32 index)
{
    BusInfo info = {};
    return c->getBusInfo(kAudio, dir, index, info) == kResultOk ? info.channelCount : -1;
}

// ---- initialisation and buses

TEST(VeltarInitialize, PublishesOneStereoInputAndOutputBus)
{
    HostedPlugin p;
    ASSERT_TRUE(p.initialised);
    EXPECT_EQ(p.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(p.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(p.component->getBusCount(kEvent, kInput), 0);
    for (BusDirection dir : {kInput, kOutput})
    {
        BusInfo info = {};
        ASSERT_EQ(p.component->getBusInfo(kAudio, dir, 0, info), kResultOk);
        EXPECT_EQ(info.channelCount, 2);
        EXPECT_EQ(info.busType, kMain);
        EXPECT_EQ(info.flags, static_cast<uint32>(BusInfo::kDefaultActive));
        SpeakerArrangement arr = 0;
        ASSERT_EQ(p.processor->getBusArrangement(dir, 0, arr), kResultOk);
        EXPECT_EQ(arr, SpeakerArr::kStereo);
        EXPECT_EQ(p.component->getBusInfo(kAudio, dir, 1, info), kInvalidArgument);
        EXPECT_EQ(p.component->getBusInfo(kAudio, dir, -1, info), kInvalidArgument);
    }
    // The labels the adapter gives its buses reach the host; an unnamed bus shows as a blank
    // routing entry in most hosts.
    EXPECT_EQ(BusName(p.component, kInput, 0), "Main Input");
    EXPECT_EQ(BusName(p.component, kOutput, 0), "Output");
}

TEST(VeltarInitialize, KeepsNoReferenceToTheHostAfterTerminate)
{
    HostedPlugin p("Cubase 12", false);
    ASSERT_EQ(p.component->initialize(&p.host), kResultOk);
    // The context is kept while initialised; the application interface asked for is given back.
    EXPECT_EQ(p.host.GetRefCount(), 2);
    EXPECT_EQ(p.component->terminate(), kResultOk);
    EXPECT_EQ(p.host.GetRefCount(), 1);
}

TEST(VeltarInitialize, SecondInitializeFailsWithoutDuplicatingAnything)
{
    HostedPlugin p;
    ASSERT_TRUE(p.initialised);
    vst3host::HostApplication other("Reaper");
    EXPECT_NE(p.component->initialize(&other), kResultOk);
    EXPECT_EQ(p.controller->getParameterCount(), 9);
    EXPECT_EQ(p.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(p.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(other.GetRefCount(), 1);
}

TEST(VeltarInitialize, TerminateThenInitializeRebuildsTheSameInstance)
{
    HostedPlugin p;
    ASSERT_TRUE(p.initialised);
    p.Set(0, 0.7);
    ASSERT_EQ(p.component->terminate(), kResultOk);
    EXPECT_EQ(p.controller->getParameterCount(), 0);
    EXPECT_EQ(p.component->getBusCount(kAudio, kOutput), 0);

    ASSERT_EQ(p.component->initialize(&p.host), kResultOk);
    p.ActivateDefaultBuses();
    EXPECT_EQ(p.controller->getParameterCount(), 9);
    EXPECT_EQ(p.component->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(p.component->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(p.units->getUnitCount(), 1);
    // Initialising restores the default preset.
    EXPECT_EQ(p.controller->getParamNormalized(0), 0.0);

    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    const Stereo in = TestSignal(2000);
    const Stereo out = p.Process(in);
    EXPECT_EQ(veltartest::FirstDifference(out, ChainOutput(p, in, 48000.0)), -1);
}

TEST(VeltarBuses, MonoInMonoOutRebuildsSingleChannelBuses)
{
    HostedPlugin p;
    SpeakerArrangement mono = SpeakerArr::kMono;
    ASSERT_EQ(p.processor->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
    EXPECT_EQ(BusName(p.component, kInput, 0), "Input");
    EXPECT_EQ(BusName(p.component, kOutput, 0), "Output");
    EXPECT_EQ(BusChannels(p.component, kInput, 0), 1);
    EXPECT_EQ(BusChannels(p.component, kOutput, 0), 1);
    SpeakerArrangement arr = 0;
    ASSERT_EQ(p.processor->getBusArrangement(kOutput, 0, arr), kResultOk);
    EXPECT_EQ(arr, SpeakerArr::kMono);

    // Back to stereo: the buses follow again.
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    ASSERT_EQ(p.processor->setBusArrangements(&stereo, 1, &stereo, 1), kResultOk);
    EXPECT_EQ(BusChannels(p.component, kInput, 0), 2);
    EXPECT_EQ(BusChannels(p.component, kOutput, 0), 2);
}

TEST(VeltarBuses, RefusesPairsTheChannelConfigurationLacks)
{
    HostedPlugin p;
    SpeakerArrangement mono = SpeakerArr::kMono;
    SpeakerArrangement stereo = SpeakerArr::kStereo;
    SpeakerArrangement surround = SpeakerArr::k51;
    EXPECT_EQ(p.processor->setBusArrangements(&mono, 1, &stereo, 1), kResultFalse);
    EXPECT_EQ(p.processor->setBusArrangements(&stereo, 1, &mono, 1), kResultFalse);
    EXPECT_EQ(p.processor->setBusArrangements(&surround, 1, &surround, 1), kResultFalse);
    // No side-chain bus to arrange, and a main input is required.
    SpeakerArrangement two[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    EXPECT_EQ(p.processor->setBusArrangements(two, 2, &stereo, 1), kResultFalse);
    EXPECT_EQ(p.processor->setBusArrangements(nullptr, 0, &stereo, 1), kResultFalse);
    EXPECT_EQ(BusChannels(p.component, kInput, 0), 2);
    EXPECT_EQ(BusChannels(p.component, kOutput, 0), 2);

    // A refused request leaves the channels disconnected only until the next block.
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    const Stereo in = TestSignal(1500);
    EXPECT_EQ(veltartest::FirstDifference(p.Process(in), ChainOutput(p, in, 48000.0)), -1);
}

TEST(VeltarBuses, MonoProcessingGivesTheLeftChannelOfTheChain)
{
    HostedPlugin p;
    SpeakerArrangement mono = SpeakerArr::kMono;
    ASSERT_EQ(p.processor->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
    p.ActivateDefaultBuses();
    ASSERT_EQ(p.Setup(44100.0), kResultOk);
    const Stereo in = TestSignal(3000, 44100.0);
    std::vector<double> inL = in.left;
    std::vector<double> outL(in.Size(), -7.0);
    double* ins[1] = {inL.data()};
    double* outs[1] = {outL.data()};
    vst3host::MainBusBlock block(kRealtime, kSample64);
    ASSERT_EQ(p.processor->process(block.Set(ins, outs, 1, static_cast<int32>(in.Size()))),
              kResultOk);
    // Each channel of the chain depends only on its own input.
    const Stereo expected = ChainOutput(p, in, 44100.0);
    EXPECT_EQ(outL, expected.left);
}

// ---- processing setup

TEST(VeltarSetup, AcceptsCommonRatesInBothSampleSizes)
{
    for (int32 size : {kSample32, kSample64})
        for (double fs : {44100.0, 48000.0, 96000.0})
        {
            HostedPlugin p;
            ASSERT_EQ(p.Setup(fs, size, 512), kResultOk) << fs;
            p.Set(2, 0.2);
            p.Set(3, 0.9);
            const Stereo in = TestSignal(2000, fs);
            const Stereo out = size == kSample64 ? p.Process(in) : p.Process32(in);
            // The rate reaches the filters: the output is the chain's at that rate only.
            const Stereo expected =
                ChainOutput(p, size == kSample64 ? in : ToFloatPrecision(in), fs);
            EXPECT_EQ(veltartest::FirstDifference(
                          out, size == kSample64 ? expected : ToFloatPrecision(expected)),
                      -1)
                << fs << " Hz, size " << size;
        }
}

TEST(VeltarSetup, SampleSizeQueriesAndLatency)
{
    HostedPlugin p;
    EXPECT_EQ(p.processor->canProcessSampleSize(kSample32), kResultOk);
    EXPECT_EQ(p.processor->canProcessSampleSize(kSample64), kResultOk);
    EXPECT_EQ(p.processor->canProcessSampleSize(2), kResultFalse);
    EXPECT_EQ(p.processor->canProcessSampleSize(-1), kResultFalse);
    EXPECT_EQ(p.processor->getLatencySamples(), 0u);
    EXPECT_EQ(p.processor->getTailSamples(), 0u);
}

TEST(VeltarSetup, RefusedSetupsChangeNothing)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, kSample64, 1024), kResultOk);
    EXPECT_EQ(p.Setup(96000.0, 2, 1024), kResultFalse);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double fs : {0.0, -48000.0, nan, inf, -inf})
        EXPECT_EQ(p.Setup(fs, kSample64, 1024), kInvalidArgument) << fs;
    EXPECT_EQ(p.Setup(48000.0, kSample64, 0), kInvalidArgument);
    EXPECT_EQ(p.Setup(48000.0, kSample64, -5), kInvalidArgument);

    // Still 64-bit at 48 kHz: the host's 64-bit buffers carry the chain's output.
    const Stereo in = TestSignal(3000);
    const Stereo out = p.Process(in);
    EXPECT_TRUE(veltartest::AllFinite(out));
    EXPECT_EQ(veltartest::FirstDifference(out, ChainOutput(p, in, 48000.0)), -1);
}

TEST(VeltarSetup, RepeatedSetupAndActivationCyclesKeepTheChainRunning)
{
    HostedPlugin p;
    ChannelStrip chain;
    const Stereo in = TestSignal(900);
    const double rates[] = {44100.0, 96000.0, 48000.0, 44100.0, 192000.0};
    const int32 blocks[] = {256, 64, 1024, 17, 4096};
    for (int cycle = 0; cycle < 5; ++cycle)
    {
        ASSERT_EQ(p.Setup(rates[cycle], kSample64, blocks[cycle]), kResultOk);
        ASSERT_EQ(p.component->setActive(true), kResultOk);
        const Stereo out = p.Process(in, {blocks[cycle]});
        ASSERT_EQ(p.component->setActive(false), kResultOk);
        // Setting up again clears nothing: the chain goes on from where it was.
        const Stereo expected = RunChain(chain, in, p.Settings(rates[cycle]));
        EXPECT_EQ(veltartest::FirstDifference(out, expected), -1) << "cycle " << cycle;
    }
}

// ---- parameter changes in blocks

TEST(VeltarProcess, OnlyTheLastPointOfAQueueApplies)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    vst3host::ParameterChanges changes;
    changes.AddPoint(0, 0, 1.0);
    changes.AddPoint(0, 100, 0.2);
    changes.AddPoint(0, 300, 0.5);
    changes.AddPoint(1, 0, 0.9);
    changes.AddPoint(1, 10, 0.3);
    const Stereo in = TestSignal(512);
    const Stereo out = p.Process(in, {512}, &changes);
    EXPECT_DOUBLE_EQ(p.controller->getParamNormalized(0), 0.5);
    EXPECT_DOUBLE_EQ(p.controller->getParamNormalized(1), 0.3);
    EXPECT_DOUBLE_EQ(p.PlainValues()[0], 6.0);
    // For the whole block, from its first frame.
    EXPECT_EQ(veltartest::FirstDifference(out, ChainOutput(p, in, 48000.0)), -1);
}

TEST(VeltarProcess, BypassNeedsMoreThanHalf)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    const Stereo in = TestSignal(600);

    p.Set(kBypassID, 0.5);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 0.0);
    EXPECT_EQ(veltartest::FirstDifference(p.Process(in), ChainOutput(p, in, 48000.0)), -1);

    p.Set(kBypassID, 0.51);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 1.0);
    EXPECT_EQ(veltartest::FirstDifference(p.Process(in), in), -1);

    // Setting up processing starts unbypassed.
    ASSERT_EQ(p.Setup(48000.0, kSample32), kResultOk);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 0.0);
    p.Set(kBypassID, 1.0);
    EXPECT_EQ(veltartest::FirstDifference(p.Process32(in), ToFloatPrecision(in)), -1);
}

// Bypassed with a latency, the plug-in delays the input; what it holds is the last session's once
// the host starts again, and a host's NaN in it would come out into the next.
TEST(VeltarProcess, TheBypassDelayStartsSilentWheneverTheHostStartsAgain)
{
    HostedPlugin p;
    std::vector<char> state = p.SaveState();
    const std::vector<uint8_t> fourTimes =
        EncodeOversamplingSection({4, OversamplingChoice::kSameAsRealtime});
    state.insert(state.end(), fourTimes.begin(), fourTimes.end());
    ASSERT_EQ(p.LoadState(state), kResultOk);
    Stereo notNumbers(512), silence(512);
    std::fill(notNumbers.left.begin(), notNumbers.left.end(),
              std::numeric_limits<double>::quiet_NaN());
    notNumbers.right = notNumbers.left;
    for (bool setUpAgain : {true, false})
    {
        ASSERT_EQ(p.Setup(48000.0), kResultOk);
        ASSERT_GT(p.processor->getLatencySamples(), 0u);
        p.component->setActive(true);
        p.Set(kBypassID, 1.0);
        p.Process(notNumbers);
        p.component->setActive(false);
        if (setUpAgain)
        {
            ASSERT_EQ(p.Setup(48000.0), kResultOk);
        }
        p.component->setActive(true);
        p.Set(kBypassID, 1.0);
        EXPECT_EQ(veltartest::FirstDifference(p.Process(silence), silence), -1) << setUpAgain;
        p.component->setActive(false);
    }
}

TEST(VeltarProcess, PresetChangeRestoresOnlyExistingPresets)
{
    HostedPlugin p;
    p.Set(0, 0.8);
    p.Set(6, 1.0);
    p.Set(kPresetID, 1.0);
    EXPECT_DOUBLE_EQ(p.controller->getParamNormalized(0), 0.8);
    EXPECT_EQ(p.controller->getParamNormalized(6), 1.0);

    p.Set(kPresetID, 0.0);
    EXPECT_EQ(p.controller->getParamNormalized(0), 0.0);
    EXPECT_EQ(p.controller->getParamNormalized(6), 0.0);
    EXPECT_EQ(p.PlainValues(), (std::vector<double>{0.0, 0.0, 0.5, 0.5, 1.0, 1.0, 0.0}));
}

TEST(VeltarProcess, IgnoresUnknownIdsAndValuesThatAreNotNumbers)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    p.Set(2, 0.3);
    const std::vector<double> before = p.PlainValues();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    vst3host::ParameterChanges changes;
    for (ParamID id : {7u, 8u, 1000u, 0x7FFFFFFFu, 0xFFFFFFFFu, 0x61626364u})
        changes.AddPoint(id, 0, 0.9);
    changes.AddPoint(0, 0, nan);
    changes.AddPoint(1, 0, inf);
    changes.AddPoint(2, 0, -inf);
    changes.AddPoint(kBypassID, 0, nan);
    changes.AddPoint(kPresetID, 0, nan);
    changes.AddPoint(3, 0, 0.7)->SetUnreadable(true);
    EXPECT_EQ(p.Flush(changes), kResultOk);
    EXPECT_EQ(p.PlainValues(), before);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 0.0);

    const Stereo in = TestSignal(1000);
    const Stereo out = p.Process(in);
    EXPECT_TRUE(veltartest::AllFinite(out));
    EXPECT_EQ(veltartest::FirstDifference(out, ChainOutput(p, in, 48000.0)), -1);
}

TEST(VeltarProcess, ValuesOutsideTheUnitRangeAreClamped)
{
    HostedPlugin p;
    p.Set(0, 7.5);
    p.Set(1, -3.0);
    const std::vector<double> v = p.PlainValues();
    EXPECT_EQ(v[0], 24.0);
    EXPECT_EQ(v[1], -24.0);
}

TEST(VeltarProcess, ZeroFrameCallsWithoutBuffersStillApplyParameters)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0), kResultOk);
    vst3host::ParameterChanges changes;
    changes.AddPoint(3, 0, 0.25);
    changes.AddPoint(kBypassID, 0, 1.0);
    EXPECT_EQ(p.Flush(changes), kResultOk);
    EXPECT_EQ(p.PlainValues()[3], 0.25);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 1.0);

    // Also a 0-frame call that does carry buffers, and one with a negative frame count.
    changes.Clear();
    changes.AddPoint(kBypassID, 0, 0.0);
    const Stereo in = TestSignal(64);
    const Stereo out = p.Process(in, {0, 64}, &changes);
    EXPECT_EQ(p.controller->getParamNormalized(kBypassID), 0.0);
    EXPECT_TRUE(veltartest::AllFinite(out));
    ProcessData data;
    data.numSamples = -16;
    EXPECT_EQ(p.processor->process(data), kResultOk);
}

// ---- buffers as hosts deliver them

class VeltarBlocks : public ::testing::TestWithParam<std::vector<int>>
{
};

TEST_P(VeltarBlocks, AnyBlockPartitionGivesTheChainOutput64)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, kSample64, 512), kResultOk);
    vst3host::ParameterChanges changes;
    changes.AddPoint(0, 0, 0.55);
    changes.AddPoint(1, 0, 0.35);
    changes.AddPoint(2, 0, 0.8);
    changes.AddPoint(3, 0, 0.15);
    changes.AddPoint(4, 0, 0.0);
    changes.AddPoint(5, 0, 0.0);
    changes.AddPoint(6, 0, 0.5);
    const Stereo in = TestSignal(9000);
    const Stereo out = p.Process(in, GetParam(), &changes);
    const std::vector<double> v = p.PlainValues();
    ASSERT_EQ(v[4], 0.0);
    ASSERT_EQ(v[6], 1.0);
    EXPECT_EQ(veltartest::FirstDifference(out, ChainOutput(p, in, 48000.0)), -1);
}

TEST_P(VeltarBlocks, AnyBlockPartitionGivesTheChainOutput32)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, kSample32, 512), kResultOk);
    vst3host::ParameterChanges changes;
    changes.AddPoint(0, 0, 0.7);
    changes.AddPoint(2, 0, 0.25);
    changes.AddPoint(3, 0, 0.6);
    changes.AddPoint(4, 0, 0.0);
    changes.AddPoint(6, 0, 1.0);
    const Stereo in = TestSignal(9000);
    const Stereo out = p.Process32(in, GetParam(), &changes);
    const Stereo expected = ToFloatPrecision(ChainOutput(p, ToFloatPrecision(in), 48000.0));
    EXPECT_EQ(veltartest::FirstDifference(out, expected), -1);
}

// 512 as hosts use it, odd sizes, single frames, 0-frame calls in between, and blocks above the
// announced maximum (processed in full, without writing past any internal buffer).
INSTANTIATE_TEST_SUITE_P(Partitions, VeltarBlocks,
                         ::testing::Values(std::vector<int>{512}, std::vector<int>{333, 1, 7, 171},
                                           std::vector<int>{0, 64, 0, 100}, std::vector<int>{1500},
                                           std::vector<int>{9000}, std::vector<int>{513, 2049, 5}));

} // namespace
