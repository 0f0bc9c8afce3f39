#include "framework/graphics/IGraphics.h"

#include "framework/core/IFxBase.h"
#include "framework/core/IParam.h"

#include <cstdlib>
#include <cstring>

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized)
{
    if (paramIdx < 0 || paramIdx >= mNParamSlots)
        return;
    if (!normalized)
    {
        const IParam* param = mPlug->GetParam(paramIdx);
        if (!param)
            return;
        value = param->GetNormalized(value);
    }
    ParamSlot& slot = mParamSlots[paramIdx];
    slot.mValue.store(value, std::memory_order_relaxed);
    slot.mPending.store(true, std::memory_order_release);
    mAnyParamPending.store(true, std::memory_order_release);
}

void IGraphics::ApplyPendingParamValues()
{
    if (!mAnyParamPending.exchange(false, std::memory_order_acq_rel))
        return;
    for (int i = 0; i < mNParamSlots; ++i)
    {
        ParamSlot& slot = mParamSlots[i];
        if (slot.mPending.exchange(false, std::memory_order_acquire))
            ApplyValueFromPlug(i, slot.mValue.load(std::memory_order_relaxed));
    }
}

void IGraphics::ApplyValueFromPlug(int paramIdx, double normalizedValue)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (control->ParamIdx() == paramIdx)
            control->SetValueFromPlug(normalizedValue);
        const int slot = control->AuxParamIdx(paramIdx);
        if (slot >= 0)
            control->SetAuxParamValueFromPlug(slot, normalizedValue);
    }
}

void IGraphics::PrepDraw()
{
    ApplyPendingParamValues();
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue)
{
    if (IControl* control = mControls.Get(controlIdx))
        control->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetParameterFromGUI(int paramIdx, double normalizedValue)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (control->ParamIdx() == paramIdx)
            control->SetValueFromUserInput(normalizedValue);
    }
}

IParam* IGraphics::ParamOf(const IControl* control) const
{
    return mPlug ? mPlug->GetParam(control->ParamIdx()) : nullptr;
}

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* rect)
{
    if (!control || !param || !rect || !mPlug)
        return;
    char current[IParam::kTextLen];
    int nTexts;
    IParam::EParamKind kind;
    {
        // The processing thread writes the parameter's value under this lock.
        FxMutexLock lock(mPlug->GetMutex());
        nTexts = param->GetNDisplayTexts();
        kind = param->Type();
        const bool asMenu = kind == IParam::kTypeEnum || (kind == IParam::kTypeBool && nTexts > 0);
        param->GetDisplayForHost(current, asMenu);
    }
    if (kind == IParam::kTypeEnum || (kind == IParam::kTypeBool && nTexts > 0))
    {
        IPopupMenu menu;
        for (int i = 0; i < nTexts; ++i)
        {
            const char* text = param->GetDisplayText(i);
            IPopupMenuItem* item = menu.AddItem(text);
            item->SetChecked(std::strcmp(text, current) == 0);
        }
        if (IPopupMenu* chosen = CreateIPopupMenu(&menu, *rect))
            control->SetValueFromUserInput(param->GetNormalized(chosen->GetChosenItemIdx()));
        return;
    }
    CreateTextEntry(control, *control->GetText(), *rect, current, param);
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* str)
{
    if (!control || !param || !str)
        return;
    double value = 0.0;
    if (param->Type() == IParam::kTypeBool || param->Type() == IParam::kTypeEnum)
    {
        int mapped = 0;
        if (param->MapDisplayText(str, &mapped))
            value = mapped;
    }
    else
    {
        value = std::strtod(str, nullptr);
        if (param->GetNegateDisplay())
            value = -value;
    }
    control->SetValueFromUserInput(param->GetNormalized(value));
}
