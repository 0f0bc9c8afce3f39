// The narrow interface between the editor (IGraphicsMac) and whatever shows it on this machine:
// a view with a repaint timer, the screen copy, pop-up menus, a text-entry field and resource
// lookup. Implementations: HeadlessNativeLayer (off screen, events injected by the caller).
#pragma once

#include "framework/graphics/IGraphicsStructs.h"

#include <string>

class IGraphics;
class IPopupMenu;
class Raster_IBitmap;

// What an open view calls back into. All calls come on the user-interface thread.
class INativeViewClient
{
public:
    // The graphics context that mouse, wheel and key events go to.
    virtual IGraphics* GetGraphics() = 0;
    // One tick of the repaint timer: find the dirty area and ask for it to be repainted.
    virtual void OnViewTimer() = 0;
    // The window system wants area (editor pixels) painted.
    virtual void OnViewPaint(const IRECT& area) = 0;
    // The text-entry field closed with text as its contents.
    virtual void OnTextEntryEnded(const char* text) = 0;

protected:
    ~INativeViewClient() = default;
};

// What may be typed into a text-entry field.
struct NativeTextEntry
{
    IRECT mArea;
    IText mStyle;
    std::string mText;
    // Characters allowed; empty allows any.
    std::string mAllowedChars;
    // Longest text allowed; 0 means no limit.
    int mMaxLength = 0;
};

class INativeLayer
{
public:
    virtual ~INativeLayer() = default;

    // Name of the window system, for IGraphics::GetGUIAPI.
    virtual const char* GetName() const = 0;

    // Absolute path of the resource file name (a path such as "resources/img/IN.png") of the
    // bundle with that identifier; "" when there is no such file.
    virtual std::string FindResource(const char* bundleID, const char* name) = 0;

    // Opens a view of width × height inside parent (a native handle; may be null) whose timer
    // ticks fps times a second. Answers the view's handle, null on failure.
    virtual void* OpenView(void* parent, int width, int height, int fps,
                           INativeViewClient* client) = 0;
    virtual void CloseView() = 0;
    virtual void* GetView() const = 0;
    virtual void ResizeView(int width, int height) = 0;
    // Asks for area to be repainted soon (through OnViewPaint).
    virtual void Invalidate(const IRECT& area) = 0;
    // Copies the part area of the editor's surface to the screen.
    virtual bool Present(Raster_IBitmap* surface, const IRECT& area) = 0;

    // Shows menu at area and waits for a choice. Answers the menu (or submenu) in which an item
    // was chosen, with its chosen index set, or null when nothing was chosen.
    virtual IPopupMenu* ShowMenu(IPopupMenu* menu, const IRECT& area) = 0;

    // Opens a text-entry field; its end is reported through OnTextEntryEnded. False when one is
    // already open or none can be made.
    virtual bool OpenTextEntry(const NativeTextEntry& entry) = 0;
    // Removes an open field without reporting its text.
    virtual void CloseTextEntry() = 0;
    virtual bool IsTextEntryOpen() const = 0;
};
