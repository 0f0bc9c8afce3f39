#include "framework/graphics/IGraphics.h"

#include "framework/core/IFxBase.h"

const double IGraphics::kZoomFactors[3] = {1.0, 1.5, 2.0};

IGraphics::IGraphics(IFxBase* plug, int width, int height, int refreshFPS)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(refreshFPS > 0 ? refreshFPS : DEFAULT_FPS)
{
    mNParamSlots = plug ? plug->NParams() : 0;
    if (mNParamSlots > 0)
        mParamSlots.reset(new ParamSlot[static_cast<size_t>(mNParamSlots)]);
}

IGraphics::~IGraphics()
{
    mKeyCatcher.reset();
    DeleteControls();
}

void IGraphics::DeleteControls()
{
    for (int i = mControls.GetSize() - 1; i >= 0; --i)
        mControls.Delete(i);
}

void IGraphics::MakeDrawBitmap()
{
    if (mDrawBitmap)
        return;
    mDrawBitmap.reset(new Raster_SysBitmap(ScaledWidth(), ScaledHeight()));
    // A new surface holds nothing: every control must be painted into it again.
    SetAllControlsDirty();
}

void IGraphics::ReleaseDrawBitmap()
{
    mDrawBitmap.reset();
    mTmpBitmap.reset();
}

bool IGraphics::SetScale(double scale)
{
    if (!IsEditorScale(scale))
        return false;
    if (scale == mScale)
        return true;
    mScale = scale;
    if (mDrawBitmap)
        mDrawBitmap.reset(new Raster_SysBitmap(ScaledWidth(), ScaledHeight()));
    SetAllControlsDirty();
    return true;
}

// ---------------------------------------------------------------- controls

int IGraphics::AttachControl(IControl* control)
{
    control->SetGUI(this);
    mControls.Add(control);
    return mControls.GetSize() - 1;
}

void IGraphics::AttachBackground(int ID, const char* name)
{
    IBitmap bitmap = LoadIBitmap(ID, name, 1, false);
    IControl* control = new IBitmapControl(mPlug, 0, 0, -1, bitmap, IChannelBlend::kBlendClobber);
    control->SetGUI(this);
    mControls.Insert(0, control);
}

void IGraphics::AttachPanelBackground(const IColor& color)
{
    IControl* control = new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), color);
    control->SetGUI(this);
    mControls.Insert(0, control);
}

void IGraphics::AttachKeyCatcher(IControl* control)
{
    if (control)
        control->SetGUI(this);
    mKeyCatcher.reset(control);
}

void IGraphics::HideControl(int paramIdx, bool hide)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        if (mControls.Get(i)->ParamIdx() == paramIdx)
            mControls.Get(i)->Hide(hide);
}

void IGraphics::GrayOutControl(int paramIdx, bool gray)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        if (mControls.Get(i)->ParamIdx() == paramIdx)
            mControls.Get(i)->GrayOut(gray);
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized)
{
    if (!normalized)
    {
        const IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
        if (!param)
            return;
        lo = param->GetNormalized(lo);
        hi = param->GetNormalized(hi);
    }
    for (int i = 0; i < mControls.GetSize(); ++i)
        if (mControls.Get(i)->ParamIdx() == paramIdx)
            mControls.Get(i)->Clamp(lo, hi);
}

void IGraphics::SetStrictDrawing(bool strict)
{
    mStrict = strict;
    SetAllControlsDirty();
}

void IGraphics::SetAllControlsDirty()
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        mControls.Get(i)->SetDirty(false);
}

void IGraphics::AssignParamNameToolTips()
{
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (const IParam* param = ParamOf(control))
            control->SetTooltip(param->GetNameForHost());
    }
}

// ---------------------------------------------------------------- redraw

bool IGraphics::IsDirty(IRECT* rect)
{
    ApplyPendingParamValues();
    bool dirty = false;
    IRECT area;
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (control->IsDirty())
        {
            area = area.Union(*control->GetRECT());
            dirty = true;
        }
    }
    if (rect)
        *rect = area;
    return dirty;
}

void IGraphics::Draw(const IRECT& area)
{
    ApplyPendingParamValues();
    if (!mControls.GetSize())
        return;
    MakeDrawBitmap();
    if (mStrict)
        DrawStrict(area);
    else
        DrawNonStrict();
    DrawScreen(area);
}

void IGraphics::DrawStrict(const IRECT& area)
{
    mDrawRECT = area;
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        const IRECT& r = *control->GetRECT();
        // Tested from the control's side, like the non-strict pass: a control that starts
        // exactly at the area's right or bottom edge has no pixel in it and is skipped.
        if (!control->IsHidden() && r.Intersects(area))
            control->Draw(this);
        control->SetClean();
    }
}

void IGraphics::DrawNonStrict()
{
    IControl* background = mControls.Get(0);
    if (background->IsDirty())
    {
        mDrawRECT = *background->GetRECT();
        for (int i = 0; i < mControls.GetSize(); ++i)
        {
            IControl* control = mControls.Get(i);
            if (i == 0 || !control->IsHidden())
            {
                control->Draw(this);
                control->SetClean();
            }
        }
        return;
    }
    for (int j = 1; j < mControls.GetSize(); ++j)
    {
        IControl* dirty = mControls.Get(j);
        if (!dirty->IsDirty())
            continue;
        mDrawRECT = *dirty->GetRECT();
        for (int k = 0; k < mControls.GetSize(); ++k)
        {
            IControl* control = mControls.Get(k);
            if (!control->IsHidden() && (k == j || control->GetRECT()->Intersects(mDrawRECT)))
                control->Draw(this);
        }
        dirty->SetClean();
    }
}

void IGraphics::Resize(int width, int height)
{
    mWidth = width;
    mHeight = height;
    ReleaseMouseCapture();
    DeleteControls();
    const bool hadDrawBitmap = mDrawBitmap != nullptr;
    ReleaseDrawBitmap();
    if (hadDrawBitmap)
        MakeDrawBitmap();
    PrepDraw();
    if (mPlug)
        mPlug->ResizeGraphics(ScaledWidth(), ScaledHeight());
}
