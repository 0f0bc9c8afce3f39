// What the fuzz targets of the plug-in share: a VELTAR object as a host holds it, a plug-in base
// without a host, and the host's side of a processing call.
#pragma once

#include "FuzzCheck.h"

#include "framework/core/testing/StandInAdapter.h"
#include "framework/vst3/IFxVST3.h"

#include "pluginterfaces/vst/ivstparameterchanges.h"

#include <memory>
#include <vector>

namespace fuzzsupport
{

struct PlugRelease
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};
using PlugPtr = std::unique_ptr<IFxVST3, PlugRelease>;

// The plug-in base with a host side that does nothing, for the operations no host is involved in.
// Its parameters are doubles with ranges that differ from parameter to parameter.
class CoreAdapter : public StandInAdapter
{
public:
    static constexpr int kUniqueID = 0x46757a31; // 'Fuz1'

    CoreAdapter(int nParams, int nPresets, bool doesChunks);
};

// A new VELTAR object after initialize, as a host has it before any other call.
PlugPtr MakeInitialisedPlug();

// One VELTAR object for the whole run, brought back to the state and presets it had after
// initialize. Making a new object per input costs more than most inputs do; the targets that
// depend on nothing but the state and presets use this one.
IFxVST3& PlugAtBaseline();

// One VELTAR object for the whole run, brought back to how a new object stands after initialize:
// deactivated, terminated and initialised again, set up as the SDK sets up a new object, its
// transport cleared by a block of no frames, and its signal chain restarted. Each input then
// meets the same object, whatever the inputs before it did.
IFxVST3& PlugRestarted();

// Every parameter holds a finite value inside its range.
void CheckParams(IFxBase& plug);

// The controller state saves as 60 bytes that restore to themselves.
void CheckStateRoundTrips(IFxVST3& plug);

// One block of silence-free test tone through a stereo 64-bit setup with the main buses switched
// on; the output must be finite. Answers the output, left channel then right.
std::vector<double> CheckProcessesFinite(IFxVST3& plug);

// The changes of one block, with any parameter ID and any value, one point per queue.
class ParamChanges final : public Steinberg::Vst::IParameterChanges
{
public:
    void Add(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value, int nPoints);
    void Clear() { mQueues.clear(); }

    Steinberg::int32 PLUGIN_API getParameterCount() override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID&,
                                                                  Steinberg::int32&) override
    {
        return nullptr;
    }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override;
    // Lives on the caller's stack; reference counting is not needed.
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

private:
    class Queue final : public Steinberg::Vst::IParamValueQueue
    {
    public:
        Queue(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value, int nPoints)
            : mId(id), mValue(value), mPoints(nPoints)
        {
        }
        Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return mId; }
        Steinberg::int32 PLUGIN_API getPointCount() override { return mPoints; }
        Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index,
                                               Steinberg::int32& sampleOffset,
                                               Steinberg::Vst::ParamValue& value) override;
        Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32, Steinberg::Vst::ParamValue,
                                               Steinberg::int32&) override
        {
            return Steinberg::kResultFalse;
        }
        Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID, void** obj) override;
        Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
        Steinberg::uint32 PLUGIN_API release() override { return 1; }

    private:
        Steinberg::Vst::ParamID mId;
        Steinberg::Vst::ParamValue mValue;
        int mPoints;
    };
    std::vector<std::unique_ptr<Queue>> mQueues;
};

} // namespace fuzzsupport
