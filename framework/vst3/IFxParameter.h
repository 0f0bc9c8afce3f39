#pragma once

#include "framework/core/IParam.h"
// First, so that the SDK headers below see the renamed controller state pair.
#include "editcontroller.h"

#include "public.sdk/source/vst/vstparameters.h"

// The host's view of one IParam. The live value always stays in the IParam; this object only
// describes the parameter and converts values and texts for the host.
class IFxParameter : public Steinberg::Vst::Parameter
{
public:
    IFxParameter(IParam* param, Steinberg::Vst::ParamID tag, Steinberg::Vst::UnitID unitID);

    void toString(Steinberg::Vst::ParamValue normalized,
                  Steinberg::Vst::String128 string) const override;
    bool fromString(const Steinberg::Vst::TChar* string,
                    Steinberg::Vst::ParamValue& normalized) const override;
    Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue normalized) const override;
    Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plainValue) const override;

    OBJ_METHODS(IFxParameter, Parameter)

private:
    IParam* mIParam;
};
