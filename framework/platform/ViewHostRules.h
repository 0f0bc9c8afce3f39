// The rules by which an editor is hosted in a native view, as plain arithmetic and small
// decisions, so that every native layer applies the same ones and tests can check them without a
// window system: coordinates, modifiers, keys, wheel steps, the text-entry filter, message-box
// buttons, the timer interval, resource names and file-prompt paths.
#pragma once

#include "framework/graphics/IGraphicsStructs.h"

#include <string>
#include <vector>

// A rectangle in a native view's own coordinates.
struct NativeRect
{
    double x = 0.0, y = 0.0, w = 0.0, h = 0.0;
    bool operator==(const NativeRect& o) const
    {
        return x == o.x && y == o.y && w == o.w && h == o.h;
    }
    bool Empty() const { return w <= 0.0 || h <= 0.0; }
    // The smallest rectangle holding both; an empty one adds nothing.
    NativeRect Union(const NativeRect& o) const;
};

// Modifier keys held during a native event (bit flags).
enum ENativeModifier : unsigned
{
    kNativeShift = 1u,
    kNativeControl = 2u,
    kNativeAlt = 4u,
    kNativeCommand = 8u
};

// How a view is laid out: a view whose origin is at the bottom left with y upwards (not flipped)
// maps its points to editor pixels with a fixed offset of 2 to the left and 3 up, the way the
// editor's macOS view always has; a flipped view (origin top left, y downwards, one unit per
// pixel, as an X11 window) maps them one to one. An editor drawn at a scale covers scale × scale
// view pixels with each of its own; height is the view's, in view pixels.
struct ViewGeometry
{
    int height = 0;
    bool flipped = false;
    double scale = 1.0;
};

// The editor pixel that a view point falls on (truncated toward zero).
void EditorPointFromView(const ViewGeometry& g, double px, double py, int* x, int* y);
// The view point that EditorPointFromView maps to (x, y): for layers that are handed editor pixels.
void ViewPointFromEditor(const ViewGeometry& g, int x, int y, double* px, double* py);
// A view area (what the window system asks to be painted) as editor pixels.
IRECT EditorRectFromView(const ViewGeometry& g, const NativeRect& r);
// An editor area (dirty controls, menus, text fields, tooltips) as a view area; an unflipped
// view gets one more row and column, so that the area painted back always covers it.
NativeRect ViewRectFromEditor(const ViewGeometry& g, const IRECT& r);

// The editor's modifiers for a mouse event. Left-button events (down, up, drag, move, wheel) set
// left, and right too while command is held, so that a command-click acts as a right-click;
// right-button events set right only.
IMouseMod MouseModFromNative(unsigned modifiers, bool rightButtonEvent);

// Key codes of the editor's key table (IGraphics::OnKeyDown): space 0, arrows up, down, left,
// right 1–4, digits 5–14, letters 15–40.
enum EEditorKeyAnswer
{
    kKeyPassOn = -1, // not in the table: for the host (the next responder)
    kKeyDrop = -2    // not a single character: nobody gets it
};
// Native key codes of the five keys the table knows by key code (the macOS virtual key codes).
enum ENativeKeyCode
{
    kNativeKeySpace = 49,
    kNativeKeyUp = 126,
    kNativeKeyDown = 125,
    kNativeKeyLeft = 123,
    kNativeKeyRight = 124,
    kNativeKeyNone = -1
};
// The editor key code for a key press: the five named keys by native key code; otherwise chars
// (UTF-8, modifiers ignored) must be exactly one character, a digit or a letter of either case.
int EditorKeyFromNative(int nativeKeyCode, const char* chars);

// Scroll amount to the editor's wheel delta: truncated toward zero.
int WheelDeltaFromNative(double deltaY);

// What may be typed into a text-entry field.
struct NativeTextFilter
{
    // Characters allowed; empty allows any.
    std::string mAllowedChars;
    // Longest text allowed and largest integer value; 0 means no limit.
    int mMaxLength = 0;
    int mMaxValue = 0;
};
// Whether the field may hold proposed (the whole text after an edit).
bool TextFilterAccepts(const NativeTextFilter& filter, const std::string& proposed);

// The repaint timer's interval in milliseconds for a frame rate; 40 ms (25 a second) when the
// rate is not positive.
int TimerIntervalMs(int fps);

// Buttons of a message box of this type, default first: 4 "Yes" "No"; 3 "Yes" "No" "Cancel";
// 1 "OK" "Cancel"; anything else "OK".
std::vector<std::string> MessageBoxButtons(int type);
// The answer for the button pressed (its index in MessageBoxButtons, −1 for none): the default
// 1, the alternate 7, the other 2, nothing 0.
int MessageBoxAnswer(int pressedIndex);

// The resource file a bitmap name stands for: its last path component, for names ending in
// ".png" in any case ("resources/img/IN.png" is "IN.png"); "" for any other name.
std::string ResourceFileName(const char* name);
// The path of resource name in the resources folder root: the file under its own relative path
// when the bundle keeps the folders, else the resource file at the top of the folder; "" when
// neither exists or the name is not a PNG.
std::string FindBundleResource(const std::string& root, const char* name);

// File types from an extensions string split at spaces ("wav aif" → "wav", "aif").
std::vector<std::string> SplitFileTypes(const char* extensions);
// The folder of path followed by "/" ("/a/b/c.txt" → "/a/b/").
std::string ParentFolderWithSlash(const std::string& path);
