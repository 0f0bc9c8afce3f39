#include "framework/graphics/IGraphics.h"

#include "framework/core/IFxBase.h"

#include <cmath>
#include <cstdio>

int IGraphics::GetMouseControlIdx(int x, int y, bool mo)
{
    for (int i = mControls.GetSize() - 1; i >= 0; --i)
    {
        IControl* control = mControls.Get(i);
        if (control->IsHidden())
            continue;
        if (control->IsGrayed() && !(mo && control->GetMOWhenGrayed()))
            continue;
        if (control->IsHit(x, y))
            return i;
    }
    return -1;
}

void IGraphics::ReleaseMouseCapture()
{
    mMouseCapture = mMouseX = mMouseY = -1;
}

void IGraphics::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    ReleaseMouseCapture();
    const int c = GetMouseControlIdx(x, y);
    // The panel itself (not a control on it) offers the zoom on a right-click.
    if (mod.R && (c < 0 || (c == 0 && mControls.Get(0)->ParamIdx() < 0)))
    {
        ShowZoomMenu(x, y);
        return;
    }
    if (c < 0)
        return;
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    IControl* control = mControls.Get(c);
    const int paramIdx = control->ParamIdx();
    if (paramIdx >= 0 && mPlug)
    {
        if (mPlug->GetAPI() == kAPIVST3 && mod.R)
        {
            ReleaseMouseCapture();
            mPlug->PopupHostContextMenuForParam(paramIdx, x, y);
            return;
        }
        mPlug->BeginInformHostOfParamChange(paramIdx);
    }
    control->OnMouseDown(x, y, mod);
}

void IGraphics::ShowZoomMenu(int x, int y)
{
    IPopupMenu menu;
    for (double factor : kZoomFactors)
    {
        char text[32];
        std::snprintf(text, sizeof(text), "Zoom %d%%", int(std::lround(factor * 100.0)));
        menu.AddItem(text)->SetChecked(factor == mScale);
    }
    IPopupMenu* chosen = CreateIPopupMenu(&menu, IRECT(x, y, x + 1, y + 1));
    if (!chosen || chosen != &menu)
        return;
    const int idx = chosen->GetChosenItemIdx();
    if (idx < 0 || idx >= int(sizeof(kZoomFactors) / sizeof(kZoomFactors[0])))
        return;
    SetScale(kZoomFactors[idx]);
    if (mPlug)
        mPlug->ResizeGraphics(ScaledWidth(), ScaledHeight());
}

void IGraphics::OnMouseUp(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    ReleaseMouseCapture();
    IControl* control = mControls.Get(c);
    if (!control)
        return;
    control->OnMouseUp(x, y, mod);
    if (control->ParamIdx() >= 0 && mPlug)
        mPlug->EndInformHostOfParamChange(control->ParamIdx());
}

void IGraphics::OnMouseDrag(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    IControl* control = mControls.Get(mMouseCapture);
    if (!control || (x == mMouseX && y == mMouseY))
        return;
    const int dX = x - mMouseX, dY = y - mMouseY;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDrag(x, y, dX, dY, mod);
}

void IGraphics::OnMouseDblClick(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    ReleaseMouseCapture();
    const int c = GetMouseControlIdx(x, y);
    IControl* control = mControls.Get(c);
    if (!control)
        return;
    if (!control->MouseDblAsSingleClick())
    {
        control->OnMouseDblClick(x, y, mod);
        return;
    }
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseMod& mod, int delta)
{
    ApplyPendingParamValues();
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    if (IControl* control = mControls.Get(c))
        control->OnMouseWheel(x, y, mod, delta);
}

bool IGraphics::OnMouseOver(int x, int y, const IMouseMod& mod)
{
    if (!mHandleMouseOver)
        return false;
    ApplyPendingParamValues();
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y, true);
    IControl* control = mControls.Get(c);
    if (!control)
        return mHandleMouseOver;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseOver(x, y, mod);
    if (mMouseOver >= 0 && mMouseOver != c)
        if (IControl* previous = mControls.Get(mMouseOver))
            previous->OnMouseOut();
    mMouseOver = c;
    return mHandleMouseOver;
}

void IGraphics::OnMouseOut()
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        mControls.Get(i)->OnMouseOut();
    mMouseOver = -1;
}

bool IGraphics::OnKeyDown(int x, int y, int key)
{
    ApplyPendingParamValues();
    int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    if (c <= 0)
        return mKeyCatcher ? mKeyCatcher->OnKeyDown(x, y, key) : false;
    return mControls.Get(c)->OnKeyDown(x, y, key);
}

void IGraphics::OnGUIIdle()
{
    ApplyPendingParamValues();
    for (int i = 0; i < mControls.GetSize(); ++i)
        mControls.Get(i)->OnGUIIdle();
}
