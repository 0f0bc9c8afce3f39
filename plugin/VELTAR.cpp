#include "plugin/VELTAR.h"

#include "framework/vst3/PlugModule.h"

#include <cmath>

namespace
{
constexpr int kNumPrograms = 1;
constexpr int kVendorVersion = 0x00010100;
constexpr int kUniqueID = 0x56747231; // 'Vtr1'
constexpr int kMfrID = 0x51756175;    // 'Quau'
} // namespace

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
    : IFxVST3(instanceInfo, kNumParams, "1-1 2-2", kNumPrograms, "VELTAR", "", "QuillstoneAudio",
              kVendorVersion, kUniqueID, kMfrID, 0, false, false, false, 0)
{
    GetParam(kInput)->InitDouble("Input", 0.0, 0.0, 24.0, 0.01, "%", "");
    GetParam(kInput)->SetShape(2.0);
    GetParam(kOutput)->InitDouble("Output", 0.0, -24.0, 24.0, 0.01, "%", "");
    GetParam(kOutput)->SetShape(1.0);
    GetParam(kLow)->InitDouble("Low", 0.5, 0.0, 1.0, 0.01, "%", "");
    GetParam(kLow)->SetShape(1.0);
    GetParam(kHigh)->InitDouble("High", 0.5, 0.0, 1.0, 0.01, "%", "");
    GetParam(kHigh)->SetShape(1.0);
    GetParam(kTransformer)->InitInt("Transformer", 1, 0, 1, "", "");
    GetParam(kBus)->InitInt("Bus", 1, 0, 1, "", "");
    GetParam(kModel)->InitInt("Model", 0, 0, 2, "", "");

    MakeDefaultPreset("-", kNumPrograms);
}

VELTAR::~VELTAR() = default;

void VELTAR::Reset()
{
    FxMutexLock lock(mMutex);
}

void VELTAR::OnParamChange(int paramIdx)
{
    FxMutexLock lock(mMutex);
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

void VELTAR::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
    const ChannelStripSettings settings = {
        GetSampleRate(),
        mInputGain,
        mOutputGain,
        mLow,
        mHigh,
        GetParam(kTransformer)->Int(),
        GetParam(kBus)->Int(),
        GetParam(kModel)->Int(),
    };
    mChain.Process(inputs, outputs, nFrames, settings);
}

IFxVST3* MakePlug()
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
