#pragma once

#include "framework/core/IFxBase.h"
#include "framework/lv2/LV2Ports.h"
#include "lv2/core/lv2.h"

#include <cstdint>
#include <vector>

// Per-instance information from the host; nothing is needed on this platform.
struct IFxInstanceInfo
{
};

// The data of the feature with that URI in a host's null-terminated feature list; null when the
// host does not offer it.
const void* FindLV2Feature(const LV2_Feature* const* features, const char* uri);

// Where an editor's edits go when the plug-in object serves an LV2 UI: the host's port writes and
// touch notifications. Port numbers follow LV2PortLayout.
class ILV2PortWriter
{
public:
    virtual void WritePort(uint32_t port, float value) = 0;
    virtual void TouchPort(uint32_t port, bool grabbed) = 0;

protected:
    ~ILV2PortWriter() = default;
};

// Presents an IFxBase plug-in to an LV2 host: the entry points of the module call the LV2-side
// operations below on the instance. The same class serves the editor's own plug-in object in the
// UI module, which never processes audio and reports edits through a port writer instead.
class IFxLV2 : public IFxBase
{
public:
    IFxLV2(IFxInstanceInfo instanceInfo, int nParams, const char* channelIOStr, int nPresets,
           const char* effectName, const char* productName, const char* mfrName, int vendorVersion,
           int uniqueID, int mfrID, int latency, bool plugDoesMidi, bool plugDoesChunks,
           bool plugIsInst, int plugScChans);
    ~IFxLV2() override;

    // ---- IFxBase
    void BeginInformHostOfParamChange(int idx) override;
    void InformHostOfParamChange(int idx, double normalizedValue) override;
    void EndInformHostOfParamChange(int idx) override;
    void InformHostOfProgramChange() override {}
    int GetSamplePos() override { return 0; }
    double GetTempo() override { return 0.0; }
    void GetTimeSig(int* numerator, int* denominator) override;
    void GetTime(ITimeInfo* timeInfo) override;
    void InformHostOfOversamplingChange() override;
    void ResizeGraphics(int, int) override {}
    bool SendMidiMsg(IMidiMsg*) override { return false; }

    // ---- the LV2 instance
    // Prepares the instance for nChannels audio inputs and outputs at sampleRate; false when the
    // plug-in has no such channel configuration or the rate is not a positive number.
    bool Instantiate(int nChannels, double sampleRate, const LV2_Feature* const* features);
    void ConnectPort(uint32_t port, void* data);
    void Activate();
    void Deactivate();
    void Run(uint32_t nFrames);
    const LV2PortLayout& Ports() const { return mPorts; }
    // The port order of the variant with nChannels audio inputs and outputs.
    LV2PortLayout PortLayout(int nChannels) const;

    // The state record, as the VST 3 controller state holds it: the plug-in's state chunk, the
    // bypass flag as a 32-bit integer and the settings of the session after them. Restoring refuses
    // (false) a record that is too short and then changes nothing.
    bool SaveStateRecord(ByteChunk* record);
    bool LoadStateRecord(const void* data, size_t size);

    // For the UI module's plug-in object, which never processes: serves the editor of the variant
    // with nChannels audio inputs and outputs, whose edits go to writer; false when the plug-in
    // has no such variant. OnPortValue takes a value the host reports for a port.
    bool ServeEditor(int nChannels, ILV2PortWriter* writer);
    void OnPortValue(uint32_t port, float value);

private:
    void ApplyControls();
    void ApplyOversampling(float portValue);
    // Sets a parameter from a plain value the host gave, as a VST 3 host value is set.
    void ApplyPlainValue(int paramIdx, double plainValue);
    void ProcessSlice(uint32_t offset, int nFrames);
    // Moves the peak readings on by a run of nFrames and writes the meters' output ports.
    void WriteMeterPorts(uint32_t nFrames);

    LV2PortLayout mPorts;
    std::vector<float*> mAudio;
    std::vector<const float*> mControls;
    const float* mEnabled = nullptr;
    float* mMeterPorts[kLV2NumMeterPorts] = {};
    // The highest peak of the slices of one run, and the peak readings the output ports show.
    double mRunPeak[LevelMeters::kNumSides] = {};
    PeakHold mPortPeaks[LevelMeters::kNumSides];
    // The editor's plug-in object: the meter port values the host reported last.
    float mReportedLevels[kLV2NumMeterPorts];
    const float* mOversampling = nullptr;
    float* mLatency = nullptr;
    // The control values last applied.
    std::vector<float> mApplied;
    float mAppliedEnabled = 1.0f;
    float mAppliedOversampling = 1.0f;
    // Bit c set: audio input c was connected in the last slice.
    unsigned mConnectedInputs = 0;
    ILV2PortWriter* mWriter = nullptr;
};
