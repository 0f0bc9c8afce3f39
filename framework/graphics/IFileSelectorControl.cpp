#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"

IFileSelectorControl::IFileSelectorControl(IFxBase* plug, const IRECT& rect, int paramIdx,
                                           const IBitmap& bitmap, EFileAction action,
                                           const char* dir, const char* extensions)
    : IControl(plug, rect, paramIdx), mBitmap(bitmap), mDir(dir), mExtensions(extensions),
      mFileAction(action)
{
}

void IFileSelectorControl::OnMouseDown(int, int, const IMouseMod&)
{
    if (!mGraphics)
        return;
    mState = kFSSelecting;
    SetDirty(false);
    mGraphics->PromptForFile(&mFile, mFileAction, &mDir, mExtensions.Get());
    mValue += 1.0;
    if (mValue > 1.0)
        mValue = 0.0;
    mState = kFSDone;
    SetDirty(true);
}

bool IFileSelectorControl::Draw(IGraphics* graphics)
{
    if (mState == kFSSelecting)
        graphics->DrawBitmap(mBitmap, mRECT, 0, 0, &mBlend);
    return true;
}

bool IFileSelectorControl::IsDirty()
{
    if (mState == kFSDone)
    {
        mState = kFSNone;
        return true;
    }
    return mDirty;
}
