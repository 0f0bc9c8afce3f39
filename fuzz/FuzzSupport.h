// What the fuzz targets of the plug-in share: a VELTAR object as a host holds it, a plug-in base
// without a host, and the host's side of a processing call.
#pragma once

#include "FuzzCheck.h"

#include "framework/core/testing/StandInAdapter.h"
#include "framework/vst3/IFxVST3.h"

#include "ParameterChanges.h"

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
// The oversampling choice is one the plug-in offers, and the latency the host reads is its own.
void CheckOversampling(IFxVST3& plug);

// One block of silence-free test tone through a stereo 64-bit setup with the main buses switched
// on, with these changes if any; the output must be finite. Answers the output, left channel then
// right.
std::vector<double> CheckProcessesFinite(IFxVST3& plug,
                                         Steinberg::Vst::IParameterChanges* changes = nullptr);

// The changes of one block, with any parameter ID and any value, as a careless host sends them:
// a queue of its own for every Add, even for an ID that has one already.
class ParamChanges : public vst3host::ParameterChanges
{
public:
    // A queue of nPoints points (none for nPoints < 1) at offsets 0, 1, ..., all of value.
    void Add(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value, int nPoints);
};

} // namespace fuzzsupport
