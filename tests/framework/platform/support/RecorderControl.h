// A control that records every event and key that reaches it, for the tests of the native
// layers (the headless one here, the Win32 one under Wine).
#pragma once

#include "framework/graphics/IControl.h"

#include <vector>

class Recorder : public IControl
{
public:
    Recorder(IFxBase* plug, const IRECT& rect) : IControl(plug, rect) {}
    void OnMouseDown(int x, int y, const IMouseMod& m) override { Add('d', x, y, m); }
    void OnMouseUp(int x, int y, const IMouseMod& m) override { Add('u', x, y, m); }
    void OnMouseDrag(int x, int y, int, int, const IMouseMod& m) override { Add('g', x, y, m); }
    void OnMouseDblClick(int x, int y, const IMouseMod& m) override { Add('2', x, y, m); }
    void OnMouseWheel(int x, int y, const IMouseMod& m, int delta) override
    {
        Add('w', x, y, m);
        mWheel.push_back(delta);
    }
    void OnMouseOver(int x, int y, const IMouseMod& m) override { Add('o', x, y, m); }
    bool OnKeyDown(int x, int y, int key) override
    {
        mKeys.push_back({x, y, key});
        return key != 0; // the space bar is not for this control
    }
    bool Draw(IGraphics*) override { return true; }

    struct Event
    {
        char kind;
        int x, y;
        IMouseMod mod;
    };
    std::vector<Event> mEvents;
    std::vector<int> mWheel;
    std::vector<std::vector<int>> mKeys;

private:
    void Add(char kind, int x, int y, const IMouseMod& m) { mEvents.push_back({kind, x, y, m}); }
};
