// The module's handling of the host's buffers: blocks larger than announced, missing or surplus
// channel pointers, processing in place, inactive buses and buffers of the other sample size.
#include "HostedPlugin.h"
#include "ProcessBlock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using veltartest::ChainOutput;
using veltartest::HostedPlugin;
using veltartest::RunChain;
using veltartest::Stereo;
using veltartest::TestSignal;
using veltartest::ToFloatPrecision;

namespace
{

TEST(VeltarBuffers, HugeAnnouncedAndDeliveredBlocks)
{
    for (int32 size : {kSample64, kSample32})
    {
        HostedPlugin p;
        ASSERT_EQ(p.Setup(48000.0, size, 1 << 20), kResultOk);
        const Stereo in = TestSignal(20000);
        const Stereo out = size == kSample64 ? p.Process(in, {20000}) : p.Process32(in, {20000});
        const Stereo expected =
            ChainOutput(p, size == kSample64 ? in : ToFloatPrecision(in), 48000.0);
        EXPECT_EQ(veltartest::FirstDifference(out, size == kSample64 ? expected
                                                                     : ToFloatPrecision(expected)),
                  -1);
    }
}

TEST(VeltarBuffers, MissingChannelPointersAreNotDereferenced)
{
    for (int32 size : {kSample64, kSample32})
    {
        HostedPlugin p;
        ASSERT_EQ(p.Setup(48000.0, size, 256), kResultOk);
        std::vector<double> in64(256, 0.25), out64(256, 0.0);
        std::vector<float> in32(256, 0.25f), out32(256, 0.0f);
        double* ins64[2] = {nullptr, in64.data()};
        double* outs64[2] = {out64.data(), nullptr};
        float* ins32[2] = {nullptr, in32.data()};
        float* outs32[2] = {out32.data(), nullptr};
        vst3host::MainBusBlock block(kRealtime, size);
        ProcessData& data =
            size == kSample64 ? block.Set(ins64, outs64, 2, 256) : block.Set(ins32, outs32, 2, 256);
        for (int n = 0; n < 4; ++n)
            ASSERT_EQ(p.processor->process(data), kResultOk);
        for (int i = 0; i < 256; ++i)
        {
            ASSERT_TRUE(std::isfinite(out64[i]));
            ASSERT_TRUE(std::isfinite(out32[i]));
        }

        // No pointer arrays at all, and buses the host claims to have but does not pass.
        block.Set(static_cast<const double* const*>(nullptr), nullptr, 2, 256);
        EXPECT_EQ(p.processor->process(data), kResultOk);
        data.inputs = nullptr;
        data.outputs = nullptr;
        EXPECT_EQ(p.processor->process(data), kResultOk);
    }
}

TEST(VeltarBuffers, ChannelsBeyondThePlugInsAreLeftAlone)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, kSample64, 512), kResultOk);
    const Stereo in = TestSignal(512);
    std::vector<double> inL = in.left, inR = in.right, inC(512, 0.5);
    std::vector<double> left(512), right(512), centre(512, 4.0);
    double* ins[3] = {inL.data(), inR.data(), inC.data()};
    double* outs[3] = {left.data(), right.data(), centre.data()};
    vst3host::MainBusBlock block(kRealtime, kSample64);
    ASSERT_EQ(p.processor->process(block.Set(ins, outs, 3, 512)), kResultOk);
    const Stereo expected = ChainOutput(p, in, 48000.0);
    EXPECT_EQ(left, expected.left);
    EXPECT_EQ(right, expected.right);
    EXPECT_EQ(centre, std::vector<double>(512, 4.0));
}

TEST(VeltarBuffers, InPlaceBuffersGiveTheSameOutput)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, kSample64, 512), kResultOk);
    p.Set(0, 0.6);
    const Stereo in = TestSignal(2048);
    Stereo io = in;
    for (size_t pos = 0; pos < io.Size(); pos += 512)
    {
        double* chans[2] = {io.left.data() + pos, io.right.data() + pos};
        AudioBusBuffers bus = {};
        bus.numChannels = 2;
        bus.channelBuffers64 = chans;
        ProcessData data;
        data.symbolicSampleSize = kSample64;
        data.numSamples = 512;
        data.numInputs = data.numOutputs = 1;
        data.inputs = &bus;
        data.outputs = &bus;
        ASSERT_EQ(p.processor->process(data), kResultOk);
    }
    EXPECT_EQ(veltartest::FirstDifference(io, ChainOutput(p, in, 48000.0)), -1);
}

// Input from an earlier block must not be read again once the host stops passing it; in 32 bit
// the converted input of that block is still in the plug-in's own buffers.
template <class Sample> void ExpectSilenceWithoutInputBus(int32 sampleSize)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, sampleSize, 512), kResultOk);
    const Stereo in = TestSignal(512);
    if (sampleSize == kSample64)
        p.Process(in);
    else
        p.Process32(in);
    std::vector<Sample> left(512, 9.0), right(512, 9.0);
    Sample* outs[2] = {left.data(), right.data()};
    AudioBusBuffers outBus = {};
    outBus.numChannels = 2;
    if constexpr (sizeof(Sample) == sizeof(double))
        outBus.channelBuffers64 = outs;
    else
        outBus.channelBuffers32 = outs;
    ProcessData data;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = 512;
    data.numOutputs = 1;
    data.outputs = &outBus;
    ASSERT_EQ(p.processor->process(data), kResultOk);

    ChannelStrip chain;
    const ChannelStripSettings s = p.Settings(48000.0);
    RunChain(chain, sampleSize == kSample64 ? in : ToFloatPrecision(in), s);
    const Stereo expected = RunChain(chain, Stereo(512), s);
    for (size_t i = 0; i < 512; ++i)
    {
        ASSERT_EQ(left[i], static_cast<Sample>(expected.left[i])) << i;
        ASSERT_EQ(right[i], static_cast<Sample>(expected.right[i])) << i;
    }
}

TEST(VeltarBuffers, WithoutAnInputBusTheChainRunsOnSilence)
{
    ExpectSilenceWithoutInputBus<double>(kSample64);
    ExpectSilenceWithoutInputBus<float>(kSample32);
}

TEST(VeltarBuffers, InactiveOutputBusLeavesTheHostBufferAlone)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, kSample64, 512), kResultOk);
    ASSERT_EQ(p.component->activateBus(kAudio, kOutput, 0, false), kResultTrue);
    const Stereo in = TestSignal(512);
    std::vector<double> left(512, 3.0), right(512, 3.0);
    std::vector<double> inL = in.left, inR = in.right;
    double* ins[2] = {inL.data(), inR.data()};
    double* outs[2] = {left.data(), right.data()};
    vst3host::MainBusBlock block(kRealtime, kSample64);
    ProcessData& data = block.Set(ins, outs, 2, 512);
    ASSERT_EQ(p.processor->process(data), kResultOk);
    EXPECT_EQ(left, std::vector<double>(512, 3.0));
    EXPECT_EQ(right, std::vector<double>(512, 3.0));

    // Active again: the chain's output, continuing after the block it ran unheard.
    ASSERT_EQ(p.component->activateBus(kAudio, kOutput, 0, true), kResultTrue);
    ASSERT_EQ(p.processor->process(data), kResultOk);
    ChannelStrip chain;
    RunChain(chain, in, p.Settings(48000.0));
    const Stereo expected = RunChain(chain, in, p.Settings(48000.0));
    EXPECT_EQ(left, expected.left);
    EXPECT_EQ(right, expected.right);
}

} // namespace

TEST(VeltarBuffers, BlocksOfAnotherSampleSizeThanSetUpAreNotTouched)
{
    HostedPlugin p;
    ASSERT_EQ(p.Setup(48000.0, kSample64, 512), kResultOk);
    // A host that set up 64-bit processing but hands over 32-bit buffers: read as doubles they
    // would be overrun by half their size.
    std::vector<float> inL(64, 0.25f), inR(64, 0.25f), left(64, 3.0f), right(64, 3.0f);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {left.data(), right.data()};
    vst3host::MainBusBlock block(kRealtime, kSample32);
    EXPECT_EQ(p.processor->process(block.Set(ins, outs, 2, 64)), kResultOk);
    EXPECT_EQ(left, std::vector<float>(64, 3.0f));
    EXPECT_EQ(right, std::vector<float>(64, 3.0f));
}
