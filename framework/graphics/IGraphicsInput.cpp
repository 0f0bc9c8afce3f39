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
    // The panel itself (not a control on it) offers its menu on a right-click.
    if (mod.R && (c < 0 || (c == 0 && mControls.Get(0)->ParamIdx() < 0)))
    {
        ShowPanelMenu(x, y);
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

void IGraphics::AddPanelMenuSection(std::unique_ptr<IPanelMenuSection> section)
{
    if (section)
        mPanelMenuSections.push_back(std::move(section));
}

void IGraphics::ShowPanelMenu(int x, int y)
{
    IPopupMenu menu;
    for (double factor : kZoomFactors)
    {
        char text[32];
        std::snprintf(text, sizeof(text), "Zoom %d%%", int(std::lround(factor * 100.0)));
        menu.AddItem(text)->SetChecked(factor == mScale);
    }
    // Where each section's items begin, and where the last one's end.
    std::vector<int> bounds;
    for (const auto& section : mPanelMenuSections)
    {
        menu.AddSeparator();
        bounds.push_back(menu.GetNItems());
        section->AddItems(menu);
    }
    bounds.push_back(menu.GetNItems());
    const IPopupMenu* chosen = CreateIPopupMenu(&menu, IRECT(x, y, x + 1, y + 1));
    if (!chosen || chosen->GetChosenItemIdx() < 0)
        return;
    const int nZoom = int(sizeof(kZoomFactors) / sizeof(kZoomFactors[0]));
    if (chosen == &menu && chosen->GetChosenItemIdx() < nZoom)
    {
        SetScale(kZoomFactors[chosen->GetChosenItemIdx()]);
        if (mPlug)
            mPlug->ResizeGraphics(ScaledWidth(), ScaledHeight());
        return;
    }
    for (size_t s = 0; s + 1 < bounds.size(); ++s)
        for (int i = bounds[s]; i < bounds[s + 1]; ++i)
        {
            if (chosen == &menu && chosen->GetChosenItemIdx() == i)
                return mPanelMenuSections[s]->OnChoice(i - bounds[s], -1);
            if (chosen == menu.GetItem(i)->GetSubmenu())
                return mPanelMenuSections[s]->OnChoice(i - bounds[s], chosen->GetChosenItemIdx());
        }
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
