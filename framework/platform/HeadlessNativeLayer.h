// A native layer with no window system: the "screen" is a bitmap in memory, the timer ticks
// when the caller says so, and events, menu choices and typed text are injected by the caller.
// Tests, the snapshot renderer and hosts without a display use it.
#pragma once

#include "framework/platform/NativeLayer.h"
#include "raster/Raster.h"

#include <memory>
#include <string>
#include <vector>

class HeadlessNativeLayer : public INativeLayer
{
public:
    // Resources are looked up under resourceRoot; with none given, under the resources folder of
    // the bundle that holds this code.
    explicit HeadlessNativeLayer(const char* resourceRoot = nullptr);
    ~HeadlessNativeLayer() override;

    void SetResourceRoot(const char* resourceRoot)
    {
        mResourceRoot = resourceRoot ? resourceRoot : "";
    }
    const std::string& GetResourceRoot() const { return mResourceRoot; }

    // ---- INativeLayer
    const char* GetName() const override { return "Headless"; }
    std::string FindResource(const char* bundleID, const char* name) override;
    void* OpenView(void* parent, int width, int height, int fps,
                   INativeViewClient* client) override;
    void CloseView() override;
    void* GetView() const override
    {
        return mClient ? const_cast<HeadlessNativeLayer*>(this) : nullptr;
    }
    void ResizeView(int width, int height) override;
    void Invalidate(const IRECT& area) override;
    bool Present(Raster_IBitmap* surface, const IRECT& area) override;
    IPopupMenu* ShowMenu(IPopupMenu* menu, const IRECT& area) override;
    bool OpenTextEntry(const NativeTextEntry& entry) override;
    void CloseTextEntry() override { mTextEntryOpen = false; }
    bool IsTextEntryOpen() const override { return mTextEntryOpen; }

    // ---- driving the view
    // One timer tick; answers whether it asked for a repaint.
    bool Tick();
    // Paints the area waiting to be repainted, if any; answers whether it painted.
    bool Paint();
    // A tick followed by the paint it asked for.
    bool RunFrame();
    const IRECT& GetInvalidArea() const { return mInvalid; }
    // The screen: what Present has copied so far.
    Raster_IBitmap* GetScreen() const { return mScreen.get(); }
    int GetPresentCount() const { return mPresentCount; }
    void* GetParent() const { return mParent; }
    int GetTimerFPS() const { return mFPS; }

    // Events in editor pixels; ignored while no view is open. Drags are dropped while a text
    // field is open (the position is still remembered for keys).
    void MouseDown(int x, int y, const IMouseMod& mod);
    void MouseUp(int x, int y, const IMouseMod& mod);
    void MouseDrag(int x, int y, const IMouseMod& mod);
    void MouseDblClick(int x, int y, const IMouseMod& mod);
    void MouseMove(int x, int y, const IMouseMod& mod);
    // Ends an open text entry first, as any scroll does.
    void MouseWheel(int x, int y, const IMouseMod& mod, int delta);
    bool KeyDown(int key);

    // The index the next menu answers (−1 for none; the default).
    void SetNextMenuChoice(int index) { mNextMenuChoice = index; }
    // Texts of the items of the last menu shown, as the menu would display them.
    const std::vector<std::string>& GetLastMenuTexts() const { return mLastMenuTexts; }
    int GetMenuCount() const { return mMenuCount; }

    const NativeTextEntry& GetTextEntry() const { return mTextEntry; }
    // Types one character at a time into the open field, as a user would; a character the field
    // refuses stops the typing. Answers whether every character was taken.
    bool TypeText(const char* text);
    // Replaces the field's contents without filtering.
    void SetTextEntryText(const char* text) { mTextEntry.mText = text ? text : ""; }
    // Ends editing: the field closes and its text goes to the editor.
    void CommitTextEntry();

private:
    std::string mResourceRoot;
    INativeViewClient* mClient = nullptr;
    void* mParent = nullptr;
    int mFPS = 0;
    std::unique_ptr<Raster_IBitmap> mScreen;
    IRECT mInvalid;
    int mPresentCount = 0;
    int mMouseX = 0, mMouseY = 0;
    int mNextMenuChoice = -1;
    int mMenuCount = 0;
    std::vector<std::string> mLastMenuTexts;
    bool mTextEntryOpen = false;
    NativeTextEntry mTextEntry;
};
