#include "framework/lv2/IFxLV2.h"

#include "lv2/atom/atom.h"
#include "lv2/buf-size/buf-size.h"
#include "lv2/core/lv2.h"
#include "lv2/options/options.h"
#include "lv2/urid/urid.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
// The scratch buffers are sized to the host's maximum block up to this; longer blocks are
// processed in slices, so a host announcing a huge block cannot make us allocate without bound.
constexpr int kMaxScratchFrames = 8192;
// The slice for a host that does not announce its maximum block.
constexpr int kUnboundedSliceFrames = 1024;
constexpr int kMaxChannels = 8;

// The output ports of one side's meter.
int PeakPort(int side)
{
    return side == LevelMeters::kInputSide ? kLV2InputPeak : kLV2OutputPeak;
}
int RmsPort(int side)
{
    return side == LevelMeters::kInputSide ? kLV2InputRms : kLV2OutputRms;
}

// The host's bufsz:maxBlockLength option; 0 when it gives none that is usable.
int MaxBlockLength(const LV2_Feature* const* features)
{
    const auto* map = static_cast<const LV2_URID_Map*>(FindLV2Feature(features, LV2_URID__map));
    const auto* options =
        static_cast<const LV2_Options_Option*>(FindLV2Feature(features, LV2_OPTIONS__options));
    if (!map || !map->map || !options)
        return 0;
    const LV2_URID key = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
    const LV2_URID intType = map->map(map->handle, LV2_ATOM__Int);
    for (const LV2_Options_Option* o = options; o->key || o->value; ++o)
        if (o->key == key && o->type == intType && o->size == sizeof(int32_t) && o->value)
            return std::max(*static_cast<const int32_t*>(o->value), 0);
    return 0;
}
} // namespace

const void* FindLV2Feature(const LV2_Feature* const* features, const char* uri)
{
    for (const LV2_Feature* const* f = features; f && *f; ++f)
        if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0)
            return (*f)->data;
    return nullptr;
}

IFxLV2::IFxLV2(IFxInstanceInfo, int nParams, const char* channelIOStr, int nPresets,
               const char* effectName, const char* productName, const char* mfrName,
               int vendorVersion, int uniqueID, int mfrID, int latency, bool plugDoesMidi,
               bool plugDoesChunks, bool plugIsInst, int)
    : IFxBase(nParams, channelIOStr, nPresets, effectName, productName, mfrName, vendorVersion,
              uniqueID, mfrID, latency, plugDoesMidi, plugDoesChunks, plugIsInst, kAPILV2)
{
    if (NInChannels())
        CreateBypassDelayLine();
    for (float& level : mReportedLevels)
        level = static_cast<float>(kLevelFloorDb);
}

IFxLV2::~IFxLV2() = default;

bool IFxLV2::Instantiate(int nChannels, double sampleRate, const LV2_Feature* const* features)
{
    if (nChannels < 1 || nChannels > kMaxChannels || !LegalIO(nChannels, nChannels) ||
        !(sampleRate > 0.0 && std::isfinite(sampleRate)))
        return false;
    mPorts = PortLayout(nChannels);
    mAudio.assign(static_cast<size_t>(mPorts.nIn + mPorts.nOut), nullptr);
    mControls.assign(static_cast<size_t>(mPorts.nParams), nullptr);

    const int maxBlock = MaxBlockLength(features);
    SetBlockSize(maxBlock > 0 ? std::min(maxBlock, kMaxScratchFrames) : kUnboundedSliceFrames);
    if (GetBlockSize() <= 0)
        return false;
    SetSampleRate(sampleRate);
    Reset();
    RestorePreset(0);
    // Ports count as changed once they differ from the settings the instance starts with, so that
    // a state restored before the first block is not undone by ports left at their defaults.
    mApplied.clear();
    for (int i = 0; i < mPorts.nParams; ++i)
        mApplied.push_back(static_cast<float>(GetParam(i)->Value()));
    mAppliedEnabled = GetIsBypassed() ? 0.0f : 1.0f;
    mAppliedOversampling = static_cast<float>(GetOversampling().realtime);
    return true;
}

// The plug-in has decided on its meters and its oversampling by now: its constructor has run.
LV2PortLayout IFxLV2::PortLayout(int nChannels) const
{
    LV2PortLayout layout;
    layout.nIn = layout.nOut = nChannels;
    layout.nParams = NParams();
    layout.oversampling = GetMaxOversampling() > 0;
    layout.nMeterPorts = GetLevelMeters() ? kLV2NumMeterPorts : 0;
    return layout;
}

void IFxLV2::ConnectPort(uint32_t port, void* data)
{
    if (port < mPorts.FirstControl())
        mAudio[port] = static_cast<float*>(data);
    else if (port < mPorts.EnabledPort())
        mControls[port - mPorts.FirstControl()] = static_cast<const float*>(data);
    else if (port == mPorts.EnabledPort())
        mEnabled = static_cast<const float*>(data);
    else if (mPorts.MeterOfPort(port) >= 0)
        mMeterPorts[mPorts.MeterOfPort(port)] = static_cast<float*>(data);
    else if (mPorts.oversampling && port == mPorts.OversamplingPort())
        mOversampling = static_cast<const float*>(data);
    else if (port == mPorts.LatencyPort())
        mLatency = static_cast<float*>(data);
}

// An activated instance starts afresh: the plug-in's Reset hook is where it forgets its history.
void IFxLV2::Activate()
{
    RestartBypassDelay();
    Reset();
    OnActivate(true);
}

void IFxLV2::Deactivate()
{
    OnActivate(false);
}

void IFxLV2::ApplyPlainValue(int paramIdx, double plainValue)
{
    IParam* param = GetParam(paramIdx);
    SetParameterFromHost(paramIdx, param->GetNormalized(plainValue));
}

// Only values that changed since the last block are applied; a port value that is not a number
// is dropped, as a VST 3 host value is, and the parameter keeps its value.
void IFxLV2::ApplyControls()
{
    for (int i = 0; i < mPorts.nParams; ++i)
    {
        const float* port = mControls[static_cast<size_t>(i)];
        if (!port)
            continue;
        const float value = *port;
        float& applied = mApplied[static_cast<size_t>(i)];
        if (!std::isfinite(value) || value == applied)
            continue;
        applied = value;
        ApplyPlainValue(i, value);
    }
    if (mEnabled && std::isfinite(*mEnabled) && *mEnabled != mAppliedEnabled)
    {
        mAppliedEnabled = *mEnabled;
        SetIsBypassed(!(mAppliedEnabled > 0.0f));
    }
    if (mOversampling && std::isfinite(*mOversampling) && *mOversampling != mAppliedOversampling)
    {
        mAppliedOversampling = *mOversampling;
        ApplyOversampling(mAppliedOversampling);
    }
}

// The port sets the realtime factor; LV2 hosts do not say when they render offline, so the
// offline one never applies here and keeps what the state gave it.
void IFxLV2::ApplyOversampling(float portValue)
{
    OversamplingChoice choice = GetOversampling();
    choice.realtime = LV2OversamplingFactor(portValue, GetMaxOversampling());
    SetOversampling(choice);
}

void IFxLV2::Run(uint32_t nFrames)
{
    FxMutexLock lock(mMutex);
    ApplyControls();
    if (mLatency)
        *mLatency = static_cast<float>(GetLatency());
    const uint32_t slice = static_cast<uint32_t>(GetBlockSize());
    if (slice == 0)
        return;
    for (uint32_t done = 0; done < nFrames; done += slice)
        ProcessSlice(done, static_cast<int>(std::min(slice, nFrames - done)));
    WriteMeterPorts(nFrames);
}

void IFxLV2::WriteMeterPorts(uint32_t nFrames)
{
    const LevelMeters* meters = GetLevelMeters();
    if (!meters)
        return;
    // The run's own duration paces the fall: the audio thread has no other clock.
    const double seconds = double(nFrames) / GetSampleRate();
    for (int side = 0; side < LevelMeters::kNumSides; ++side)
    {
        mPortPeaks[side].Advance(mRunPeak[side], seconds);
        mRunPeak[side] = 0.0;
        if (float* peak = mMeterPorts[PeakPort(side)])
            *peak = static_cast<float>(mPortPeaks[side].Db());
        if (float* rms = mMeterPorts[RmsPort(side)])
            *rms = static_cast<float>(MeanSquareToDb(meters->MeanSquare(side)));
    }
}

void IFxLV2::ProcessSlice(uint32_t offset, int nFrames)
{
    float* ins[kMaxChannels];
    float* outs[kMaxChannels];
    int nIns = 0, nOuts = 0;
    SetInputChannelConnections(0, NInChannels(), false);
    SetOutputChannelConnections(0, NOutChannels(), false);
    // A port the host left unconnected reads silence and is written nowhere.
    unsigned connected = 0;
    for (int c = 0; c < mPorts.nIn; ++c)
        if (float* p = mAudio[static_cast<size_t>(c)])
        {
            SetInputChannelConnections(c, 1, true);
            ins[nIns++] = p + offset;
            connected |= 1u << c;
        }
    // An input the host disconnects reads its scratch buffer, which still holds the last block
    // converted into it; cleared, it reads silence instead of that block again.
    if (mConnectedInputs & ~connected)
        ZeroScratchBuffers();
    mConnectedInputs = connected;
    for (int c = 0; c < mPorts.nOut; ++c)
        if (float* p = mAudio[static_cast<size_t>(mPorts.nIn + c)])
        {
            SetOutputChannelConnections(c, 1, true);
            outs[nOuts++] = p + offset;
        }
    AttachInputBuffers(0, NInChannels(), ins, nFrames);
    AttachOutputBuffers(0, NOutChannels(), outs);
    if (GetIsBypassed())
        PassThroughBuffers(0.0f, nFrames);
    else
        ProcessBuffers(0.0f, nFrames);
    if (const LevelMeters* meters = GetLevelMeters())
        for (int side = 0; side < LevelMeters::kNumSides; ++side)
            mRunPeak[side] = std::max(mRunPeak[side], meters->LastBlock(side).peak);
}

bool IFxLV2::SaveStateRecord(ByteChunk* record)
{
    FxMutexLock lock(mMutex);
    const int32_t bypassed = GetIsBypassed() ? 1 : 0;
    if (!SerializeState(record) || !record->Put(&bypassed))
        return false;
    AppendStateExtension(record);
    return true;
}

bool IFxLV2::LoadStateRecord(const void* data, size_t size)
{
    FxMutexLock lock(mMutex);
    ByteChunk chunk;
    if (!SerializeState(&chunk) || !data)
        return false;
    const size_t chunkSize = static_cast<size_t>(chunk.Size());
    int32_t bypassed = 0;
    if (size < chunkSize + sizeof(bypassed))
        return false;
    std::memcpy(chunk.GetBytes(), data, chunkSize);
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::memcpy(&bypassed, bytes + chunkSize, sizeof(bypassed));
    UnserializeState(&chunk, 0);
    SetIsBypassed(bypassed != 0);
    ApplyStateExtension(bytes + chunkSize + sizeof(bypassed), size - chunkSize - sizeof(bypassed));
    RedrawParamControls();
    return true;
}

bool IFxLV2::ServeEditor(int nChannels, ILV2PortWriter* writer)
{
    if (nChannels < 1 || !LegalIO(nChannels, nChannels))
        return false;
    mPorts = PortLayout(nChannels);
    mWriter = writer;
    return true;
}

void IFxLV2::OnPortValue(uint32_t port, float value)
{
    if (!std::isfinite(value))
        return;
    const int meterPort = mPorts.MeterOfPort(port);
    if (meterPort >= 0)
    {
        mReportedLevels[meterPort] = value;
        const int side =
            meterPort < kLV2OutputPeak ? LevelMeters::kInputSide : LevelMeters::kOutputSide;
        GetLevelMeters()->ShowReading(side, mReportedLevels[PeakPort(side)],
                                      mReportedLevels[RmsPort(side)]);
        return;
    }
    FxMutexLock lock(mMutex);
    if (mPorts.oversampling && port == mPorts.OversamplingPort())
        ApplyOversampling(value);
    else if (mPorts.ParamOfPort(port) >= 0)
        ApplyPlainValue(mPorts.ParamOfPort(port), value);
}

// ---- host hooks

void IFxLV2::BeginInformHostOfParamChange(int idx)
{
    if (mWriter && GetParam(idx))
        mWriter->TouchPort(mPorts.ControlPort(idx), true);
}

void IFxLV2::InformHostOfParamChange(int idx, double)
{
    if (mWriter && GetParam(idx))
        mWriter->WritePort(mPorts.ControlPort(idx), static_cast<float>(GetParam(idx)->Value()));
}

void IFxLV2::EndInformHostOfParamChange(int idx)
{
    if (mWriter && GetParam(idx))
        mWriter->TouchPort(mPorts.ControlPort(idx), false);
}

// The editor's choice goes to the host as the port's value, from where it reaches the plug-in.
void IFxLV2::InformHostOfOversamplingChange()
{
    if (mWriter && mPorts.oversampling)
        mWriter->WritePort(mPorts.OversamplingPort(),
                           static_cast<float>(GetOversampling().realtime));
}

// The plug-in reads no transport: time answers as a host that gives none.
void IFxLV2::GetTimeSig(int* numerator, int* denominator)
{
    const ITimeInfo none;
    if (numerator)
        *numerator = none.mNumerator;
    if (denominator)
        *denominator = none.mDenominator;
}

void IFxLV2::GetTime(ITimeInfo* timeInfo)
{
    if (timeInfo)
        *timeInfo = ITimeInfo();
}
