// A native layer with no window system: the "screen" is a bitmap in memory, the timer ticks
// when the caller says so, and events, menu choices, typed text, alert buttons and file choices
// are injected by the caller. Its view behaves like the editor's macOS view: origin at the
// bottom left, y upwards. Tests, the snapshot renderer and hosts without a display use it.
#pragma once

#include "framework/platform/NativeLayer.h"
#include "raster/Raster.h"

#include <memory>
#include <string>
#include <vector>

class HeadlessNativeLayer : public INativeLayer
{
public:
    // An item of a menu as it was shown.
    struct ShownMenuItem
    {
        std::string text;
        bool checked;
        std::vector<ShownMenuItem> submenu;
    };

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
    bool IsFlipped() const override { return false; }
    std::string FindResource(const char* bundleID, const char* name) override;
    void* OpenView(void* parent, int width, int height, int intervalMs,
                   INativeViewClient* client) override;
    void CloseView() override;
    void* GetView() const override
    {
        return mClient ? const_cast<HeadlessNativeLayer*>(this) : nullptr;
    }
    void ResizeView(int width, int height) override;
    void Invalidate(const NativeRect& area) override;
    bool Present(Raster_IBitmap* surface, const IRECT& area) override;
    IPopupMenu* ShowMenu(IPopupMenu* menu, const NativeRect& area) override;
    bool OpenTextEntry(const NativeTextEntry& entry) override;
    void CloseTextEntry() override { mTextEntryOpen = false; }
    bool IsTextEntryOpen() const override { return mTextEntryOpen; }
    void SetTooltipAreas(const std::vector<NativeRect>& areas) override { mTooltips = areas; }
    int RunAlert(const char* caption, const char* text,
                 const std::vector<std::string>& buttons) override;
    std::string RunFilePanel(const NativeFilePanel& panel) override;

    // ---- driving the view
    // One timer tick; answers whether it asked for a repaint.
    bool Tick();
    // Paints the area waiting to be repainted, if any; answers whether it painted.
    bool Paint();
    // A tick followed by the paint it asked for.
    bool RunFrame();
    // The area waiting to be repainted, in view coordinates (empty when none).
    const NativeRect& GetInvalidArea() const { return mInvalid; }
    // The screen: what Present has copied so far.
    Raster_IBitmap* GetScreen() const { return mScreen.get(); }
    int GetPresentCount() const { return mPresentCount; }
    void* GetParent() const { return mParent; }
    int GetTimerIntervalMs() const { return mIntervalMs; }
    // The host takes the view away without closing it.
    void Detach();

    // Native events in view coordinates; ignored while no view is open.
    void ViewMouse(ENativeMouse kind, bool rightButton, double x, double y, unsigned modifiers,
                   int clickCount = 1);
    void ViewWheel(double x, double y, unsigned modifiers, double deltaY);
    EKeyResult ViewKey(int nativeKeyCode, const char* chars);

    // The same events given in editor pixels and editor modifiers, for tests of the editor that
    // do not care about the view: each becomes the native event that lands there.
    void MouseDown(int x, int y, const IMouseMod& mod);
    void MouseUp(int x, int y, const IMouseMod& mod);
    void MouseDrag(int x, int y, const IMouseMod& mod);
    void MouseDblClick(int x, int y, const IMouseMod& mod);
    void MouseMove(int x, int y, const IMouseMod& mod);
    void MouseWheel(int x, int y, const IMouseMod& mod, int delta);
    // An editor key code (0 space, 1–4 arrows, 5–14 digits, 15–40 letters) as its key press;
    // answers whether the editor took it.
    bool KeyDown(int key);

    // The index the next menu answers (−1 for none; the default); for an item with a submenu,
    // subIndex is the item chosen in it.
    void SetNextMenuChoice(int index, int subIndex = -1)
    {
        mNextMenuChoice = index;
        mNextSubmenuChoice = subIndex;
    }
    // Texts of the items of the last menu shown, as the menu would display them.
    const std::vector<std::string>& GetLastMenuTexts() const { return mLastMenuTexts; }
    // The last menu shown with its ticks and submenus.
    const std::vector<ShownMenuItem>& GetLastMenu() const { return mLastMenu; }
    const NativeRect& GetLastMenuArea() const { return mLastMenuArea; }
    int GetMenuCount() const { return mMenuCount; }

    const NativeTextEntry& GetTextEntry() const { return mTextEntry; }
    // Types one character at a time into the open field, as a user would; a character the field
    // refuses stops the typing. Answers whether every character was taken.
    bool TypeText(const char* text);
    // Replaces the field's contents without filtering.
    void SetTextEntryText(const char* text) { mTextEntry.mText = text ? text : ""; }
    // Ends editing: the field closes and its text goes to the editor.
    void CommitTextEntry();

    const std::vector<NativeRect>& GetTooltipAreas() const { return mTooltips; }
    // The text the view would show for its tooltip now.
    std::string TooltipText();

    // The button index the next alert answers (−1 for none; the default), and the last alert.
    void SetNextAlertButton(int index) { mNextAlertButton = index; }
    const std::vector<std::string>& GetLastAlertButtons() const { return mLastAlertButtons; }
    // The path the next file panel answers ("" cancels; the default), and the last panel.
    void SetNextFileChoice(const char* path) { mNextFileChoice = path ? path : ""; }
    const NativeFilePanel& GetLastFilePanel() const { return mLastFilePanel; }
    int GetFilePanelCount() const { return mFilePanelCount; }

private:
    ViewGeometry Geometry() const;
    void EditorMouse(ENativeMouse kind, int x, int y, const IMouseMod& mod, int clickCount);

    std::string mResourceRoot;
    INativeViewClient* mClient = nullptr;
    void* mParent = nullptr;
    int mIntervalMs = 0;
    std::unique_ptr<Raster_IBitmap> mScreen;
    NativeRect mInvalid;
    int mPresentCount = 0;
    int mNextMenuChoice = -1;
    int mNextSubmenuChoice = -1;
    std::vector<ShownMenuItem> mLastMenu;
    int mMenuCount = 0;
    std::vector<std::string> mLastMenuTexts;
    NativeRect mLastMenuArea;
    bool mTextEntryOpen = false;
    NativeTextEntry mTextEntry;
    std::vector<NativeRect> mTooltips;
    int mNextAlertButton = -1;
    std::vector<std::string> mLastAlertButtons;
    std::string mNextFileChoice;
    NativeFilePanel mLastFilePanel;
    int mFilePanelCount = 0;
};
