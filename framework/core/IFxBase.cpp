#include "framework/core/IFxBase.h"
#include "framework/core/SampleConversion.h"

#include <cstdio>
#include <cstring>

namespace
{
void CopyName(char* dst, const char* src, int size)
{
    std::snprintf(dst, static_cast<size_t>(size), "%s", src ? src : "");
}

// Parses "1-1 2-2": pairs of input and output counts separated by single blanks.
void ParseChannelIO(const char* text, FxPtrList<IFxBase::ChannelIO>* list, int* maxIn, int* maxOut)
{
    *maxIn = *maxOut = 0;
    for (const char* p = text; p;)
    {
        int nIn = 0, nOut = 0;
        std::sscanf(p, "%d-%d", &nIn, &nOut);
        list->Add(new IFxBase::ChannelIO{nIn, nOut});
        *maxIn = nIn > *maxIn ? nIn : *maxIn;
        *maxOut = nOut > *maxOut ? nOut : *maxOut;
        p = std::strchr(p, ' ');
        if (p)
            ++p;
    }
}

const SampleConverters kConverters = FastestSampleConverters();
} // namespace

IPreset::IPreset()
{
    SetName("empty");
}

void IPreset::SetName(const char* name)
{
    CopyName(mName, name, kNameLen);
}

IFxBase::IFxBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
                 const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
                 int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
                 EAPI plugAPI)
    : mUniqueID(uniqueID), mMfrID(mfrID), mVersion(vendorVersion), mAPI(plugAPI),
      mStateChunks(plugDoesChunks), mIsInst(plugIsInst), mDoesMIDI(plugDoesMidi), mLatency(latency)
{
    for (int i = 0; i < nParams; ++i)
        mParams.Add(new IParam);
    for (int i = 0; i < nPresets; ++i)
        mPresets.Add(new IPreset);

    CopyName(mEffectName, effectName, kNameLen);
    CopyName(mProductName, productName, kNameLen);
    CopyName(mMfrName, mfrName, kNameLen);

    int nInputs = 0, nOutputs = 0;
    if (channelIOStr)
        ParseChannelIO(channelIOStr, &mChannelIO, &nInputs, &nOutputs);

    // Negative counts in a malformed text simply give no channels.
    mInData.assign(static_cast<size_t>(nInputs > 0 ? nInputs : 0), nullptr);
    mOutData.assign(static_cast<size_t>(nOutputs > 0 ? nOutputs : 0), nullptr);
    for (size_t i = 0; i < mInData.size(); ++i)
        mInChannels.Add(new InChannel)->mSrc = &mInData[i];
    for (size_t i = 0; i < mOutData.size(); ++i)
        mOutChannels.Add(new OutChannel)->mDest = &mOutData[i];
}

IFxBase::~IFxBase()
{
    // The editor's controls point at our parameters: it goes first.
    mGraphics.reset();
}

void IFxBase::Reset()
{
    FxMutexLock lock(mMutex);
}

void IFxBase::OnParamChange(int)
{
    FxMutexLock lock(mMutex);
}

void IFxBase::OnActivate(bool)
{
    FxMutexLock lock(mMutex);
}

void IFxBase::ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames)
{
    int nIn = NInChannels();
    int nOut = NOutChannels();
    for (int c = 0; c < nOut; ++c)
    {
        if (c < nIn)
        {
            if (inputs[c] != outputs[c])
                std::memcpy(outputs[c], inputs[c], static_cast<size_t>(nFrames) * sizeof(double));
        }
        else
            std::memset(outputs[c], 0, static_cast<size_t>(nFrames) * sizeof(double));
    }
}

void IFxBase::ProcessMidiMsg(IMidiMsg* msg)
{
    SendMidiMsg(msg);
}

bool IFxBase::MidiNoteName(int, char* text)
{
    if (text)
        text[0] = '\0';
    return false;
}

bool IFxBase::SendMidiMsgs(std::vector<IMidiMsg>* msgs)
{
    bool allSent = true;
    for (IMidiMsg& msg : *msgs)
        allSent &= SendMidiMsg(&msg);
    return allSent;
}

void IFxBase::SetParameterFromGUI(int paramIdx, double normalizedValue)
{
    IParam* param = GetParam(paramIdx);
    if (!param)
        return;
    {
        FxMutexLock lock(mMutex);
        param->SetNormalized(normalizedValue);
        OnParamChange(paramIdx);
    }
    // The host's edit handler may take its time (writing automation, say); the audio thread must
    // not wait for it, so it is told once the lock is free.
    InformHostOfParamChange(paramIdx, normalizedValue);
}

void IFxBase::SetParameterFromHost(int paramIdx, double normalizedValue)
{
    IParam* param = GetParam(paramIdx);
    if (!param)
        return;
    param->SetNormalized(normalizedValue);
    if (mGraphics)
        mGraphics->SetParameterFromPlug(paramIdx, normalizedValue, true);
    OnParamChange(paramIdx);
}

void IFxBase::AttachGraphics(IEditorLink* graphics)
{
    if (!graphics)
        return;
    FxMutexLock lock(mMutex);
    for (int i = 0; i < NParams(); ++i)
        graphics->SetParameterFromPlug(i, GetParam(i)->GetNormalized(), true);
    graphics->PrepDraw();
    mGraphics.reset(graphics);
}

void IFxBase::RedrawParamControls()
{
    if (!mGraphics)
        return;
    for (int i = 0; i < NParams(); ++i)
        mGraphics->SetParameterFromPlug(i, GetParam(i)->Value(), false);
}

void IFxBase::OnParamReset()
{
    for (int i = 0; i < NParams(); ++i)
        OnParamChange(i);
}

void IFxBase::SetLatency(int samples)
{
    const int before = GetLatency();
    mLatency = samples;
    if (GetLatency() != before)
        InformHostOfLatencyChange();
}

int IFxBase::GetLatency() const
{
    return mLatency.load() + OversamplingLatency(GetOversamplingInEffect());
}

void IFxBase::CreateBypassDelayLine()
{
    mDelay.reset(new ChannelDelayLine(NInChannels(), NOutChannels()));
    mDelayLatency = GetLatency();
    mDelay->SetDelay(mDelayLatency);
}

void IFxBase::SetBlockSize(int blockSize)
{
    if (blockSize < 0)
        blockSize = 0;
    if (blockSize == mBlockSize)
        return;
    // When memory runs out the scratch buffers keep their old size; the block size follows
    // what they can hold so that processing never runs past them.
    bool resized = true;
    for (int i = 0; i < NInChannels(); ++i)
    {
        InChannel* ch = mInChannels.Get(i);
        resized &= ch->mScratchBuf.Resize(blockSize) != nullptr || blockSize == 0;
        ch->mScratchBuf.Zero();
    }
    for (int i = 0; i < NOutChannels(); ++i)
    {
        OutChannel* ch = mOutChannels.Get(i);
        resized &= ch->mScratchBuf.Resize(blockSize) != nullptr || blockSize == 0;
        ch->mScratchBuf.Zero();
    }
    mBlockSize = resized ? blockSize : 0;
}

// ---- host identity and versions

void IFxBase::SetHost(const char* host, int version)
{
    mHost = LookUpHost(host);
    mHostVersion = version;
}

int IFxBase::GetHostVersion(bool decimal)
{
    GetHost();
    return decimal ? GetDecimalVersion(mHostVersion) : mHostVersion;
}

void IFxBase::GetHostVersionStr(char* str)
{
    GetHost();
    GetVersionStr(mHostVersion, str);
}

int IFxBase::GetEffectVersion(bool decimal) const
{
    return decimal ? GetDecimalVersion(mVersion) : mVersion;
}

void IFxBase::GetEffectVersionStr(char* str) const
{
    GetVersionStr(mVersion, str);
}

const char* IFxBase::GetAPIString()
{
    return GetAPIName(GetAPI());
}

// ---- channels

bool IFxBase::LegalIO(int nIn, int nOut) const
{
    for (int i = 0; i < mChannelIO.GetSize(); ++i)
    {
        const ChannelIO* io = mChannelIO.Get(i);
        if ((nIn < 0 || nIn == io->mIn) && (nOut < 0 || nOut == io->mOut))
            return true;
    }
    return false;
}

bool IFxBase::IsInChannelConnected(int chIdx) const
{
    const InChannel* ch = mInChannels.Get(chIdx);
    return ch && ch->mConnected;
}

bool IFxBase::IsOutChannelConnected(int chIdx) const
{
    const OutChannel* ch = mOutChannels.Get(chIdx);
    return ch && ch->mConnected;
}

void IFxBase::SetInputChannelConnections(int idx, int n, bool connected)
{
    for (int i = idx < 0 ? 0 : idx; i < idx + n && i < NInChannels(); ++i)
    {
        InChannel* ch = mInChannels.Get(i);
        ch->mConnected = connected;
        if (!connected)
            *ch->mSrc = ch->mScratchBuf.Get();
    }
}

void IFxBase::SetOutputChannelConnections(int idx, int n, bool connected)
{
    for (int i = idx < 0 ? 0 : idx; i < idx + n && i < NOutChannels(); ++i)
    {
        OutChannel* ch = mOutChannels.Get(i);
        ch->mConnected = connected;
        if (!connected)
            *ch->mDest = ch->mScratchBuf.Get();
    }
}

void IFxBase::SetInputLabel(int idx, const char* label)
{
    if (InChannel* ch = mInChannels.Get(idx))
        ch->mLabel.Set(label);
}

void IFxBase::SetOutputLabel(int idx, const char* label)
{
    if (OutChannel* ch = mOutChannels.Get(idx))
        ch->mLabel.Set(label);
}

const char* IFxBase::GetInputLabel(int idx) const
{
    const InChannel* ch = mInChannels.Get(idx);
    return ch ? ch->mLabel.Get() : "";
}

const char* IFxBase::GetOutputLabel(int idx) const
{
    const OutChannel* ch = mOutChannels.Get(idx);
    return ch ? ch->mLabel.Get() : "";
}

void IFxBase::SetInputBusLabel(int idx, const char* label)
{
    if (idx < 0 || idx > 1)
        return;
    mInputBusLabels.Delete(idx);
    mInputBusLabels.Insert(idx, new FxString(label));
}

void IFxBase::SetOutputBusLabel(int idx, const char* label)
{
    if (idx < 0)
        return;
    mOutputBusLabels.Delete(idx);
    mOutputBusLabels.Insert(idx, new FxString(label));
}

const char* IFxBase::GetInputBusLabel(int idx) const
{
    const FxString* label = mInputBusLabels.Get(idx);
    return label ? label->Get() : "";
}

const char* IFxBase::GetOutputBusLabel(int idx) const
{
    const FxString* label = mOutputBusLabels.Get(idx);
    return label ? label->Get() : "";
}

// ---- buffers

void IFxBase::AttachInputBuffers(int idx, int n, double** ppData, int)
{
    for (int i = idx < 0 ? 0 : idx; i < idx + n && i < NInChannels(); ++i)
    {
        InChannel* ch = mInChannels.Get(i);
        if (ch->mConnected)
            *ch->mSrc = *ppData++;
    }
}

void IFxBase::AttachInputBuffers(int idx, int n, float** ppData, int nFrames)
{
    nFrames = ClampFrames(nFrames);
    for (int i = idx < 0 ? 0 : idx; i < idx + n && i < NInChannels(); ++i)
    {
        InChannel* ch = mInChannels.Get(i);
        if (!ch->mConnected)
            continue;
        double* dst = ch->mScratchBuf.Get();
        if (mLevelMeters)
        {
            if (mWidenedChannels < 0)
            {
                mWidenedLevels = ChannelLevels();
                mWidenedChannels = 0;
            }
            kConverters.widenMeasuring(*ppData++, dst, nFrames, &mWidenedLevels);
            ++mWidenedChannels;
        }
        else
            kConverters.widen(*ppData++, dst, nFrames);
        *ch->mSrc = dst;
    }
}

void IFxBase::AttachOutputBuffers(int idx, int n, double** ppData)
{
    for (int i = idx < 0 ? 0 : idx; i < idx + n && i < NOutChannels(); ++i)
    {
        OutChannel* ch = mOutChannels.Get(i);
        if (ch->mConnected)
            *ch->mDest = *ppData++;
    }
}

void IFxBase::AttachOutputBuffers(int idx, int n, float** ppData)
{
    for (int i = idx < 0 ? 0 : idx; i < idx + n && i < NOutChannels(); ++i)
    {
        OutChannel* ch = mOutChannels.Get(i);
        if (!ch->mConnected)
            continue;
        *ch->mDest = ch->mScratchBuf.Get();
        ch->mFDest = *ppData++;
    }
}

int IFxBase::ClampFrames(int nFrames) const
{
    return nFrames < 0 ? 0 : (nFrames < mBlockSize ? nFrames : mBlockSize);
}

// Narrowed, the output is measured as the host gets it; added to the host's buffers, as the
// plug-in made it (by the caller).
void IFxBase::WriteFloatOutputs(int nFrames, bool accumulate)
{
    ChannelLevels levels;
    int nMeasured = 0;
    for (int i = 0; i < NOutChannels(); ++i)
    {
        OutChannel* ch = mOutChannels.Get(i);
        if (!ch->mConnected || !ch->mFDest)
            continue;
        const double* src = *ch->mDest;
        float* dst = ch->mFDest;
        if (accumulate)
            for (int s = 0; s < nFrames; ++s)
                dst[s] += static_cast<float>(src[s]);
        else if (mLevelMeters && nMeasured < LevelMeters::kMaxChannels)
        {
            kConverters.narrowMeasuring(src, dst, nFrames, &levels);
            ++nMeasured;
        }
        else
            kConverters.narrow(src, dst, nFrames);
    }
    if (mLevelMeters && !accumulate)
        mLevelMeters->Add(LevelMeters::kOutputSide, levels, nMeasured, nFrames, mSampleRate);
}

// The input is measured before processing: a host may hand the same buffer for both.
void IFxBase::ProcessBuffers(double, int nFrames)
{
    nFrames = ClampFrames(nFrames);
    FeedBypassDelay(nFrames);
    if (mLevelMeters && mLevelsInProcessing && mWidenedChannels < 0)
    {
        ProcessMeasuring(nFrames);
        return;
    }
    MeasureLevels(LevelMeters::kInputSide, nFrames);
    ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
    MeasureLevels(LevelMeters::kOutputSide, nFrames);
}

void IFxBase::ProcessBuffers(float, int nFrames)
{
    nFrames = ClampFrames(nFrames);
    FeedBypassDelay(nFrames);
    MeasureLevels(LevelMeters::kInputSide, nFrames);
    ProcessDoubleReplacing(mInData.data(), mOutData.data(), nFrames);
    WriteFloatOutputs(nFrames, false);
}

void IFxBase::ProcessBuffersAccumulating(float, int nFrames)
{
    nFrames = ClampFrames(nFrames);
    ProcessBuffers(0.0, nFrames);
    WriteFloatOutputs(nFrames, true);
}

void IFxBase::PassThroughBuffers(double, int nFrames)
{
    nFrames = ClampFrames(nFrames);
    MeasureLevels(LevelMeters::kInputSide, nFrames);
    PassThrough(nFrames);
    MeasureLevels(LevelMeters::kOutputSide, nFrames);
}

// Every block passes here: the latency is worked out again only when one of the words it derives
// from moved or the host started afresh (the one time the process mode can change).
void IFxBase::FollowLatencyInBypassDelay()
{
    if (!mDelay)
        return;
    const bool restart =
        mDelayRestart.load(std::memory_order_relaxed) && mDelayRestart.exchange(false);
    const int choice = mOversampling.load(std::memory_order_relaxed);
    const int own = mLatency.load(std::memory_order_relaxed);
    if (!restart && choice == mDelayChoice && own == mDelayOwnLatency)
        return;
    mDelayChoice = choice;
    mDelayOwnLatency = own;
    const int latency = GetLatency();
    if (restart || latency != mDelayLatency)
    {
        mDelayLatency = latency;
        mDelay->SetDelay(latency);
    }
}

void IFxBase::FeedBypassDelay(int nFrames)
{
    FollowLatencyInBypassDelay();
    if (mDelay && mDelay->GetDelay() > 0)
        mDelay->Write(mInData.data(), nFrames);
}

void IFxBase::PassThrough(int nFrames)
{
    FollowLatencyInBypassDelay();
    if (mDelay && mDelay->GetDelay() > 0)
    {
        mDelay->Process(mInData.data(), mOutData.data(), nFrames);
        return;
    }
    size_t bytes = static_cast<size_t>(nFrames) * sizeof(double);
    for (int c = 0; c < NOutChannels(); ++c)
    {
        double* out = mOutData[static_cast<size_t>(c)];
        if (c >= NInChannels())
            std::memset(out, 0, bytes);
        else if (mInData[static_cast<size_t>(c)] != out)
            std::memcpy(out, mInData[static_cast<size_t>(c)], bytes);
    }
}

void IFxBase::PassThroughBuffers(float, int nFrames)
{
    nFrames = ClampFrames(nFrames);
    MeasureLevels(LevelMeters::kInputSide, nFrames);
    PassThrough(nFrames);
    WriteFloatOutputs(nFrames, false);
}

void IFxBase::ZeroScratchBuffers()
{
    for (int i = 0; i < NInChannels(); ++i)
        mInChannels.Get(i)->mScratchBuf.Zero();
    for (int i = 0; i < NOutChannels(); ++i)
        mOutChannels.Get(i)->mScratchBuf.Zero();
}

double IFxBase::GetSamplesPerBeat()
{
    double tempo = GetTempo();
    return tempo > 0.0 ? mSampleRate * 60.0 / tempo : 0.0;
}
