// The editor's platform half: the operations IGraphics leaves to the platform, carried out
// through a native layer (see NativeLayer.h), with the rules of the macOS view host applied on
// top of it (ViewHostRules.h for the arithmetic; here: which editor call each native event
// becomes, menus release the mouse, one text entry at a time, its text returned to the parameter
// or the control, tooltips, alerts, file prompts, bitmaps as PNG files of the bundle's resources).
//
// The context has a native layer of its own (headless unless the platform factory says
// otherwise); a host that gives a window of a particular window system opens the editor through
// a layer made for it, which serves that window until it closes.
#pragma once

#include "framework/graphics/IGraphics.h"
#include "framework/platform/NativeLayer.h"

#include <memory>
#include <string>

class IGraphicsMac : public IGraphics, private INativeViewClient
{
public:
    // Takes ownership of native.
    IGraphicsMac(IFxBase* plug, int width, int height, int refreshFPS,
                 std::unique_ptr<INativeLayer> native);
    ~IGraphicsMac() override;

    void SetBundleID(const char* bundleID) { mBundleID = bundleID ? bundleID : ""; }
    const char* GetBundleID() const { return mBundleID.c_str(); }
    // The context's own layer.
    INativeLayer* GetNativeLayer() const { return mNative.get(); }
    // The layer that serves the open window (or would serve the next one opened by OpenWindow).
    INativeLayer* GetActiveLayer() const { return mActive; }

    bool DrawScreen(const IRECT& rect) override;
    void ForceEndUserEdit() override;
    void Resize(int width, int height) override;
    // Also sizes the open view to the scaled editor.
    bool SetScale(double scale) override;
    const char* GetGUIAPI() override { return mActive->GetName(); }
    int ShowMessageBox(const char* text, const char* caption, int type) override;
    IPopupMenu* CreateIPopupMenu(IPopupMenu* menu, const IRECT& rect) override;
    void CreateTextEntry(IControl* control, const IText& text, const IRECT& rect, const char* str,
                         IParam* param) override;
    void HostPath(FxString* path) override;
    void PluginPath(FxString* path) override;
    void DesktopPath(FxString* path) override;
    void AppSupportPath(FxString* path, bool isSystem = false) override;
    void SandboxSafeAppSupportPath(FxString* path) override;
    void PromptForFile(FxString* file, EFileAction action, FxString* dir,
                       const char* extensions) override;
    bool PromptForColor(IColor*, const char*) override { return false; }
    bool OpenURL(const char* url, const char* msgWindowTitle = nullptr,
                 const char* confirmMsg = nullptr, const char* errMsgOnFailure = nullptr) override;
    void* OpenWindow(void* parent) override;
    using IGraphics::OpenWindow;
    // Opens the window inside parent through layer, which serves it until it closes.
    void* OpenWindow(void* parent, std::unique_ptr<INativeLayer> layer);
    void CloseWindow() override;
    void* GetWindow() override { return mActive->GetView(); }
    bool GetTextFromClipboard(FxString* str) override;
    void UpdateTooltips() override;
    Raster_IBitmap* OSLoadBitmap(int ID, const char* name) override;

    // The last mouse position in editor pixels, where keys are sent.
    int GetPrevX() const { return mPrevX; }
    int GetPrevY() const { return mPrevY; }

private:
    void OnViewTimer() override;
    void OnViewPaint(const NativeRect& area) override;
    void OnViewMouse(ENativeMouse kind, bool rightButton, double x, double y, unsigned modifiers,
                     int clickCount) override;
    void OnViewWheel(double x, double y, unsigned modifiers, double deltaY) override;
    EKeyResult OnViewKey(int nativeKeyCode, const char* chars) override;
    std::string OnViewTooltip() override;
    void OnTextEntryEnded(const char* text) override;
    void OnViewDetached() override;

    ViewGeometry Geometry() const { return {ScaledHeight(), mActive->IsFlipped(), GetScale()}; }
    void* OpenWindowIn(void* parent);

    std::unique_ptr<INativeLayer> mNative;
    // A layer given for one window; kept after the window closes (it may be closing from inside
    // one of its own callbacks) until the next window opens or the context goes.
    std::unique_ptr<INativeLayer> mWindowLayer;
    INativeLayer* mActive;
    std::string mBundleID;
    int mPrevX = 0, mPrevY = 0;
    IControl* mEdControl = nullptr;
    IParam* mEdParam = nullptr;
};

// The editor for a plug-in on this machine: an IGraphicsMac of that size and frame rate (0 for
// the default) with the bundle identifier set, on the platform's native layer.
IGraphicsMac* MakePlatformGraphics(IFxBase* plug, int width, int height, int refreshFPS,
                                   const char* bundleID);

// Where editors made from now on by MakePlatformGraphics find their resource files (the folder
// that holds "resources/img/..."), instead of the resources of the bundle that holds this code.
// For programs that link a plug-in in rather than load its bundle, so that its editor, built in
// the plug-in's constructor, still finds its bitmaps. Null or "" goes back to the bundle's.
void SetPlatformResourceRoot(const char* root);
