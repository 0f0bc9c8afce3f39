#pragma once

#include "framework/core/ChannelDelayLine.h"
#include "framework/core/Containers.h"
#include "framework/core/Hosts.h"
#include "framework/core/IEditorLink.h"
#include "framework/core/IFxStructs.h"
#include "framework/core/IParam.h"
#include "framework/core/LevelMeters.h"
#include "framework/core/Oversampling.h"
#include "util/fxstring.h"
#include "util/heapbuf.h"
#include "util/mutex.h"
#include "util/ptrlist.h"
#include "util/sharedvalue.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

// One stored setting of the plug-in: a name and the state bytes SerializeState wrote.
struct IPreset
{
    static constexpr int kNameLen = 256;

    IPreset();
    void SetName(const char* name);

    bool mInitialized = false;
    char mName[kNameLen];
    ByteChunk mChunk;
};

// The host-neutral half of every plug-in: parameters, presets, channel configuration and buffer
// dispatch, state chunks, host identity and the attached editor. A host adapter derives from it
// and implements the pure operations; the plug-in derives from the adapter and overrides the
// processing hooks and the On... hooks.
class IFxBase
{
public:
    struct ChannelIO
    {
        int mIn;
        int mOut;
    };

    struct InChannel
    {
        bool mConnected = false;
        double** mSrc = nullptr;
        FxTypedBuf<double> mScratchBuf;
        FxString mLabel;
    };

    struct OutChannel
    {
        bool mConnected = false;
        double** mDest = nullptr;
        float* mFDest = nullptr;
        FxTypedBuf<double> mScratchBuf;
        FxString mLabel;
    };

    static constexpr int kNameLen = 128;

    IFxBase(int nParams, const char* channelIOStr, int nPresets, const char* effectName,
            const char* productName, const char* mfrName, int vendorVersion, int uniqueID,
            int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks, bool plugIsInst,
            EAPI plugAPI);
    virtual ~IFxBase();
    IFxBase(const IFxBase&) = delete;
    IFxBase& operator=(const IFxBase&) = delete;

    // ---- hooks a plug-in overrides
    virtual void Reset();
    virtual void OnParamChange(int paramIdx);
    virtual void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames);
    virtual void OnGUIOpen() {}
    virtual void OnGUIClose() {}
    virtual void OnIdle() {}
    virtual void OnActivate(bool active);
    virtual void ProcessMidiMsg(IMidiMsg* msg);
    virtual void ProcessSysEx(ISysEx*) {}
    virtual bool MidiNoteName(int noteNumber, char* text);
    virtual bool SerializeState(ByteChunk* chunk);
    virtual int UnserializeState(const ByteChunk* chunk, int startPos);
    virtual bool CompareState(const unsigned char* incomingState, int startPos);
    virtual void OnWindowResize() {}
    virtual bool HostRequestingAboutBox() { return false; }
    virtual void OnHostIdentified() {}
    virtual void PopupHostContextMenuForParam(int, int, int) {}

    // ---- editor and host communication
    virtual void SetParameterFromGUI(int paramIdx, double normalizedValue);
    // A value the host sets: the parameter, the editor's control and OnParamChange. The caller
    // holds the plug-in mutex and has dropped values that are not numbers.
    void SetParameterFromHost(int paramIdx, double normalizedValue);
    virtual void BeginInformHostOfParamChange(int paramIdx) = 0;
    virtual void InformHostOfParamChange(int paramIdx, double normalizedValue) = 0;
    virtual void EndInformHostOfParamChange(int paramIdx) = 0;
    virtual void InformHostOfProgramChange() = 0;
    virtual bool IsRenderingOffline() const { return false; }
    virtual int GetSamplePos() = 0;
    virtual double GetTempo() = 0;
    virtual void GetTimeSig(int* numerator, int* denominator) = 0;
    virtual void GetTime(ITimeInfo* timeInfo) = 0;
    virtual EHost GetHost() { return mHost; }
    virtual EAPI GetAPI() { return mAPI; }
    virtual void ResizeGraphics(int width, int height) = 0;
    virtual void HostSpecificInit() {}
    // Takes ownership of the editor.
    virtual void AttachGraphics(IEditorLink* graphics);
    // The plug-in's own latency, before any oversampling adds its filters' delay. Any thread: the
    // bypass delay line follows at the next block, on the audio thread, without
    // allocating up to the longest latency reserved by OfferOversampling.
    void SetLatency(int samples);
    // The latency the host reads changed through SetLatency or an oversampling choice.
    virtual void InformHostOfLatencyChange() {}
    virtual bool SendMidiMsg(IMidiMsg* msg) = 0;
    virtual bool SendSysEx(ISysEx*) { return false; }
    virtual void RedrawParamControls();
    virtual void DirtyPTCompareState() {}
    virtual void PresetsChangedByHost() {}
    virtual void SetBlockSize(int blockSize);

    bool SendMidiMsgs(std::vector<IMidiMsg>* msgs);

    // ---- oversampling, for plug-ins that can run their processing at a multiple of the host rate
    // The largest factor the plug-in offers; 0 when it offers none.
    int GetMaxOversampling() const { return mMaxOversampling; }
    // Any thread, without a lock: the audio thread reads it once a block.
    OversamplingChoice GetOversampling() const;
    // A choice of offered factors (anything else is refused and changes nothing), from a restored
    // state or the host: the processing follows from the next block, the latency at once.
    bool SetOversampling(const OversamplingChoice& choice);
    // The user's choice in the editor, which the host is also told of.
    void SetOversamplingFromGUI(const OversamplingChoice& choice);
    // The factor a block runs at now: the offline one while the host renders offline.
    int GetOversamplingInEffect() const;
    // The plug-in's latency in host frames when it runs at factor.
    virtual int OversamplingLatency(int /*factor*/) const { return 0; }
    virtual void InformHostOfOversamplingChange() {}
    // Whether the host says when it renders offline, so that an offline factor can apply.
    virtual bool CanTellOfflineRendering() const { return false; }
    // The settings of the session that follow the state record in a host's project (none at their
    // defaults), and applying them from the bytes after a record (no bytes, or bytes this build
    // cannot read: the defaults).
    void AppendStateExtension(ByteChunk* chunk) const;
    void ApplyStateExtension(const unsigned char* data, size_t size);

    // ---- plain readers
    int NParams() const { return mParams.GetSize(); }
    IParam* GetParam(int idx) const { return mParams.Get(idx); }
    IEditorLink* GetGUI() const { return mGraphics.get(); }
    const char* GetEffectName() const { return mEffectName; }
    const char* GetProductName() const { return mProductName; }
    const char* GetMfrName() const { return mMfrName; }
    int GetUniqueID() const { return mUniqueID; }
    int GetMfrID() const { return mMfrID; }
    double GetSampleRate() const { return mSampleRate; }
    int GetBlockSize() const { return mBlockSize; }
    // Derived from the choice in effect whenever it is read, so that no thread can leave behind
    // the latency of a choice another thread has since replaced.
    int GetLatency() const;
    int GetTailSize() const { return mTailSize; }
    bool IsInst() const { return mIsInst; }
    bool DoesMIDI() const { return mDoesMIDI; }
    bool DoesStateChunks() const { return mStateChunks; }
    bool GetIsBypassed() const { return mIsBypassed.Get(); }
    void SetIsBypassed(bool bypassed) { mIsBypassed.Set(bypassed); }
    FxMutex& GetMutex() { return mMutex; }

    // ---- host identity and versions
    void SetHost(const char* host, int version);
    int GetHostVersion(bool decimal);
    void GetHostVersionStr(char* str);
    int GetEffectVersion(bool decimal) const;
    void GetEffectVersionStr(char* str) const;
    const char* GetAPIString();
    const char* GetArchString() const { return "x64"; }

    // ---- channels and buffers
    bool LegalIO(int nIn, int nOut) const;
    int NInChannels() const { return mInChannels.GetSize(); }
    int NOutChannels() const { return mOutChannels.GetSize(); }
    bool IsInChannelConnected(int chIdx) const;
    bool IsOutChannelConnected(int chIdx) const;
    void SetInputChannelConnections(int idx, int n, bool connected);
    void SetOutputChannelConnections(int idx, int n, bool connected);
    void SetInputLabel(int idx, const char* label);
    void SetOutputLabel(int idx, const char* label);
    const char* GetInputLabel(int idx) const;
    const char* GetOutputLabel(int idx) const;
    void SetInputBusLabel(int idx, const char* label);
    void SetOutputBusLabel(int idx, const char* label);
    const char* GetInputBusLabel(int idx) const;
    const char* GetOutputBusLabel(int idx) const;

    void SetSampleRate(double sampleRate) { mSampleRate = sampleRate; }
    // The attach and process operations handle at most GetBlockSize() frames; a larger count is
    // cut to the block size so that no scratch buffer is overrun (the adapter splits such blocks).
    void AttachInputBuffers(int idx, int n, double** ppData, int nFrames);
    void AttachInputBuffers(int idx, int n, float** ppData, int nFrames);
    void AttachOutputBuffers(int idx, int n, double** ppData);
    void AttachOutputBuffers(int idx, int n, float** ppData);
    void ProcessBuffers(double sampleType, int nFrames);
    void ProcessBuffers(float sampleType, int nFrames);
    void ProcessBuffersAccumulating(float sampleType, int nFrames);
    void PassThroughBuffers(double sampleType, int nFrames);
    void PassThroughBuffers(float sampleType, int nFrames);
    void ZeroScratchBuffers();
    double GetSamplesPerBeat();

    // ---- level meters
    // From now on every block's input and output are measured (the connected channels, at the
    // host's rate, also while bypassed; a 32-bit host's samples as it gives and gets them, while
    // they are converted) for meters to read. A plug-in that shows meters calls it in its
    // constructor.
    void EnableLevelMeters();
    LevelMeters* GetLevelMeters() const { return mLevelMeters.get(); }
    // A plug-in whose processing passes every sample anyway calls it in its constructor, after
    // EnableLevelMeters, to measure the levels there, where the work costs least: for a 64-bit
    // block the base then measures nothing itself, and ProcessDoubleReplacing fills the levels
    // LevelsToMeasure points to.
    void MeasureLevelsInProcessing() { mLevelsInProcessing = true; }

    // ---- state and presets
    bool SerializeParams(ByteChunk* chunk);
    int UnserializeParams(const ByteChunk* chunk, int startPos);
    void DirtyParameters();
    void OnParamReset();

    int NPresets() const { return mPresets.GetSize(); }
    int GetCurrentPresetIdx() const { return mCurrentPresetIdx; }
    const char* GetPresetName(int idx) const;
    IPreset* GetPreset(int idx) const { return mPresets.Get(idx); }
    void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
    void EnsureDefaultPreset();
    void MakePreset(const char* name, ...);
    void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
    void MakePresetFromChunk(const char* name, const ByteChunk* chunk);
    void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
    void PruneUninitializedPresets();
    bool RestorePreset(int idx);
    bool RestorePreset(const char* name);
    void ModifyCurrentPreset(const char* name = nullptr);
    bool SerializePresets(ByteChunk* chunk);
    int UnserializePresets(const ByteChunk* chunk, int startPos);

    bool DumpPresetSrcCode(const char* filename, const char* const* paramEnumNames);
    bool DumpPresetBlob(const char* filename);
    bool DumpBankBlob(const char* filename);

    // ---- program (.fxp) and bank (.fxb) files
    // Plug-ins that do state chunks store their state blocks; others one normalised float per
    // parameter. The savers fail only for an empty path or a file that cannot be written; the
    // loaders fail for a rejected file and then leave parameters and presets as they were.
    bool SaveProgramAsFXP(const FxString& path);
    bool SaveBankAsFXB(const FxString& path);
    bool LoadProgramFromFXP(const FxString& path);
    bool LoadBankFromFXB(const FxString& path);
    // The same on bytes in memory; the file operations are one read or write around these. The
    // savers replace the chunk's contents and fail only when memory runs out.
    bool SaveProgramToChunk(ByteChunk* file);
    bool SaveBankToChunk(ByteChunk* file);
    bool LoadProgramFromMemory(const unsigned char* data, size_t size);
    bool LoadBankFromMemory(const unsigned char* data, size_t size);

    static IPreset* GetNextUninitializedPreset(FxPtrList<IPreset>* presets);
    static void MakeDefaultUserPresetName(FxPtrList<IPreset>* presets, char* str);

    // Group names of the parameters, kept for the host adapter's units.
    FxPtrList<FxString> mParamGroups;

protected:
    void CreateBypassDelayLine();
    // Any thread, when the host starts processing afresh: the bypass delay line forgets what it
    // holds at the next block, on the audio thread, so that nothing from before (a host's
    // non-finite samples included) comes out after the restart.
    void RestartBypassDelay() { mDelayRestart = true; }
    // Called in the plug-in's constructor: factors 2, 4 ... up to maxFactor become choices, and
    // the bypass delay line gets room for the longest latency among them.
    void OfferOversampling(int maxFactor);
    // During ProcessDoubleReplacing: where the levels of the block's channels of a side go, one
    // entry per channel of the plug-in, every one to be filled; null when this block is measured
    // elsewhere or not at all.
    ChannelLevels* LevelsToMeasure(int side);
    FxPtrList<IPreset>* GetPresetList() { return &mPresets; }

    FxMutex mMutex;

private:
    struct Snapshot;

    // The first free preset, marked initialised and named; null when every preset is in use.
    IPreset* TakeFreePreset(const char* name);
    int ClampFrames(int nFrames) const;
    // The connected channels of a side the meters count (the first LevelMeters::kMaxChannels),
    // into indices; answers how many.
    int MeteredChannels(int side, int* indices) const;
    void MeasureLevels(int side, int nFrames);
    void ProcessMeasuring(int nFrames);
    void PassThrough(int nFrames);
    // On the audio thread: the bypass delay line takes the latency in effect, or starts silent
    // after a restart, and takes in a block the plug-in processes.
    void FollowLatencyInBypassDelay();
    void FeedBypassDelay(int nFrames);
    void WriteFloatOutputs(int nFrames, bool accumulate);
    bool LoadProgramChunk(const unsigned char* block, int size);
    bool LoadBankChunk(const unsigned char* block, int size);
    // Unserialises a state block with the given reader; a rejected block changes nothing.
    bool LoadStateBlock(const unsigned char* block, int size,
                        int (IFxBase::*unserialize)(const ByteChunk*, int));
    // Walks the program records of a parameter-form bank; checks them only, or loads them.
    bool VisitParamBank(const unsigned char* data, size_t size, int numPrograms, bool apply);
    void EndProgramLoad(int presetIdx);
    void TakeSnapshot(Snapshot* snapshot);
    void RestoreSnapshot(const Snapshot& snapshot);

    FxPtrList<ChannelIO> mChannelIO;
    char mEffectName[kNameLen];
    char mProductName[kNameLen];
    char mMfrName[kNameLen];
    int mUniqueID;
    int mMfrID;
    int mVersion;
    EAPI mAPI;
    EHost mHost = kHostUninit;
    int mHostVersion = 0;
    bool mStateChunks;
    bool mIsInst;
    bool mDoesMIDI;
    // Read by the host's UI thread without a lock, set by the audio thread.
    FxSharedValue<bool> mIsBypassed = false;
    int mCurrentPresetIdx = 0;
    double mSampleRate = 44100.0;
    int mBlockSize = 0;
    std::atomic<int> mLatency;
    int mTailSize = 0;
    std::unique_ptr<ChannelDelayLine> mDelay;
    // The latency the delay line was last set for, and the words it was worked out from; the audio
    // thread's own once processing runs.
    int mDelayLatency = 0;
    int mDelayChoice = -1;
    int mDelayOwnLatency = -1;
    std::atomic<bool> mDelayRestart{false};
    int mMaxOversampling = 0;
    // The realtime factor in the low 16 bits, the offline one above: one word, so that a reader
    // never sees half of a change.
    std::atomic<int> mOversampling{1};
    std::unique_ptr<IEditorLink> mGraphics;
    std::unique_ptr<LevelMeters> mLevelMeters;
    // The levels of the 32-bit input channels the last attach widened, and how many; -1 when
    // none were (64-bit input is measured where it is processed).
    ChannelLevels mWidenedLevels;
    int mWidenedChannels = -1;
    bool mLevelsInProcessing = false;
    // The levels the processing measures, channel by channel (input, output), and whether it is
    // asked to.
    std::vector<ChannelLevels> mProcessLevels[2];
    bool mMeasuringInProcessing = false;
    FxPtrList<IParam> mParams;
    FxPtrList<IPreset> mPresets;
    std::vector<double*> mInData;
    std::vector<double*> mOutData;
    FxPtrList<InChannel> mInChannels;
    FxPtrList<OutChannel> mOutChannels;
    FxPtrList<FxString> mInputBusLabels;
    FxPtrList<FxString> mOutputBusLabels;
};
