// The parameters as the host sees them: registration, values, texts, units and the program list.
#include "IFxVST3.h"

#include "HostStrings.h"
#include "IFxParameter.h"

#include "public.sdk/source/vst/vstparameters.h"

#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

void IFxVST3::AddParameters()
{
    if (NPresets())
        parameters.addParameter(HostString("Preset").units, nullptr, NPresets(), 0,
                                ParameterInfo::kIsProgramChange, kPresetParam, kRootUnitId);
    if (!IsInst())
    {
        auto* bypass = new StringListParameter(
            HostString("Bypass").units, kBypassParam, nullptr,
            ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass,
            kRootUnitId);
        bypass->appendString(HostString("off").units);
        bypass->appendString(HostString("on").units);
        parameters.addParameter(bypass);
    }
    for (int i = 0; i < NParams(); ++i)
    {
        IParam* param = GetParam(i);
        const char* group = param->GetParamGroupForHost();
        int unitID = 0;
        if (group[0])
        {
            for (int g = 0; g < mParamGroups.GetSize(); ++g)
                if (!std::strcmp(mParamGroups.Get(g)->Get(), group))
                    unitID = g + 1;
            if (!unitID)
            {
                mParamGroups.Add(new FxString(group));
                unitID = mParamGroups.GetSize();
            }
        }
        parameters.addParameter(new IFxParameter(param, static_cast<ParamID>(i), unitID));
    }
}

// The SDK's parameter container looks the index up with a range-checked access that throws;
// an index a host gets wrong is answered here instead of throwing across the module boundary.
tresult PLUGIN_API IFxVST3::getParameterInfo(int32 paramIndex, ParameterInfo& info)
{
    if (paramIndex < 0 || paramIndex >= parameters.getParameterCount())
        return kResultFalse;
    return SingleComponentEffect::getParameterInfo(paramIndex, info);
}

tresult PLUGIN_API IFxVST3::setParamNormalized(ParamID tag, ParamValue value)
{
    if (tag >= static_cast<ParamID>(NParams()))
        return kResultFalse;
    GetParam(static_cast<int>(tag))->SetNormalized(value);
    return kResultOk;
}

ParamValue PLUGIN_API IFxVST3::getParamNormalized(ParamID tag)
{
    DeliverRestarts();
    if (tag == kBypassParam)
        return GetIsBypassed() ? 1.0 : 0.0;
    if (tag < static_cast<ParamID>(NParams()))
        return GetParam(static_cast<int>(tag))->GetNormalized();
    return 0.0;
}

ParamValue PLUGIN_API IFxVST3::plainParamToNormalized(ParamID tag, ParamValue plainValue)
{
    if (tag < static_cast<ParamID>(NParams()))
        return GetParam(static_cast<int>(tag))->GetNormalized(plainValue);
    return plainValue;
}

tresult PLUGIN_API IFxVST3::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                  String128 string)
{
    if (tag >= static_cast<ParamID>(NParams()) || !string)
        return kResultFalse;
    char text[IParam::kTextLen];
    GetParam(static_cast<int>(tag))->GetDisplayForHost(valueNormalized, true, text, true);
    WidenToHost(text, string);
    return kResultOk;
}

int32 PLUGIN_API IFxVST3::getUnitCount()
{
    return mParamGroups.GetSize() + 1;
}

tresult PLUGIN_API IFxVST3::getUnitInfo(int32 unitIndex, UnitInfo& info)
{
    if (unitIndex == 0)
    {
        info.id = kRootUnitId;
        info.parentUnitId = kNoParentUnitId;
        WidenToHost("Root Unit", info.name);
        info.programListId = kNoProgramListId;
        return kResultOk;
    }
    if (unitIndex < 0 || unitIndex > mParamGroups.GetSize())
        return kResultFalse;
    info.id = unitIndex;
    info.parentUnitId = kRootUnitId;
    WidenToHost(mParamGroups.Get(unitIndex - 1)->Get(), info.name);
    info.programListId = kNoProgramListId;
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info)
{
    if (listIndex != 0)
        return kResultFalse;
    info.id = kPresetParam;
    info.programCount = NPresets();
    WidenToHost("Factory Presets", info.name);
    return kResultOk;
}

tresult PLUGIN_API IFxVST3::getProgramName(ProgramListID listId, int32 programIndex, String128 name)
{
    if (listId != static_cast<ProgramListID>(kPresetParam) || !name)
        return kResultFalse;
    WidenToHost(GetPresetName(programIndex), name);
    return kResultOk;
}
