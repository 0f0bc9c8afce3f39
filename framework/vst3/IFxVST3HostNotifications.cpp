// What the plug-in tells the host: edits, changed values and presets, latency.
#include "IFxVST3.h"

#include "HostCallGuards.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

void IFxVST3::AnnounceValuesChanged()
{
    mValuesChanged = true;
    DeliverValuesChanged();
}

void IFxVST3::DeliverValuesChanged()
{
    if (gInProcess || gHostCallDepth > 0)
        return;
    if (mValuesChanged.exchange(false) && componentHandler)
        componentHandler->restartComponent(kParamValuesChanged);
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

void IFxVST3::SetLatency(int samples)
{
    IFxBase::SetLatency(samples);
    if (componentHandler)
        componentHandler->restartComponent(kLatencyChanged);
}
