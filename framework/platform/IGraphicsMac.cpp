#include "framework/platform/IGraphicsMac.h"

#include "framework/core/IParam.h"
#include "framework/platform/Bundle.h"
#include "raster/RasterPNG.h"

#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include <cstring>

namespace
{

std::string HomeFolder()
{
    const struct passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}

bool HasPNGExtension(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    return dot && strcasecmp(dot + 1, "png") == 0;
}

// What a text field for a parameter of this kind accepts: digits and signs, plus the decimal
// point for continuous values; anything for a parameter without a kind.
const char* AllowedChars(const IParam* param)
{
    switch (param->Type())
    {
    case IParam::kTypeBool:
    case IParam::kTypeInt:
    case IParam::kTypeEnum:
        return "0123456789-+";
    case IParam::kTypeDouble:
        return "0123456789.-+";
    default:
        return "";
    }
}

} // namespace

IGraphicsMac::IGraphicsMac(IFxBase* plug, int width, int height, int refreshFPS,
                           std::unique_ptr<INativeLayer> native)
    : IGraphics(plug, width, height, refreshFPS), mNative(std::move(native))
{
}

IGraphicsMac::~IGraphicsMac()
{
    CloseWindow();
}

void* IGraphicsMac::OpenWindow(void* parent)
{
    CloseWindow();
    void* view = mNative->OpenView(parent, Width(), Height(), FPS(), this);
    UpdateTooltips();
    return view;
}

void IGraphicsMac::CloseWindow()
{
    if (!mNative->GetView())
        return;
    ForceEndUserEdit();
    mNative->CloseView();
}

bool IGraphicsMac::DrawScreen(const IRECT& rect)
{
    return mNative->GetView() && mNative->Present(GetDrawBitmap(), rect);
}

void IGraphicsMac::OnViewTimer()
{
    IRECT dirty;
    if (IsDirty(&dirty))
        mNative->Invalidate(dirty);
}

void IGraphicsMac::OnViewPaint(const IRECT& area)
{
    Draw(area);
}

void IGraphicsMac::Resize(int width, int height)
{
    if (width == Width() && height == Height())
        return;
    IGraphics::Resize(width, height);
    if (mNative->GetView())
        mNative->ResizeView(width, height);
}

int IGraphicsMac::ShowMessageBox(const char*, const char*, int)
{
    // No modal alert exists on this layer: the answer is "no button pressed".
    return 0;
}

IPopupMenu* IGraphicsMac::CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect)
{
    ReleaseMouseCapture();
    if (!menu || !mNative->GetView())
        return nullptr;
    return mNative->ShowMenu(menu, rect);
}

void IGraphicsMac::CreateTextEntry(IControl* control, const IText& text, const IRECT& rect,
                                   const char* str, IParam* param)
{
    if (!control || !mNative->GetView() || mNative->IsTextEntryOpen())
        return;
    NativeTextEntry entry;
    entry.mArea = rect;
    entry.mStyle = text;
    entry.mText = str ? str : "";
    if (param)
    {
        entry.mAllowedChars = AllowedChars(param);
        entry.mMaxLength = control->GetTextEntryLength();
    }
    if (!mNative->OpenTextEntry(entry))
        return;
    mEdControl = control;
    mEdParam = param;
}

void IGraphicsMac::OnTextEntryEnded(const char* text)
{
    IControl* control = mEdControl;
    IParam* param = mEdParam;
    mEdControl = nullptr;
    mEdParam = nullptr;
    if (param)
        SetFromStringAfterPrompt(control, param, text);
    else if (control)
        control->TextFromTextEntry(text);
    mNative->Invalidate(IRECT(0, 0, Width(), Height()));
}

void IGraphicsMac::ForceEndUserEdit()
{
    mNative->CloseTextEntry();
    mEdControl = nullptr;
    mEdParam = nullptr;
}

void IGraphicsMac::HostPath(FxString* path)
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    buf[n > 0 ? n : 0] = '\0';
    path->Set(buf);
}

void IGraphicsMac::PluginPath(FxString* path)
{
    path->Set("");
    BundleRef* bundle =
        BundleRef::CreateForAddress(reinterpret_cast<const void*>(&MakePlatformGraphics));
    if (!bundle)
        return;
    std::string folder = bundle->GetPath();
    bundle->Release();
    const size_t slash = folder.find_last_of('/');
    path->Set(
        (slash == std::string::npos ? std::string() : folder.substr(0, slash)).append("/").c_str());
}

void IGraphicsMac::DesktopPath(FxString* path)
{
    path->Set((HomeFolder() + "/Desktop").c_str());
}

void IGraphicsMac::AppSupportPath(FxString* path, bool isSystem)
{
    path->Set(isSystem ? "/usr/local/share" : (HomeFolder() + "/.local/share").c_str());
}

void IGraphicsMac::SandboxSafeAppSupportPath(FxString* path)
{
    path->Set((HomeFolder() + "/Music").c_str());
}

void IGraphicsMac::PromptForFile(FxString* file, EFileAction, FxString* dir, const char*)
{
    // No file panel exists on this layer: nothing is chosen.
    if (file)
        file->Set("");
    if (dir && !dir->GetLength() && mNative->GetView())
        dir->Set("~/Desktop");
}

bool IGraphicsMac::OpenURL(const char*, const char*, const char*, const char*)
{
    return false;
}

bool IGraphicsMac::GetTextFromClipboard(FxString* str)
{
    str->Set("");
    return false;
}

Raster_IBitmap* IGraphicsMac::OSLoadBitmap(int, const char* name)
{
    if (!name || !HasPNGExtension(name))
        return nullptr;
    const std::string path = mNative->FindResource(mBundleID.c_str(), name);
    if (path.empty())
        return nullptr;
    return Raster_LoadPNG(path.c_str());
}
