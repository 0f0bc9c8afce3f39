// The narrow interface between the editor (IGraphicsMac) and whatever shows it on this machine:
// a view with a repaint timer, the screen copy, pop-up menus, a text-entry field, tooltips, alerts,
// file panels and resource lookup. A layer reports raw native events in its view's own
// coordinates; the editor applies the hosting rules (ViewHostRules.h) to them. Implementations:
// HeadlessNativeLayer (off screen, events injected by the caller), X11NativeLayer (a child
// window of an X11 host window).
#pragma once

#include "framework/graphics/IGraphicsStructs.h"
#include "framework/platform/ViewHostRules.h"

#include <string>
#include <vector>

class IPopupMenu;
class Raster_IBitmap;

enum class ENativeMouse
{
    kDown,
    kUp,
    kDrag,
    kMove
};

// What became of a key press.
enum class EKeyResult
{
    kTaken,   // the editor used it
    kDropped, // nobody gets it
    kPassedOn // for the host (the next responder)
};

// What an open view calls back into. All calls come on the user-interface thread; coordinates
// are the view's own.
class INativeViewClient
{
public:
    // One tick of the repaint timer: find the dirty area and ask for it to be repainted.
    virtual void OnViewTimer() = 0;
    // The window system wants area painted.
    virtual void OnViewPaint(const NativeRect& area) = 0;
    // A mouse event of the left or the right button (moves: of no button); clickCount counts
    // presses in quick succession (2 for the second press of a double-click).
    virtual void OnViewMouse(ENativeMouse kind, bool rightButton, double x, double y,
                             unsigned modifiers, int clickCount) = 0;
    virtual void OnViewWheel(double x, double y, unsigned modifiers, double deltaY) = 0;
    // A key press: the native key code (ENativeKeyCode for the keys it names) and the characters
    // it types without modifiers, UTF-8.
    virtual EKeyResult OnViewKey(int nativeKeyCode, const char* chars) = 0;
    // The text of the tooltip the view is about to show.
    virtual std::string OnViewTooltip() = 0;
    // The text-entry field closed with text as its contents.
    virtual void OnTextEntryEnded(const char* text) = 0;
    // The view was taken away by other means than CloseView (the host tore its window down).
    virtual void OnViewDetached() = 0;

protected:
    ~INativeViewClient() = default;
};

// A text-entry field to open.
struct NativeTextEntry
{
    NativeRect mArea;
    IText mStyle;
    // Point size of the field's font: 90 % of the style's, truncated.
    float mFontSize = 0.0f;
    std::string mText;
    NativeTextFilter mFilter;
};

// A file panel to show.
struct NativeFilePanel
{
    bool mSave = false;
    std::string mDirectory;
    // Allowed file types (extensions); empty allows any.
    std::vector<std::string> mTypes;
};

class INativeLayer
{
public:
    virtual ~INativeLayer() = default;

    // Name of the window system, for IGraphics::GetGUIAPI.
    virtual const char* GetName() const = 0;
    // Whether the view's y axis grows downwards from its top edge (see ViewGeometry).
    virtual bool IsFlipped() const = 0;

    // Absolute path of the resource file name (a path such as "resources/img/IN.png") of the
    // bundle with that identifier; "" when there is no such file.
    virtual std::string FindResource(const char* bundleID, const char* name) = 0;

    // Opens a view of width × height inside parent (a native handle; may be null) whose timer
    // ticks every intervalMs milliseconds. Answers the view's handle, null on failure.
    virtual void* OpenView(void* parent, int width, int height, int intervalMs,
                           INativeViewClient* client) = 0;
    virtual void CloseView() = 0;
    virtual void* GetView() const = 0;
    virtual void ResizeView(int width, int height) = 0;
    // Asks for area to be repainted soon (through OnViewPaint).
    virtual void Invalidate(const NativeRect& area) = 0;
    // Copies the part area (editor pixels) of the editor's surface to the screen.
    virtual bool Present(Raster_IBitmap* surface, const IRECT& area) = 0;

    // Shows menu at area and waits for a choice. Answers the menu (or submenu) in which an item
    // was chosen, with its chosen index set, or null when nothing was chosen.
    virtual IPopupMenu* ShowMenu(IPopupMenu* menu, const NativeRect& area) = 0;

    // Opens a text-entry field; its end is reported through OnTextEntryEnded. False when one is
    // already open or none can be made.
    virtual bool OpenTextEntry(const NativeTextEntry& entry) = 0;
    // Removes an open field without reporting its text.
    virtual void CloseTextEntry() = 0;
    virtual bool IsTextEntryOpen() const = 0;

    // Replaces the view's tooltip areas (none removes them all).
    virtual void SetTooltipAreas(const std::vector<NativeRect>& areas) = 0;

    // A modal alert; answers the index of the button pressed, −1 for none.
    virtual int RunAlert(const char* caption, const char* text,
                         const std::vector<std::string>& buttons) = 0;
    // A modal file panel; answers the chosen path, "" when cancelled.
    virtual std::string RunFilePanel(const NativeFilePanel& panel) = 0;
};
