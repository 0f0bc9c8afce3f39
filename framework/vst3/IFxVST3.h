#pragma once

#include "framework/core/IFxBase.h"
#include "singlecomponenteffect.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <atomic>
#include <vector>

class IGraphics;
class IFxVST3View;

// Per-instance information from the host's create call; nothing is needed on this platform.
struct IFxInstanceInfo
{
};

// Presents an IFxBase plug-in to a VST 3 host as one single-component effect: the same object is
// processor, controller and unit-info provider.
class IFxVST3 : public IFxBase, public Steinberg::Vst::SingleComponentEffect
{
public:
    using tresult = Steinberg::tresult;
    using ParamID = Steinberg::Vst::ParamID;
    using ParamValue = Steinberg::Vst::ParamValue;

    IFxVST3(IFxInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
            const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
            int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
            bool plugIsInst, int plugScChans);
    ~IFxVST3() override;

    // ---- IFxBase
    void BeginInformHostOfParamChange(int idx) override;
    void InformHostOfParamChange(int idx, double normalizedValue) override;
    void EndInformHostOfParamChange(int idx) override;
    void InformHostOfProgramChange() override;
    void PresetsChangedByHost() override;
    bool IsRenderingOffline() const override;
    bool CanTellOfflineRendering() const override { return true; }
    void InformHostOfOversamplingChange() override;
    int GetSamplePos() override;
    double GetTempo() override;
    void GetTimeSig(int* numerator, int* denominator) override;
    void GetTime(ITimeInfo* timeInfo) override;
    void ResizeGraphics(int width, int height) override;
    void PopupHostContextMenuForParam(int paramIdx, int x, int y) override;
    void InformHostOfLatencyChange() override;
    bool SendMidiMsg(IMidiMsg*) override { return false; }

    // ---- IComponent / IAudioProcessor
    tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    tresult PLUGIN_API terminate() override;
    tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                          Steinberg::int32 numIns,
                                          Steinberg::Vst::SpeakerArrangement* outputs,
                                          Steinberg::int32 numOuts) override;
    tresult PLUGIN_API setActive(Steinberg::TBool state) override;
    // The component state is the same record as the controller state, so a host that keeps only
    // one of them, or restores both in any order, ends with the same settings.
    tresult PLUGIN_API getState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;
    tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
    Steinberg::uint32 PLUGIN_API getLatencySamples() override;
    Steinberg::uint32 PLUGIN_API getTailSamples() override;

    // ---- IEditController
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;
    tresult PLUGIN_API setEditorState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API getEditorState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                        Steinberg::Vst::ParameterInfo& info) override;
    tresult PLUGIN_API setParamNormalized(ParamID tag, ParamValue value) override;
    ParamValue PLUGIN_API getParamNormalized(ParamID tag) override;
    ParamValue PLUGIN_API plainParamToNormalized(ParamID tag, ParamValue plainValue) override;
    tresult PLUGIN_API getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                             Steinberg::Vst::String128 string) override;

    // ---- IUnitInfo
    Steinberg::int32 PLUGIN_API getUnitCount() override;
    tresult PLUGIN_API getUnitInfo(Steinberg::int32 unitIndex,
                                   Steinberg::Vst::UnitInfo& info) override;
    Steinberg::int32 PLUGIN_API getProgramListCount() override { return 0; }
    tresult PLUGIN_API getProgramListInfo(Steinberg::int32 listIndex,
                                          Steinberg::Vst::ProgramListInfo& info) override;
    tresult PLUGIN_API getProgramName(Steinberg::Vst::ProgramListID listId,
                                      Steinberg::int32 programIndex,
                                      Steinberg::Vst::String128 name) override;
    tresult PLUGIN_API getProgramInfo(Steinberg::Vst::ProgramListID, Steinberg::int32,
                                      Steinberg::Vst::CString, Steinberg::Vst::String128) override
    {
        return Steinberg::kNotImplemented;
    }
    tresult PLUGIN_API hasProgramPitchNames(Steinberg::Vst::ProgramListID,
                                            Steinberg::int32) override
    {
        return Steinberg::kNotImplemented;
    }
    tresult PLUGIN_API getProgramPitchName(Steinberg::Vst::ProgramListID, Steinberg::int32,
                                           Steinberg::int16, Steinberg::Vst::String128) override
    {
        return Steinberg::kNotImplemented;
    }
    Steinberg::Vst::UnitID PLUGIN_API getSelectedUnit() override { return 0; }
    tresult PLUGIN_API selectUnit(Steinberg::Vst::UnitID) override
    {
        return Steinberg::kNotImplemented;
    }
    tresult PLUGIN_API getUnitByBus(Steinberg::Vst::MediaType, Steinberg::Vst::BusDirection,
                                    Steinberg::int32, Steinberg::int32,
                                    Steinberg::Vst::UnitID&) override
    {
        return Steinberg::kNotImplemented;
    }
    tresult PLUGIN_API setUnitProgramData(Steinberg::int32, Steinberg::int32,
                                          Steinberg::IBStream*) override
    {
        return Steinberg::kNotImplemented;
    }

    OBJ_METHODS(IFxVST3, SingleComponentEffect)
    tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override
    {
        return SingleComponentEffect::queryInterface(iid, obj);
    }
    REFCOUNT_METHODS(SingleComponentEffect)

    // The editor graphics context, or null when the plug-in has none.
    IGraphics* GetEditor() const;
    // Views made by createView and not yet destroyed, oldest first.
    const std::vector<IFxVST3View*>& GetOpenViews() const { return mViews; }
    // Called by a view that is being destroyed: the list is emptied as a whole.
    void ForgetViews() { mViews.clear(); }

private:
    class AnnouncementHold;

    static constexpr ParamID kPresetParam = 0x70727374; // 'prst'
    static constexpr ParamID kBypassParam = 0x62706173; // 'bpas'

    tresult WriteState(Steinberg::IBStream* state);
    tresult ReadState(Steinberg::IBStream* state);
    // The saved record in memory, under the plug-in mutex: the state chunk, then the bypass flag
    // as a 32-bit integer, then the settings of the session when they are not at their defaults.
    // Fails when SerializeState does or memory runs out.
    bool BuildStateRecord(ByteChunk* record);
    // Applies a record read from the host (all the bytes its stream held) under the plug-in
    // mutex. The chunk is as long as the present state; bytes missing from it keep the present
    // values, and without a whole bypass flag the restore fails once the values are applied.
    tresult ApplyStateRecord(const ByteChunk& bytes);
    // Restores that may change values ask the host to re-read them all, and a new latency to
    // re-read it, on the thread the host called from once the outermost call ends; inside process
    // the request waits for the next controller call, since hosts take it on their UI thread only.
    void AnnounceValuesChanged();
    void AnnounceRestart(Steinberg::int32 flags);
    void DeliverRestarts();
    void ReportPresetValues(Steinberg::Vst::IParameterChanges* out);
    void ApplyParameterChanges(Steinberg::Vst::IParameterChanges* changes,
                               Steinberg::Vst::IParameterChanges* out);
    void ApplyEvents(Steinberg::Vst::IEventList* events);
    template <class Sample>
    void ProcessSlice(Steinberg::Vst::ProcessData& data, int offset, int nFrames);
    template <class Sample>
    void ConnectInputs(Steinberg::Vst::ProcessData& data, int offset, int nFrames);
    template <class Sample> void ConnectOutputs(Steinberg::Vst::ProcessData& data, int offset);
    void NoteDeliveredInputs(int count);
    void AddMainBuses();
    void AddParameters();

    int mScChans;
    bool mSidechainActive = false;
    // Main-input channels the host delivered in the last block.
    int mDeliveredInputs = 0;
    Steinberg::Vst::ProcessContext mProcessContext = {};
    std::vector<IFxVST3View*> mViews;
    // Restart flags waiting to be delivered.
    std::atomic<Steinberg::int32> mRestarts{0};
    // The process mode of the last setup is offline; read by the editor's thread for the latency.
    std::atomic<bool> mOffline{false};
};
