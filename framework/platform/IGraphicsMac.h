// The editor's platform half: the operations IGraphics leaves to the platform, carried out
// through a native layer (see NativeLayer.h), with the rules of the macOS view host applied on
// top of it (menus release the mouse, one text entry at a time, its text returned to the
// parameter or the control, bitmaps as PNG files of the bundle's resources).
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
    INativeLayer* GetNativeLayer() const { return mNative.get(); }

    bool DrawScreen(const IRECT& rect) override;
    void ForceEndUserEdit() override;
    void Resize(int width, int height) override;
    const char* GetGUIAPI() override { return mNative->GetName(); }
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
    void CloseWindow() override;
    void* GetWindow() override { return mNative->GetView(); }
    bool GetTextFromClipboard(FxString* str) override;
    void UpdateTooltips() override {}
    Raster_IBitmap* OSLoadBitmap(int ID, const char* name) override;

private:
    IGraphics* GetGraphics() override { return this; }
    void OnViewTimer() override;
    void OnViewPaint(const IRECT& area) override;
    void OnTextEntryEnded(const char* text) override;

    std::unique_ptr<INativeLayer> mNative;
    std::string mBundleID;
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
