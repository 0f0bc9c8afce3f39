#include "GfxTestSupport.h"

#include "framework/core/IParam.h"

// Points inside each control of the test editor.
const int kInputX = 110, kInputY = 30;
const int kModelX = 110, kModelY = 460;
const int kBusX = 285, kBusY = 150;

TEST_F(EditorTest, KnobShowsTheNearestOfItsSixtyOneFrames)
{
    IControl* knob = Control(kCtlInput);
    const struct
    {
        double value;
        int frame;
    } cases[] = {{0.0, 0}, {0.5, 30}, {0.9916, 59}, {0.9917, 60}, {1.0, 60}};
    for (const auto& c : cases)
    {
        knob->SetValueFromPlug(c.value);
        Settle();
        EXPECT_EQ(DrawnFrame(kInputX, kInputY), c.frame) << c.value;
        EXPECT_EQ(DrawnResource(kInputX, kInputY), 101);
    }
    // The last frame's bottom row really is the strip's last row.
    EXPECT_EQ(DrawnFrame(kInputX, 19 + kKnobSize - 1), 60);
}

TEST_F(EditorTest, SwitchStepsThroughItsFramesAndWraps)
{
    IControl* model = Control(kCtlModel);
    ASSERT_EQ(*model->GetRECT(), IRECT(105, 455, 105 + kModelW, 455 + kModelH));
    const IMouseMod left(true);
    double expected[] = {0.5, 1.0, 0.0, 0.5};
    int frames[] = {1, 2, 0, 1};
    for (int i = 0; i < 4; ++i)
    {
        mLayer->MouseDown(kModelX, kModelY, left);
        mLayer->MouseUp(kModelX, kModelY, left);
        EXPECT_DOUBLE_EQ(model->GetValue(), expected[i]);
        EXPECT_EQ(mPlug.GetParam(kModel)->Int(), int(expected[i] * 2));
        Settle();
        EXPECT_EQ(DrawnFrame(kModelX, kModelY), frames[i]);
    }

    // Two frames toggle; a double click steps once more instead of restoring the default.
    IControl* bus = Control(kCtlBus);
    EXPECT_DOUBLE_EQ(bus->GetValue(), 1.0);
    mLayer->MouseDown(kBusX, kBusY, left);
    EXPECT_DOUBLE_EQ(bus->GetValue(), 0.0);
    mLayer->MouseDblClick(kBusX, kBusY, left);
    EXPECT_DOUBLE_EQ(bus->GetValue(), 1.0);
}

TEST_F(EditorTest, TwoFrameSwitchShowsTheSecondFrameFromAHalf)
{
    IControl* bus = Control(kCtlBus);
    bus->SetValueFromPlug(0.5);
    Settle();
    EXPECT_EQ(DrawnFrame(kBusX, kBusY), 1);
    bus->SetValueFromPlug(0.49);
    Settle();
    EXPECT_EQ(DrawnFrame(kBusX, kBusY), 0);
}

TEST_F(EditorTest, KnobDragFollowsGearingAndClamps)
{
    IControl* knob = Control(kCtlInput);
    const IMouseMod left(true), shift(true, false, true), ctrl(true, false, false, true);
    mLayer->MouseDown(kInputX, kInputY, left);
    mLayer->MouseDrag(kInputX, kInputY - 20, left);
    // 20 pixels up on a 50-pixel knob with gearing 4: 20 / 50 / 4.
    EXPECT_NEAR(knob->GetValue(), 0.1, 1e-12);
    mLayer->MouseDrag(kInputX, kInputY - 40, shift);
    EXPECT_NEAR(knob->GetValue(), 0.11, 1e-12);
    mLayer->MouseDrag(kInputX, kInputY - 20, ctrl);
    EXPECT_NEAR(knob->GetValue(), 0.1, 1e-12);
    // Far past the top stays at 1 and moving back lowers it at once.
    mLayer->MouseDrag(kInputX, kInputY - 2000, left);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 1.0);
    mLayer->MouseDrag(kInputX, kInputY - 1990, left);
    EXPECT_NEAR(knob->GetValue(), 1.0 - 10.0 / 50.0 / 4.0, 1e-12);
    mLayer->MouseUp(kInputX, kInputY - 1990, left);
    EXPECT_NEAR(mPlug.GetParam(kInput)->GetNormalized(), knob->GetValue(), 1e-12);
    // Four knob heights sweep the whole range.
    mLayer->MouseDown(kInputX, kInputY, left);
    mLayer->MouseDrag(kInputX, kInputY + 4 * kKnobSize, left);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.0);
}

TEST_F(EditorTest, WheelStepsByAHundredthOrAThousandth)
{
    IControl* knob = Control(kCtlLow);
    ASSERT_DOUBLE_EQ(knob->GetValue(), 0.5);
    mLayer->MouseWheel(60, 360, IMouseMod(true), 3);
    EXPECT_NEAR(knob->GetValue(), 0.53, 1e-12);
    mLayer->MouseWheel(60, 360, IMouseMod(true, false, false, true), -3);
    EXPECT_NEAR(knob->GetValue(), 0.527, 1e-12);
    EXPECT_NEAR(mPlug.GetParam(kLow)->Value(), 0.527, 1e-12);
}

TEST_F(EditorTest, DoubleClickRestoresTheFirstValueThePlugInSent)
{
    IControl* knob = Control(kCtlOutput);
    // The first value the plug-in sent at attach time is 0 dB, i.e. the middle.
    EXPECT_DOUBLE_EQ(knob->GetDefaultValue(), 0.5);
    knob->SetValueFromUserInput(0.9);
    mPlug.mEdits.clear();
    const IMouseMod left(true);
    mLayer->MouseDown(110, 200, left);
    mLayer->MouseUp(110, 200, left);
    mLayer->MouseDblClick(110, 200, left);
    mLayer->MouseUp(110, 200, left);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
    EXPECT_DOUBLE_EQ(mPlug.GetParam(kOutput)->Value(), 0.0);
    // begin/end for the first click, the default without a begin, one more end.
    EXPECT_EQ(mPlug.EditKinds(), "bepe");
}

TEST_F(EditorTest, EqualValueFromThePlugInDoesNotRedraw)
{
    Settle();
    IRECT dirty;
    EXPECT_FALSE(mGraphics->IsDirty(&dirty));
    Control(kCtlHigh)->SetValueFromPlug(Control(kCtlHigh)->GetValue());
    EXPECT_FALSE(mGraphics->IsDirty(&dirty));
    // A changed value is drawn in two consecutive redraws.
    Control(kCtlHigh)->SetValueFromPlug(0.75);
    EXPECT_TRUE(mLayer->RunFrame());
    EXPECT_TRUE(mLayer->RunFrame());
    EXPECT_FALSE(mLayer->RunFrame());
}

TEST_F(EditorTest, GrayedControlDrawsDimmedAndIsNotHit)
{
    mGraphics->GrayOutControl(kInput, true);
    EXPECT_FLOAT_EQ(Control(kCtlInput)->GetBlend()->mWeight, 0.25f);
    EXPECT_EQ(mGraphics->GetMouseControlIdx(kInputX, kInputY), kCtlBackground);
    EXPECT_EQ(mGraphics->GetMouseControlIdx(kInputX, kInputY, true), kCtlBackground);
    Control(kCtlInput)->SetMOWhenGrayed(true);
    EXPECT_EQ(mGraphics->GetMouseControlIdx(kInputX, kInputY, true), kCtlInput);
    EXPECT_EQ(mGraphics->GetMouseControlIdx(kInputX, kInputY), kCtlBackground);
    mGraphics->GrayOutControl(kInput, false);
    EXPECT_FLOAT_EQ(Control(kCtlInput)->GetBlend()->mWeight, 1.0f);
}

TEST_F(EditorTest, ClampKeepsValuesInsideThePlainRange)
{
    // 6 to 12 dB of a 0–24 dB parameter.
    mGraphics->ClampControl(kInput, 6.0, 12.0, false);
    IControl* knob = Control(kCtlInput);
    mLayer->MouseWheel(kInputX, kInputY, IMouseMod(true), -100);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.25);
    mLayer->MouseWheel(kInputX, kInputY, IMouseMod(true), 100);
    EXPECT_DOUBLE_EQ(knob->GetValue(), 0.5);
}

// Controls that the product does not use, on bare rectangles of the same editor.
class OtherControlsTest : public EditorTest
{
protected:
    IControl* Attach(IControl* c)
    {
        mGraphics->AttachControl(c);
        return c;
    }
    IBitmap Strip(int id, const char* file, int n, bool horizontal = false)
    {
        return mGraphics->LoadIBitmap(id, file, n, horizontal);
    }
};

TEST_F(OtherControlsTest, FramesSwitchPicksTheClickedPart)
{
    IControl* c = Attach(new ISwitchFramesControl(&mPlug, 200, 500, kModel,
                                                  Strip(106, "resources/img/MODEL.png", 3)));
    // 20 pixels high, three parts: 0–5, 6–12, 13–19.
    c->OnMouseDown(210, 514, IMouseMod(true));
    EXPECT_DOUBLE_EQ(c->GetValue(), 1.0);
    c->OnMouseDown(210, 507, IMouseMod(true));
    EXPECT_DOUBLE_EQ(c->GetValue(), 0.5);
    c->OnMouseDown(210, 500, IMouseMod(true));
    EXPECT_DOUBLE_EQ(c->GetValue(), 0.0);
}

TEST_F(OtherControlsTest, InvisibleSwitchAndContact)
{
    IControl* sw = Attach(new IInvisibleSwitchControl(&mPlug, IRECT(0, 0, 5, 5), kBus));
    sw->OnMouseDown(1, 1, IMouseMod(true));
    EXPECT_DOUBLE_EQ(sw->GetValue(), 1.0);
    sw->OnMouseDown(1, 1, IMouseMod(true));
    EXPECT_DOUBLE_EQ(sw->GetValue(), 0.0);

    IControl* contact = Attach(
        new IContactControl(&mPlug, 300, 10, kTransformer, Strip(103, "resources/img/BUS.png", 2)));
    contact->OnMouseDown(305, 15, IMouseMod(true));
    EXPECT_DOUBLE_EQ(contact->GetValue(), 1.0);
    contact->OnMouseUp(305, 15, IMouseMod(true));
    EXPECT_DOUBLE_EQ(contact->GetValue(), 0.0);
}

TEST_F(OtherControlsTest, RadioButtonsSpreadEvenlyAndSelect)
{
    auto* radio = new IRadioButtonsControl(&mPlug, IRECT(10, 10, 170, 40), kModel, 3,
                                           Strip(103, "resources/img/BUS.png", 2), kHorizontal);
    Attach(radio);
    // Buttons 40 wide over 160 pixels: gaps of 20.
    ASSERT_EQ(radio->GetButtonRECTs().size(), 3u);
    EXPECT_EQ(radio->GetButtonRECTs()[1], IRECT(70, 10, 110, 40));
    EXPECT_EQ(radio->GetButtonRECTs()[2], IRECT(130, 10, 170, 40));
    radio->OnMouseDown(135, 20, IMouseMod(true));
    EXPECT_DOUBLE_EQ(radio->GetValue(), 1.0);
    radio->OnMouseDown(65, 20, IMouseMod(true)); // in a gap: unchanged
    EXPECT_DOUBLE_EQ(radio->GetValue(), 1.0);
    auto* reversed =
        new IRadioButtonsControl(&mPlug, IRECT(10, 10, 50, 130), kModel, 2,
                                 Strip(103, "resources/img/BUS.png", 2), kVertical, true);
    Attach(reversed);
    EXPECT_EQ(reversed->GetButtonRECTs()[0], IRECT(10, 100, 50, 130));
}

TEST_F(OtherControlsTest, FaderSnapsTheHandleToTheMouse)
{
    auto* fader = new IFaderControl(&mPlug, 300, 200, 130, kHigh,
                                    Strip(103, "resources/img/BUS.png", 2), kVertical);
    Attach(fader);
    // Handle 30 high, travel 100: the handle's centre at y follows 1 − (y − top − 15) / 100.
    fader->OnMouseDown(310, 200 + 15 + 25, IMouseMod(true));
    EXPECT_DOUBLE_EQ(fader->GetValue(), 0.75);
    EXPECT_EQ(fader->GetHandleRECT(0.75), IRECT(300, 225, 340, 255));
    fader->OnMouseDrag(310, 0, 0, 0, IMouseMod(true));
    EXPECT_DOUBLE_EQ(fader->GetValue(), 1.0);
}

TEST_F(OtherControlsTest, TextControlsDrawText)
{
    auto* text = new ITextControl(&mPlug, IRECT(10, 10, 200, 30), IText(14, COLOR_WHITE), "Hi");
    Attach(text);
    mGraphics->SetAllControlsDirty();
    Settle();
    int lit = 0;
    for (int y = 10; y < 30; ++y)
        for (int x = 10; x < 200; ++x)
            lit += Raster_GetR(Raster_GetPixel(mGraphics->GetDrawBitmap(), x, y)) > 128;
    EXPECT_GT(lit, 5);
    IText style(20, COLOR_BLACK);
    IRECT r(100, 100, 200, 140);
    ASSERT_TRUE(mGraphics->MeasureIText(&style, "Hello", &r));
    EXPECT_GT(r.W(), 0);
    EXPECT_EQ(r.L, 150 - r.W() / 2);
    EXPECT_NE(style.mCached, nullptr);

    auto* caption = new ICaptionControl(&mPlug, IRECT(10, 40, 200, 60), kModel, IText(), true);
    Attach(caption);
    caption->Draw(mGraphics);
    EXPECT_STREQ(caption->GetTextForDisplay(), "Tube ");
}
