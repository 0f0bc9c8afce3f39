#include "plugin/VELTAR.h"

#include "framework/graphics/IMeterControl.h"
#include "framework/graphics/IOversamplingMenu.h"
#include "framework/platform/IGraphicsMac.h"
#include "plugin/FactoryPresetMenu.h"
#include "plugin/PanelMeters.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>

namespace
{
constexpr int kNumPrograms = 1;
constexpr int kVendorVersion = 0x00010100;
constexpr int kUniqueID = 0x56747231; // 'Vtr1'
constexpr int kMfrID = 0x51756175;    // 'Quau'
constexpr int kEditorWidth = 352;
constexpr int kEditorHeight = 568;

struct KnobPlace
{
    int x, y, paramIdx, bitmapID;
    const char* file;
};
const KnobPlace kKnobs[] = {
    {102, 19, kInput, 101, "resources/img/IN.png"},
    {102, 187, kOutput, 102, "resources/img/OUT.png"},
    {47, 347, kLow, 104, "resources/img/LOW.png"},
    {217, 347, kHigh, 105, "resources/img/HIGH.png"},
};

struct SwitchPlace
{
    int x, y, paramIdx, bitmapID;
    const char* file;
    int nFrames;
};
const SwitchPlace kSwitches[] = {
    {278, 144, kBus, 103, "resources/img/BUS.png", 2},
    {5, 144, kTransformer, 107, "resources/img/XFMR.png", 2},
    {105, 455, kModel, 106, "resources/img/MODEL.png", 3},
};
} // namespace

IGraphics* MakeGraphics(IFxPlug* plug, int width, int height, int fps)
{
    return MakePlatformGraphics(plug, width, height, fps, "com.QuillstoneAudio.vst3.VELTAR");
}

unsigned int GUID_DATA1 = 0xF2AEE70D;
unsigned int GUID_DATA2 = 0x00DE4F4E;
unsigned int GUID_DATA3 = kMfrID;
unsigned int GUID_DATA4 = kUniqueID;

const PlugClassRecord kPlugClassRecord = {
    "QuillstoneAudio",
    "https://quillstoneaudio.example/veltar",
    "support@quillstoneaudio.example",
    "VELTAR",
    "Fx",
    "1.1.0",
};

VELTAR::VELTAR(IFxInstanceInfo instanceInfo)
    : IFxPlug(instanceInfo, kNumParams, "1-1 2-2", kNumPrograms, "VELTAR", "", "QuillstoneAudio",
              kVendorVersion, kUniqueID, kMfrID, 0, false, false, false, 0)
{
    GetParam(kInput)->InitDouble("Input", 0.0, 0.0, 24.0, 0.01, "dB", "");
    GetParam(kInput)->SetShape(2.0);
    GetParam(kOutput)->InitDouble("Output", 0.0, -24.0, 24.0, 0.01, "dB", "");
    GetParam(kOutput)->SetShape(1.0);
    GetParam(kLow)->InitDouble("Low", 0.5, 0.0, 1.0, 0.01, "", "");
    GetParam(kLow)->SetShape(1.0);
    GetParam(kHigh)->InitDouble("High", 0.5, 0.0, 1.0, 0.01, "", "");
    GetParam(kHigh)->SetShape(1.0);
    GetParam(kTransformer)->InitInt("Transformer", 1, 0, 1, "", "");
    GetParam(kBus)->InitInt("Bus", 1, 0, 1, "", "");
    GetParam(kModel)->InitInt("Model", 0, 0, 2, "", "");
    // The switches read as the panel prints them; a transformer at 1 is out of circuit.
    for (int idx : {kTransformer, kBus})
    {
        GetParam(idx)->SetDisplayText(0, "in");
        GetParam(idx)->SetDisplayText(1, "out");
    }
    GetParam(kModel)->SetDisplayText(0, "SRPP");
    GetParam(kModel)->SetDisplayText(1, "QUAD");
    GetParam(kModel)->SetDisplayText(2, "NK");

    IGraphics* graphics = MakeGraphics(this, kEditorWidth, kEditorHeight, 0);
    graphics->AttachBackground(108, "resources/img/BG.png");
    for (const KnobPlace& k : kKnobs)
        graphics->AttachControl(new IKnobMultiControl(
            this, k.x, k.y, k.paramIdx, graphics->LoadIBitmap(k.bitmapID, k.file, 61)));
    for (const SwitchPlace& sw : kSwitches)
        graphics->AttachControl(
            new ISwitchControl(this, sw.x, sw.y, sw.paramIdx,
                               graphics->LoadIBitmap(sw.bitmapID, sw.file, sw.nFrames)));
    // The meters come after the seven controls, which keep their places in the list.
    EnableLevelMeters();
    MeasureLevelsInProcessing();
    const IMeterControl::Face face = {
        IRECT(kMeterBarLeft, kMeterBarTop, kMeterBarRight, kMeterBarBottom),
        IRECT(kMeterLampLeft, kMeterLampTop, kMeterLampRight, kMeterLampBottom), kMeterScale};
    for (const PanelMeterPlace& m : kPanelMeters)
        graphics->AttachControl(new IMeterControl(
            this, m.left, m.top, graphics->LoadIBitmap(m.bitmapID, m.file, kMeterFrames), m.side,
            face));
    graphics->AddPanelMenuSection(std::make_unique<IOversamplingMenu>(this));
    graphics->AddPanelMenuSection(std::make_unique<FactoryPresetMenu>(this, graphics));
    AttachGraphics(graphics);
    OfferOversampling(Oversampler::kMaxFactor);

    MakeDefaultPreset("-", kNumPrograms);
}

VELTAR::~VELTAR() = default;

void VELTAR::Reset()
{
    FxMutexLock lock(mMutex);
}

void VELTAR::RestartSignalChain()
{
    FxMutexLock lock(mMutex);
    mChain = ChannelStrip();
    mOversampler.Clear();
}

// Every caller (host, editor, preset and state loading) already holds the plug-in mutex.
void VELTAR::OnParamChange(int paramIdx)
{
    IParam* param = GetParam(paramIdx);
    if (!param)
        return;
    double value = param->Value();
    switch (paramIdx)
    {
    case kInput:
        mInputGain = std::pow(10.0, value / 20.0);
        break;
    case kOutput:
        mOutputGain = std::pow(10.0, value / 20.0);
        break;
    case kLow:
        mLow = value;
        break;
    case kHigh:
        mHigh = value;
        break;
    default:
        break;
    }
}

int VELTAR::OversamplingLatency(int factor) const
{
    return Oversampler::LatencyFrames(factor);
}

// A new factor starts with empty filters; the chain's smoothers and shelves carry on at the new
// rate.
void VELTAR::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
    const int factor = GetOversamplingInEffect();
    if (factor != mOversampler.GetFactor())
        mOversampler.SetFactor(factor);
    const ChannelStripSettings settings = {
        GetSampleRate() * factor,
        mInputGain,
        mOutputGain,
        mLow,
        mHigh,
        GetParam(kTransformer)->Int(),
        GetParam(kBus)->Int(),
        GetParam(kModel)->Int(),
    };
    ChannelLevels* inLevels = LevelsToMeasure(LevelMeters::kInputSide);
    ChannelLevels* outLevels = LevelsToMeasure(LevelMeters::kOutputSide);
    // At the host's rate the chain measures the samples as they pass; oversampled, it sees
    // others than the host's.
    if (factor == 1)
    {
        ChannelStripLevels levels;
        mChain.Process(inputs, outputs, nFrames, settings, inLevels ? &levels : nullptr);
        if (inLevels)
        {
            std::copy(std::begin(levels.in), std::end(levels.in), inLevels);
            std::copy(std::begin(levels.out), std::end(levels.out), outLevels);
        }
        return;
    }
    if (inLevels)
        ScanEachChannel(inputs, 2, nFrames, inLevels);
    mOversampler.Run(inputs, outputs, nFrames,
                     [&](const double* const* in, double* const* out, int n)
                     { mChain.Process(in, out, n, settings); });
    if (outLevels)
        ScanEachChannel(outputs, 2, nFrames, outLevels);
}

IFxPlug* MakePlug()
{
    // Creation is serialised across the module; the mutex lives as long as the module.
    static FxMutex sCreateMutex;
    FxMutexLock lock(sCreateMutex);
    return new VELTAR(IFxInstanceInfo());
}

bool InitModule()
{
    return true;
}

bool DeinitModule()
{
    return true;
}
