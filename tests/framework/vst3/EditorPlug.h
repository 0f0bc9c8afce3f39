// A small plug-in with an editor, for tests of the editor view: a 352 × 568 panel with a line
// knob on parameter 0 ("Gain", double), an invisible switch on parameter 1 ("Mode", int 0–1) and
// a line knob on parameter 2 ("Choice", enum "Tube", "Line", "Iron"). Control indices: 0 panel,
// 1 gain knob, 2 switch, 3 choice knob.
#pragma once

#include "framework/graphics/IControl.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/IFxVST3.h"

#include <vector>

namespace viewtest
{

constexpr int kWidth = 352;
constexpr int kHeight = 568;
// Knob and switch areas in editor pixels.
const IRECT kKnobRect(100, 100, 180, 180);
const IRECT kSwitchRect(200, 400, 260, 440);
const IRECT kChoiceRect(40, 300, 100, 360);

class EditorPlug : public IFxVST3
{
public:
    // Without an editor, when withEditor is false. fps is the editor's frame rate (0: default).
    explicit EditorPlug(bool withEditor = true, int fps = 0)
        : IFxVST3(IFxInstanceInfo(), 3, "2-2", 1, "EditorPlug", "", "Tests", 0x10000, 0x45645031,
                  0x54737473, 0, false, false, false, 0)
    {
        GetParam(0)->InitDouble("Gain", 0.0, 0.0, 1.0, 0.01, "", "");
        GetParam(1)->InitInt("Mode", 0, 0, 1, "", "");
        GetParam(2)->InitEnum("Choice", 0, 3);
        GetParam(2)->SetDisplayText(0, "Tube");
        GetParam(2)->SetDisplayText(1, "Line");
        GetParam(2)->SetDisplayText(2, "Iron");
        if (!withEditor)
            return;
        IGraphicsMac* graphics = MakePlatformGraphics(this, kWidth, kHeight, fps, "com.tests.ed");
        graphics->AttachPanelBackground(COLOR_BLUE);
        graphics->AttachControl(new IKnobLineControl(this, kKnobRect, 0, COLOR_WHITE, 5.0, 38.0));
        graphics->AttachControl(new IInvisibleSwitchControl(this, kSwitchRect, 1));
        graphics->AttachControl(new IKnobLineControl(this, kChoiceRect, 2, COLOR_RED, 0.0, 25.0));
        AttachGraphics(graphics);
    }

    IGraphicsMac* Editor() const { return static_cast<IGraphicsMac*>(GetEditor()); }

    void OnGUIOpen() override { mHooks.push_back('o'); }
    void OnGUIClose() override { mHooks.push_back('c'); }
    void OnWindowResize() override { mHooks.push_back('r'); }

    // 'o' OnGUIOpen, 'c' OnGUIClose, 'r' OnWindowResize, in call order.
    std::vector<char> mHooks;
};

} // namespace viewtest
