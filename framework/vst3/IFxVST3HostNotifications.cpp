// What the plug-in tells the host: edits, changed values and presets, latency, a changed session.
#include "IFxVST3.h"

#include "HostCallGuards.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

void IFxVST3::AnnounceValuesChanged()
{
    AnnounceRestart(kParamValuesChanged);
}

void IFxVST3::AnnounceRestart(int32 flags)
{
    mRestarts |= flags;
    DeliverRestarts();
}

void IFxVST3::DeliverRestarts()
{
    if (gInProcess || gHostCallDepth > 0)
        return;
    const int32 flags = mRestarts.exchange(0);
    if (flags && componentHandler)
        componentHandler->restartComponent(flags);
}

void IFxVST3::PresetsChangedByHost()
{
    AnnounceValuesChanged();
}

void IFxVST3::InformHostOfProgramChange()
{
    AnnounceValuesChanged();
}

void IFxVST3::BeginInformHostOfParamChange(int idx)
{
    beginEdit(static_cast<ParamID>(idx));
}

void IFxVST3::InformHostOfParamChange(int idx, double normalizedValue)
{
    performEdit(static_cast<ParamID>(idx), normalizedValue);
}

void IFxVST3::EndInformHostOfParamChange(int idx)
{
    endEdit(static_cast<ParamID>(idx));
}

void IFxVST3::InformHostOfLatencyChange()
{
    AnnounceRestart(kLatencyChanged);
}

// The project changed without a parameter telling the host so. The SDK's controller keeps the
// handler's IComponentHandler2 when the host offers one.
void IFxVST3::InformHostOfOversamplingChange()
{
    if (componentHandler2)
        componentHandler2->setDirty(true);
}
