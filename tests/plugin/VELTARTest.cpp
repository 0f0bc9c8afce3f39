// The plug-in object itself, linked in: construction, its parameter table and hooks, and its
// processing against the signal chain it wraps.
#include "plugin/VELTAR.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"
#include "raster/RasterPNG.h"

#include "ComponentHandler.h"
#include "HostApplication.h"
#include "StereoSignal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using veltartest::RunChain;
using veltartest::Stereo;
using veltartest::TestSignal;

namespace
{

// The host's reference; releasing it destroys the object.
struct PlugDeleter
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};
using PlugPtr = std::unique_ptr<IFxVST3, PlugDeleter>;

PlugPtr InitialisedPlug(double fs = 48000.0)
{
    PlugPtr plug(MakePlug());
    plug->initialize(nullptr);
    plug->SetSampleRate(fs);
    return plug;
}

Stereo ProcessPlug(IFxVST3& plug, const Stereo& in, int block = 512)
{
    Stereo out(in.Size());
    for (size_t pos = 0; pos < in.Size(); pos += static_cast<size_t>(block))
    {
        const int n =
            static_cast<int>(std::min<size_t>(static_cast<size_t>(block), in.Size() - pos));
        double* inputs[2] = {const_cast<double*>(in.left.data()) + pos,
                             const_cast<double*>(in.right.data()) + pos};
        double* outputs[2] = {out.left.data() + pos, out.right.data() + pos};
        plug.ProcessDoubleReplacing(inputs, outputs, n);
    }
    return out;
}

ChannelStripSettings Defaults(double fs = 48000.0)
{
    return {fs, 1.0, 1.0, 0.5, 0.5, 1, 1, 0};
}

// Significant digits as printed: relative error below half a unit of the 8th digit.
void ExpectDigits(double actual, double printed)
{
    EXPECT_NEAR(actual, printed, std::fabs(printed) * 5e-8) << printed;
}

void ExpectComplete(IFxVST3& plug)
{
    EXPECT_STREQ(plug.GetEffectName(), "VELTAR");
    EXPECT_STREQ(plug.GetMfrName(), "QuillstoneAudio");
    EXPECT_EQ(plug.GetUniqueID(), 0x56747231);
    EXPECT_EQ(plug.GetMfrID(), 0x51756175);
    EXPECT_EQ(plug.GetEffectVersion(false), 0x10100);
    ASSERT_EQ(plug.NParams(), kNumParams);
    const char* names[] = {"Input", "Output", "Low", "High", "Transformer", "Bus", "Model"};
    const double defaults[] = {0.0, 0.0, 0.5, 0.5, 1.0, 1.0, 0.0};
    for (int i = 0; i < kNumParams; ++i)
    {
        EXPECT_STREQ(plug.GetParam(i)->GetNameForHost(), names[i]);
        EXPECT_EQ(plug.GetParam(i)->Value(), defaults[i]) << names[i];
    }
    ASSERT_EQ(plug.NPresets(), 1);
    EXPECT_STREQ(plug.GetPresetName(0), "-");
    EXPECT_TRUE(plug.LegalIO(1, 1));
    EXPECT_TRUE(plug.LegalIO(2, 2));
    EXPECT_FALSE(plug.LegalIO(1, 2));
}

TEST(VELTAR, ObjectsMadeOnTwoThreadsAtOnceAreComplete)
{
    constexpr int kPerThread = 25;
    std::vector<IFxVST3*> made[2];
    auto make = [&](int t)
    {
        for (int i = 0; i < kPerThread; ++i)
            made[t].push_back(MakePlug());
    };
    std::thread first(make, 0);
    std::thread second(make, 1);
    first.join();
    second.join();
    for (auto& list : made)
        for (IFxVST3* plug : list)
        {
            PlugPtr owned(plug);
            ExpectComplete(*plug);
        }
}

TEST(VELTAR, InitialisedObjectHasItsDefaultsAndKnowsTheHost)
{
    PlugPtr plug(MakePlug());
    vst3host::HostApplication host("Cubase 12");
    ASSERT_EQ(plug->initialize(&host), Steinberg::kResultOk);
    ExpectComplete(*plug);
    EXPECT_EQ(plug->GetHost(), kHostCubase);
    EXPECT_EQ(plug->GetAPI(), kAPIVST3);
    EXPECT_EQ(plug->GetLatency(), 0);
    EXPECT_FALSE(plug->DoesMIDI());
    EXPECT_FALSE(plug->IsInst());
    plug->terminate();
}

// Program and bank files and presets loaded by the plug-in itself change values behind the
// host's back: the host is asked to re-read them, from the thread that loaded.
TEST(VELTAR, LoadedProgramsBanksAndPresetsAskTheHostToReReadValues)
{
    PlugPtr plug = InitialisedPlug();
    vst3test::ComponentHandler handler;
    ASSERT_EQ(plug->setComponentHandler(&handler), Steinberg::kResultOk);
    plug->GetParam(kInput)->SetClamped(12.0);
    ByteChunk program;
    ByteChunk bank;
    ASSERT_TRUE(plug->SaveProgramToChunk(&program));
    ASSERT_TRUE(plug->SaveBankToChunk(&bank));
    const auto expectAsked = [&](const char* what)
    {
        const std::vector<Steinberg::int32> flags = handler.GetRestartFlags();
        EXPECT_FALSE(flags.empty()) << what;
        for (Steinberg::int32 f : flags)
            EXPECT_EQ(f, Steinberg::Vst::kParamValuesChanged) << what;
        for (std::thread::id id : handler.GetRestartThreads())
            EXPECT_EQ(id, std::this_thread::get_id()) << what;
        handler.Clear();
    };

    handler.Clear();
    plug->GetParam(kInput)->SetClamped(0.0);
    ASSERT_TRUE(
        plug->LoadProgramFromMemory(program.GetBytes(), static_cast<size_t>(program.Size())));
    EXPECT_NEAR(plug->GetParam(kInput)->Value(), 12.0, 1e-4);
    expectAsked("program");
    ASSERT_TRUE(plug->LoadBankFromMemory(bank.GetBytes(), static_cast<size_t>(bank.Size())));
    expectAsked("bank");
    ASSERT_TRUE(plug->RestorePreset(0));
    expectAsked("preset");

    // A rejected file changes nothing and asks for nothing.
    const unsigned char junk[8] = {'C', 'c', 'n', 'K'};
    EXPECT_FALSE(plug->LoadProgramFromMemory(junk, sizeof(junk)));
    EXPECT_TRUE(handler.GetRestartFlags().empty());
    plug->terminate();
}

// The chain receives the cached gains OnParamChange computes: the output is the chain's with
// exactly those gains.
TEST(VELTAR, ParameterChangesSetTheCachedGains)
{
    struct Case
    {
        int param;
        double value;
        ChannelStripSettings settings;
    };
    const Case cases[] = {
        {kInput, 24.0, {48000.0, 15.848931924611133, 1.0, 0.5, 0.5, 1, 1, 0}},
        {kInput, 6.0, {48000.0, 1.9952623149688795, 1.0, 0.5, 0.5, 1, 1, 0}},
        {kOutput, -24.0, {48000.0, 1.0, 0.06309573444801933, 0.5, 0.5, 1, 1, 0}},
        {kLow, 0.2, {48000.0, 1.0, 1.0, 0.2, 0.5, 1, 1, 0}},
        {kHigh, 0.9, {48000.0, 1.0, 1.0, 0.5, 0.9, 1, 1, 0}},
    };
    const Stereo in = TestSignal(4000);
    for (const Case& c : cases)
    {
        PlugPtr plug = InitialisedPlug();
        plug->GetParam(c.param)->SetClamped(c.value);
        plug->OnParamChange(c.param);
        ChannelStrip chain;
        EXPECT_EQ(
            veltartest::FirstDifference(ProcessPlug(*plug, in), RunChain(chain, in, c.settings)),
            -1)
            << c.param << " at " << c.value;
    }
}

TEST(VELTAR, SwitchChangesNeedNoHookAndOtherIndicesChangeNothing)
{
    PlugPtr plug = InitialisedPlug();
    // Values set without the hook: the gains stay cached at their old values, the switches act.
    plug->GetParam(kInput)->SetClamped(12.0);
    plug->GetParam(kTransformer)->SetClamped(0.0);
    plug->GetParam(kModel)->SetClamped(2.0);
    for (int idx : {int(kTransformer), int(kBus), int(kModel), int(kNumParams), -1, 1000})
        plug->OnParamChange(idx);
    const Stereo in = TestSignal(3000);
    ChannelStrip chain;
    const ChannelStripSettings s = {48000.0, 1.0, 1.0, 0.5, 0.5, 0, 1, 2};
    EXPECT_EQ(veltartest::FirstDifference(ProcessPlug(*plug, in), RunChain(chain, in, s)), -1);
}

TEST(VELTAR, ResetBetweenBlocksClearsNothing)
{
    PlugPtr plain = InitialisedPlug();
    PlugPtr reset = InitialisedPlug();
    const Stereo in = TestSignal(256);
    for (int block = 0; block < 20; ++block)
    {
        const Stereo expected = ProcessPlug(*plain, in);
        reset->Reset();
        ASSERT_EQ(veltartest::FirstDifference(ProcessPlug(*reset, in), expected), -1) << block;
    }
}

TEST(VELTAR, RestartedChainPlaysAsANewObjectWithTheSameSettings)
{
    PlugPtr used = InitialisedPlug();
    PlugPtr fresh = InitialisedPlug();
    for (IFxVST3* plug : {used.get(), fresh.get()})
    {
        plug->GetParam(kInput)->SetClamped(18.0);
        plug->GetParam(kModel)->SetClamped(1.0);
        plug->OnParamChange(kInput);
    }
    ProcessPlug(*used, TestSignal(3000));
    static_cast<VELTAR&>(*used).RestartSignalChain();
    const Stereo in = TestSignal(2000);
    EXPECT_EQ(veltartest::FirstDifference(ProcessPlug(*used, in), ProcessPlug(*fresh, in)), -1);
}

TEST(VELTAR, WorkedExampleAt48kHz)
{
    PlugPtr plug = InitialisedPlug(48000.0);
    const Stereo first = ProcessPlug(*plug, Stereo(3, 0.001));
    ExpectDigits(first.left[0], 1.1041756e-12);
    ExpectDigits(first.right[0], 4.4177942e-12);
    ExpectDigits(first.left[1], 1.0676506e-11);
    ExpectDigits(first.right[1], 2.0615437e-11);
    ExpectDigits(first.left[2], 3.4765395e-11);
    ExpectDigits(first.right[2], 5.3656818e-11);

    const Stereo settled = ProcessPlug(*plug, Stereo(48000 * 10, 0.001));
    ExpectDigits(settled.left.back(), 0.0010225105);
    ExpectDigits(settled.right.back(), 0.0010225105);

    // The same as the bare chain with the default settings.
    ChannelStrip chain;
    RunChain(chain, Stereo(3, 0.001), Defaults());
    const Stereo bare = RunChain(chain, Stereo(48000 * 10, 0.001), Defaults());
    EXPECT_EQ(veltartest::FirstDifference(settled, bare), -1);
}

} // namespace

TEST(VELTAR, AnInstanceWhoseEditorStaysClosedDecodesNoArtworkAndHoldsNoSurface)
{
    SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
    PlugPtr plug = InitialisedPlug();
    IGraphics* editor = plug->GetEditor();
    ASSERT_NE(editor, nullptr);
    // The knob strips are 61 frames high; a control is one frame, known from the file's header.
    const IBitmap strip = editor->LoadIBitmap(101, "resources/img/IN.png", 61);
    ASSERT_GT(strip.H, 0);
    EXPECT_EQ(*editor->GetControl(1)->GetRECT(), IRECT(102, 19, 102 + strip.W, 19 + strip.H / 61));
    plug->SetParameterFromHost(kModel, 1.0);
    for (int i = 0; i < editor->GetNControls(); ++i)
    {
        const auto* control = dynamic_cast<const IBitmapControl*>(editor->GetControl(i));
        const auto* pixels =
            control ? dynamic_cast<const Raster_PNGFile*>(control->GetBitmap().mData) : nullptr;
        EXPECT_TRUE(!pixels || !pixels->IsDecoded()) << "control " << i;
    }
    const auto* pixels = dynamic_cast<const Raster_PNGFile*>(strip.mData);
    ASSERT_NE(pixels, nullptr);
    EXPECT_FALSE(pixels->IsDecoded());
    EXPECT_EQ(editor->GetDrawBitmap(), nullptr);

    ASSERT_NE(editor->OpenWindow(nullptr), nullptr);
    editor->Draw(IRECT(0, 0, editor->Width(), editor->Height()));
    EXPECT_TRUE(pixels->IsDecoded());
    ASSERT_NE(editor->GetDrawBitmap(), nullptr);
    const IControl* model = editor->GetControl(7);
    EXPECT_DOUBLE_EQ(model->GetValue(), 1.0);
    editor->CloseWindow();
    EXPECT_EQ(editor->GetDrawBitmap(), nullptr);
}
