// The X11 layer's class, shared by the files that implement it: X11NativeLayer.cpp (the window
// and the copy of the surface into it), X11Events.cpp, X11TextEntry.cpp and X11PopupMenu.cpp.
#pragma once

#include "framework/platform/Bundle.h"
#include "framework/platform/X11NativeLayer.h"
#include "raster/Raster.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The characters a key types, ignoring control and alt (shift still chooses the case).
std::string CharsOf(XKeyEvent key, KeySym* sym);

class X11NativeLayer final : public INativeLayer
{
public:
    explicit X11NativeLayer(std::unique_ptr<IHostRunLoop> loop) : mLoop(std::move(loop))
    {
        if (BundleRef* bundle =
                BundleRef::CreateForAddress(reinterpret_cast<const void*>(&MakeX11NativeLayer)))
        {
            mResourceRoot = bundle->GetResourcesPath();
            bundle->Release();
        }
    }
    ~X11NativeLayer() override { CloseView(); }

    const char* GetName() const override { return "X11"; }
    bool IsFlipped() const override { return true; }
    std::string FindResource(const char*, const char* name) override
    {
        return FindBundleResource(mResourceRoot, name);
    }

    void* OpenView(void* parent, int width, int height, int intervalMs,
                   INativeViewClient* client) override;
    void CloseView() override;
    void* GetView() const override
    {
        return mWindow ? reinterpret_cast<void*>(static_cast<uintptr_t>(mWindow)) : nullptr;
    }
    void ResizeView(int width, int height) override;
    void Invalidate(const NativeRect& area) override { mInvalid = mInvalid.Union(area); }
    bool Present(Raster_IBitmap* surface, const IRECT& area) override;
    IPopupMenu* ShowMenu(IPopupMenu* menu, const NativeRect& area) override;
    bool OpenTextEntry(const NativeTextEntry& entry) override;
    void CloseTextEntry() override;
    bool IsTextEntryOpen() const override { return mField != 0; }
    void SetTooltipAreas(const std::vector<NativeRect>&) override {}
    int RunAlert(const char*, const char*, const std::vector<std::string>&) override { return -1; }
    std::string RunFilePanel(const NativeFilePanel&) override { return ""; }

private:
    // Where PutBitmap draws: a window with the visual and depth its pixels need.
    struct Target
    {
        Window window;
        GC gc;
        Visual* visual;
        int depth;
    };
    struct MenuLayout
    {
        std::vector<int> tops; // per item, plus the bottom as the last entry
        int width = 0;
    };

    void ProcessEvents();
    // Sizes the window to the host's window (at least the panel's size) and centres the panel
    // in it; the rest of the window shows the window's background.
    void LayOut();
    // The window's background becomes the colour at the panel's edge, so that what lies beside
    // the panel, and anything the window system uncovers before a repaint, matches it.
    void MatchBackground(Raster_IBitmap* surface);
    void OnTick();
    void PaintPending();
    void Dispatch(XEvent& e);
    // The part of an exposed window area that the panel covers, to be repainted.
    void InvalidateWindowArea(const XExposeEvent& e);
    void OnButton(const XButtonEvent& b, bool press);
    void OnKey(XKeyEvent& key);
    void OnFieldKey(XKeyEvent& key);
    void CommitTextEntry();
    void DrawField();
    Target EditorTarget(Window window) const { return {window, mGC, mVisual, mDepth}; }
    // Copies area of bitmap to (x, y) of the target window.
    void PutBitmap(const Target& target, Raster_IBitmap* bitmap, const IRECT& area, int x, int y);
    IPopupMenu* RunMenu(IPopupMenu* menu, int x, int y);
    MenuLayout LayOutMenu(IPopupMenu* menu);
    void DrawMenu(IPopupMenu* menu, const MenuLayout& layout, int hover, Raster_IBitmap* bitmap);

    std::unique_ptr<IHostRunLoop> mLoop;
    std::string mResourceRoot;
    INativeViewClient* mClient = nullptr;
    Display* mDisplay = nullptr;
    Window mParent = 0;
    Window mWindow = 0;
    // The host destroyed the window (and so ours inside it).
    bool mWindowGone = false;
    Visual* mVisual = nullptr;
    int mDepth = 0;
    GC mGC = nullptr;
    // The panel (the editor's surface) and where it lies in the window.
    int mPanelW = 0, mPanelH = 0;
    int mWindowW = 0, mWindowH = 0;
    int mOffsetX = 0, mOffsetY = 0;
    Raster_Pixel mBackground = 0;
    NativeRect mInvalid;
    Time mLastPressTime = 0;
    unsigned mLastPressButton = 0;
    int mLastPressX = 0, mLastPressY = 0, mClickCount = 0;

    Window mField = 0;
    NativeTextEntry mEntry;
    // The field's text is still the one it opened with, shown as selected: the first key
    // replaces it.
    bool mFieldFresh = false;
};
