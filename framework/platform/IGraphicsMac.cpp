#include "framework/platform/IGraphicsMac.h"

#include "framework/core/IParam.h"
#include "framework/platform/Bundle.h"
#include "framework/platform/SystemPaths.h"
#include "raster/RasterPNG.h"
#include "util/platform.h"

#include <vector>

namespace
{

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
    : IGraphics(plug, width, height, refreshFPS), mNative(std::move(native)), mActive(mNative.get())
{
}

IGraphicsMac::~IGraphicsMac()
{
    CloseWindow();
}

void* IGraphicsMac::OpenWindow(void* parent)
{
    CloseWindow();
    mWindowLayer.reset();
    mActive = mNative.get();
    return OpenWindowIn(parent);
}

void* IGraphicsMac::OpenWindow(void* parent, std::unique_ptr<INativeLayer> layer)
{
    if (!layer)
        return nullptr;
    CloseWindow();
    mWindowLayer = std::move(layer);
    mActive = mWindowLayer.get();
    return OpenWindowIn(parent);
}

void* IGraphicsMac::OpenWindowIn(void* parent)
{
    MakeDrawBitmap();
    void* view =
        mActive->OpenView(parent, ScaledWidth(), ScaledHeight(), TimerIntervalMs(FPS()), this);
    if (!view)
    {
        // A window that could not be opened leaves the context on its own layer.
        mActive = mNative.get();
        ReleaseDrawBitmap();
        return nullptr;
    }
    UpdateTooltips();
    return view;
}

void IGraphicsMac::CloseWindow()
{
    if (!mActive->GetView())
        return;
    ForceEndUserEdit();
    mActive->SetTooltipAreas({});
    mActive->CloseView();
    mActive = mNative.get();
    ReleaseDrawBitmap();
}

void IGraphicsMac::OnViewDetached()
{
    CloseWindow();
}

bool IGraphicsMac::DrawScreen(const IRECT& rect)
{
    return mActive->GetView() && mActive->Present(GetDrawBitmap(), ScaledRect(rect, GetScale()));
}

// Each tick first lets the controls that follow something other than a parameter (meters) catch
// up, then repaints whatever changed.
void IGraphicsMac::OnViewTimer()
{
    if (!mActive->GetView())
        return;
    OnGUIIdle();
    IRECT dirty;
    if (IsDirty(&dirty))
        mActive->Invalidate(ViewRectFromEditor(Geometry(), dirty));
}

void IGraphicsMac::OnViewPaint(const NativeRect& area)
{
    if (mActive->GetView())
        Draw(EditorRectFromView(Geometry(), area));
}

void IGraphicsMac::OnViewMouse(ENativeMouse kind, bool rightButton, double x, double y,
                               unsigned modifiers, int clickCount)
{
    if (!mActive->GetView())
        return;
    EditorPointFromView(Geometry(), x, y, &mPrevX, &mPrevY);
    const IMouseMod mod = MouseModFromNative(modifiers, rightButton);
    switch (kind)
    {
    case ENativeMouse::kDown:
        if (!rightButton && clickCount >= 2)
            OnMouseDblClick(mPrevX, mPrevY, mod);
        else
            OnMouseDown(mPrevX, mPrevY, mod);
        break;
    case ENativeMouse::kUp:
        OnMouseUp(mPrevX, mPrevY, mod);
        break;
    case ENativeMouse::kDrag:
        // While a text field is open the drag would edit the control under it.
        if (!mActive->IsTextEntryOpen())
            OnMouseDrag(mPrevX, mPrevY, mod);
        break;
    case ENativeMouse::kMove:
        OnMouseOver(mPrevX, mPrevY, mod);
        break;
    }
}

void IGraphicsMac::OnViewWheel(double x, double y, unsigned modifiers, double deltaY)
{
    if (!mActive->GetView())
        return;
    ForceEndUserEdit();
    EditorPointFromView(Geometry(), x, y, &mPrevX, &mPrevY);
    OnMouseWheel(mPrevX, mPrevY, MouseModFromNative(modifiers, false),
                 WheelDeltaFromNative(deltaY));
}

EKeyResult IGraphicsMac::OnViewKey(int nativeKeyCode, const char* chars)
{
    if (!mActive->GetView())
        return EKeyResult::kPassedOn;
    const int key = EditorKeyFromNative(nativeKeyCode, chars);
    if (key == kKeyDrop)
        return EKeyResult::kDropped;
    if (key == kKeyPassOn || !OnKeyDown(mPrevX, mPrevY, key))
        return EKeyResult::kPassedOn;
    return EKeyResult::kTaken;
}

std::string IGraphicsMac::OnViewTooltip()
{
    const IControl* control = GetControl(GetMouseOver());
    return control ? control->GetTooltip() : "";
}

void IGraphicsMac::UpdateTooltips()
{
    if (!mActive->GetView() || !TooltipsEnabled())
        return;
    std::vector<NativeRect> areas;
    for (int i = 0; i < GetNControls(); ++i)
    {
        const IControl* control = GetControl(i);
        if (!control->IsHidden() && !control->GetTargetRECT()->Empty())
            areas.push_back(ViewRectFromEditor(Geometry(), *control->GetTargetRECT()));
    }
    mActive->SetTooltipAreas(areas);
}

void IGraphicsMac::Resize(int width, int height)
{
    if (width == Width() && height == Height())
        return;
    IGraphics::Resize(width, height);
    if (mActive->GetView())
        mActive->ResizeView(ScaledWidth(), ScaledHeight());
}

bool IGraphicsMac::SetScale(double scale)
{
    const double before = GetScale();
    if (!IGraphics::SetScale(scale))
        return false;
    if (scale != before && mActive->GetView())
    {
        ForceEndUserEdit();
        mActive->ResizeView(ScaledWidth(), ScaledHeight());
        UpdateTooltips();
        mActive->Invalidate(ViewRectFromEditor(Geometry(), IRECT(0, 0, Width(), Height())));
    }
    return true;
}

int IGraphicsMac::ShowMessageBox(const char* text, const char* caption, int type)
{
    return MessageBoxAnswer(
        mActive->RunAlert(caption ? caption : "", text ? text : "", MessageBoxButtons(type)));
}

IPopupMenu* IGraphicsMac::CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect)
{
    ReleaseMouseCapture();
    if (!menu || !mActive->GetView())
        return nullptr;
    return mActive->ShowMenu(menu, ViewRectFromEditor(Geometry(), rect));
}

void IGraphicsMac::CreateTextEntry(IControl* control, const IText& text, const IRECT& rect,
                                   const char* str, IParam* param)
{
    if (!control || !mActive->GetView() || mActive->IsTextEntryOpen())
        return;
    NativeTextEntry entry;
    entry.mArea = ViewRectFromEditor(Geometry(), rect);
    entry.mStyle = text;
    entry.mFontSize = static_cast<float>(static_cast<int>(text.mSize * GetScale() * 0.9));
    entry.mText = str ? str : "";
    if (param)
    {
        entry.mFilter.mAllowedChars = AllowedChars(param);
        entry.mFilter.mMaxLength = control->GetTextEntryLength();
    }
    if (!mActive->OpenTextEntry(entry))
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
    mActive->Invalidate(ViewRectFromEditor(Geometry(), IRECT(0, 0, Width(), Height())));
}

void IGraphicsMac::ForceEndUserEdit()
{
    mActive->CloseTextEntry();
    mEdControl = nullptr;
    mEdParam = nullptr;
}

void IGraphicsMac::HostPath(FxString* path)
{
    path->Set(FxProgramFile().c_str());
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
    path->Set(DesktopFolder().c_str());
}

void IGraphicsMac::AppSupportPath(FxString* path, bool isSystem)
{
    path->Set(AppSupportFolder(isSystem).c_str());
}

void IGraphicsMac::SandboxSafeAppSupportPath(FxString* path)
{
    path->Set(MusicFolder().c_str());
}

void IGraphicsMac::PromptForFile(FxString* file, EFileAction action, FxString* dir,
                                 const char* extensions)
{
    if (!file)
        return;
    file->Set("");
    if (!mActive->GetView())
        return;
    NativeFilePanel panel;
    panel.mSave = action == kFileSave;
    if (dir && dir->GetLength())
        panel.mDirectory = dir->Get();
    else
    {
        panel.mDirectory = "~/Desktop";
        if (dir)
            dir->Set(panel.mDirectory.c_str());
    }
    panel.mTypes = SplitFileTypes(extensions);
    const std::string chosen = mActive->RunFilePanel(panel);
    if (chosen.empty())
        return;
    file->Set(chosen.c_str());
    if (dir)
        dir->Set(ParentFolderWithSlash(chosen).c_str());
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
    if (ResourceFileName(name).empty())
        return nullptr;
    // Bitmaps are loaded once per process, usually before any window opens: the context's own
    // layer knows where its bundle's resources are. Only the header is read now (controls take
    // their size from it); the pixels are decoded when a bitmap is first drawn, so an instance
    // whose editor is never shown decodes nothing.
    const std::string path = mNative->FindResource(mBundleID.c_str(), name);
    if (path.empty())
        return nullptr;
    return Raster_PNGFile::Open(path.c_str());
}
