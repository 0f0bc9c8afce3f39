#include "framework/graphics/IControl.h"
#include "framework/graphics/IGraphics.h"

#include <cstdio>

namespace
{

void CopyText(char* dest, const char* src, int size)
{
    std::snprintf(dest, size_t(size), "%s", src ? src : "");
}

} // namespace

IURLControl::IURLControl(IFxBase* plug, const IRECT& rect, const char* url, const char* backupURL,
                         const char* errMsgOnFailure)
    : IControl(plug, rect)
{
    CopyText(mURL, url, kURLLen);
    CopyText(mBackupURL, backupURL, kURLLen);
    CopyText(mErrMsg, errMsgOnFailure, kURLLen);
}

void IURLControl::OnMouseDown(int, int, const IMouseMod&)
{
    if (!mGraphics)
        return;
    bool opened = false;
    if (mURL[0])
        opened = mGraphics->OpenURL(mURL, mErrMsg);
    if (!opened && mBackupURL[0])
        mGraphics->OpenURL(mBackupURL, mErrMsg);
}
