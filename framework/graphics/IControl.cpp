#include "framework/graphics/IControl.h"

#include "framework/core/IFxBase.h"
#include "framework/core/IParam.h"
#include "framework/graphics/IGraphics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

IControl::IControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                   IChannelBlend::EBlendMethod blendMethod)
    : mPlug(plug), mRECT(rect), mTargetRECT(rect), mParamIdx(paramIdx), mBlend(blendMethod)
{
}

IParam* IControl::GetParam() const
{
    return mPlug ? mPlug->GetParam(mParamIdx) : nullptr;
}

void IControl::OnMouseDown(int, int, const IMouseMod& mod)
{
    if (mod.R)
        PromptUserInput();
}

void IControl::OnMouseDblClick(int, int, const IMouseMod&)
{
    if (mDefaultValue >= 0.0)
    {
        mValue = mDefaultValue;
        SetDirty(true);
    }
}

void IControl::SetValueFromPlug(double value)
{
    if (mDefaultValue < 0.0)
    {
        mValue = mDefaultValue = value;
        return;
    }
    if (mValue != value)
    {
        mValue = value;
        SetDirty(false);
        mRedraw = true;
    }
}

void IControl::SetValueFromUserInput(double value)
{
    if (mValue != value)
    {
        mValue = value;
        SetDirty(true);
        mRedraw = true;
    }
}

void IControl::Hide(bool hide)
{
    mHide = hide;
    mRedraw = true;
    SetDirty(false);
}

void IControl::GrayOut(bool gray)
{
    mGrayed = gray;
    mBlend.mWeight = gray ? 0.25f : 1.0f;
    SetDirty(false);
}

void IControl::SetDirty(bool pushParamToPlug)
{
    mValue = mValue < mClampLo ? mClampLo : std::min(mValue, mClampHi);
    mDirty = true;
    if (!pushParamToPlug || !mPlug || mParamIdx < 0)
        return;
    mPlug->SetParameterFromGUI(mParamIdx, mValue);
    IParam* param = GetParam();
    if (!param)
        return;
    if (mValDisplayControl)
    {
        char display[IParam::kTextLen];
        {
            FxMutexLock lock(mPlug->GetMutex());
            param->GetDisplayForHost(display);
        }
        char text[2 * IParam::kTextLen + 2];
        std::snprintf(text, sizeof(text), "%.31s %.31s", display, param->GetLabelForHost());
        if (std::strcmp(text, mValDisplayControl->GetTextForDisplay()) != 0)
        {
            mValDisplayControl->SetDirty(false);
            mValDisplayControl->SetTextFromPlug(text);
        }
    }
    if (mNameDisplayControl &&
        std::strcmp(param->GetNameForHost(), mNameDisplayControl->GetTextForDisplay()) != 0)
    {
        mNameDisplayControl->SetDirty(false);
        mNameDisplayControl->SetTextFromPlug(param->GetNameForHost());
    }
}

void IControl::SetClean()
{
    mDirty = mRedraw;
    mRedraw = false;
}

void IControl::SetAuxParamValueFromPlug(int auxParamIdx, double value)
{
    AuxParam* aux = GetAuxParam(auxParamIdx);
    if (aux && aux->mValue != value)
    {
        aux->mValue = value;
        SetDirty(false);
        mRedraw = true;
    }
}

void IControl::PromptUserInput()
{
    IParam* param = GetParam();
    if (!param || mDisablePrompt || !mGraphics)
        return;
    IRECT rect = mRECT;
    if (param->GetNDisplayTexts() == 0)
    {
        const int cx = int(double(mRECT.L + mRECT.R) * 0.5);
        const int cy = int(double(mRECT.T + mRECT.B) * 0.5);
        rect = IRECT(cx - 20, cy - 8, cx + 20, cy + 8);
    }
    mGraphics->PromptUserInput(this, param, &rect);
    mRedraw = true;
}

void IControl::PromptUserInput(IRECT* rect)
{
    IParam* param = GetParam();
    if (!param || mDisablePrompt || !mGraphics)
        return;
    mGraphics->PromptUserInput(this, param, rect);
    mRedraw = true;
}

int IControl::AddAuxParam(int paramIdx)
{
    mAuxParams.emplace_back(paramIdx);
    return NAuxParams() - 1;
}

int IControl::AuxParamIdx(int paramIdx) const
{
    for (int i = 0; i < NAuxParams(); ++i)
        if (mAuxParams[size_t(i)].mParamIdx == paramIdx)
            return i;
    return -1;
}

IControl::AuxParam* IControl::GetAuxParam(int slot)
{
    return slot >= 0 && slot < NAuxParams() ? &mAuxParams[size_t(slot)] : nullptr;
}

void IControl::SetAllAuxParamsFromGUI()
{
    if (!mPlug)
        return;
    for (const AuxParam& aux : mAuxParams)
        mPlug->SetParameterFromGUI(aux.mParamIdx, aux.mValue);
}
