#include "IFxParameter.h"

#include "HostStrings.h"

#include <cmath>
#include <cstdlib>

using namespace Steinberg;
using namespace Steinberg::Vst;

IFxParameter::IFxParameter(IParam* param, ParamID tag, UnitID unitID) : mIParam(param)
{
    info.id = tag;
    WidenToHost(param->GetNameForHost(), info.title);
    WidenToHost("", info.shortTitle);
    WidenToHost(param->GetLabelForHost(), info.units);
    double range = param->GetMax() - param->GetMin();
    info.stepCount = param->Type() == IParam::kTypeDouble ? 0 : static_cast<int32>(range);
    info.defaultNormalizedValue =
        std::pow((param->GetDefault() - param->GetMin()) / range, 1.0 / param->GetShape());
    info.flags = param->GetCanAutomate() ? ParameterInfo::kCanAutomate : 0;
    info.unitId = unitID;
    precision = param->GetPrecision();
    setNormalized(info.defaultNormalizedValue);
}

void IFxParameter::toString(ParamValue normalized, String128 string) const
{
    char text[IParam::kTextLen];
    mIParam->GetDisplayForHost(normalized, true, text, true);
    WidenToHost(text, string);
}

bool IFxParameter::fromString(const TChar* string, ParamValue& normalized) const
{
    char text[128];
    NarrowFromHost(string, text, sizeof(text));
    // The words the parameter shows ("out", "QUAD") read back as the values they stand for.
    int shown = 0;
    if (mIParam->MapDisplayText(text, &shown))
    {
        normalized = mIParam->GetNormalized(shown);
        return true;
    }
    double plain = std::atof(text);
    // A text such as "nan" or "inf" reads as a number atof accepts; it must not become a value.
    if (!std::isfinite(plain))
        plain = 0.0;
    normalized = mIParam->GetNormalized(plain);
    return true;
}

ParamValue IFxParameter::toPlain(ParamValue normalized) const
{
    return mIParam->GetNonNormalized(normalized);
}

ParamValue IFxParameter::toNormalized(ParamValue plainValue) const
{
    return mIParam->GetNormalized(plainValue);
}
