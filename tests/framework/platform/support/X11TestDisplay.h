// The host's side of an X11 display for editor tests: top-level windows to embed into, synthetic
// input sent to a window as a window system would deliver it, and screen captures. Its header
// keeps the X11 headers to its implementation, so host tests stay free of them.
#pragma once

#include "raster/Raster.h"

#include <memory>
#include <utility>
#include <vector>

class X11TestDisplay
{
public:
    // Null when no display can be opened (no DISPLAY, no server).
    static std::unique_ptr<X11TestDisplay> Open();
    ~X11TestDisplay();
    X11TestDisplay(const X11TestDisplay&) = delete;
    X11TestDisplay& operator=(const X11TestDisplay&) = delete;

    // A mapped top-level window, as a host's editor frame.
    unsigned long CreateWindow(int width, int height);
    void DestroyWindow(unsigned long window);
    // Resizes a window, as a host resizes its editor frame, and waits until it is done.
    void ResizeWindow(unsigned long window, int width, int height);
    // The window's width and height; 0, 0 when it does not exist.
    std::pair<int, int> Size(unsigned long window);
    std::vector<unsigned long> Children(unsigned long window);
    // Mapped override-redirect windows at the top level (pop-up menus).
    std::vector<unsigned long> Popups();

    // Buttons are X11's: 1 left, 3 right, 4 and 5 the wheel. held lists the buttons down during
    // the event (for motion: the drag buttons).
    void Press(unsigned long window, int button, int x, int y, unsigned held = 0);
    void Release(unsigned long window, int button, int x, int y, unsigned held = 0);
    void Motion(unsigned long window, int x, int y, unsigned held);
    // Two presses and releases 100 ms apart, as a double-click.
    void DoubleClick(unsigned long window, int button, int x, int y);
    // A key by its keysym name ("a", "1", "period", "Return"), pressed with shift when asked.
    void Key(unsigned long window, const char* keysymName, bool shift = false);
    // Waits until the server has handled everything sent so far.
    void Sync();

    // The window's pixels that lie on the screen (from its top left corner), opaque 0xFFRRGGBB;
    // null when it cannot be read.
    std::unique_ptr<Raster_IBitmap> Capture(unsigned long window);
    // Whether the window still exists.
    bool Exists(unsigned long window);

private:
    struct Impl;
    explicit X11TestDisplay(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> mImpl;
};

// Held-button masks for X11TestDisplay's held arguments.
constexpr unsigned kHeldLeft = 1u << 8;
constexpr unsigned kHeldRight = 1u << 10;
