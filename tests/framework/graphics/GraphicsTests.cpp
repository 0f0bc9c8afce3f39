#include "GfxTestSupport.h"
#include "raster/RasterPNG.h"

#include "framework/core/IParam.h"

namespace
{

// Counts its draws; used to see which controls a redraw touched.
class ProbeControl : public IControl
{
public:
    ProbeControl(IFxBase* plug, const IRECT& r, int paramIdx = -1) : IControl(plug, r, paramIdx) {}
    bool Draw(IGraphics*) override
    {
        ++mDraws;
        return true;
    }
    void OnMouseDown(int, int, const IMouseMod&) override { ++mDowns; }
    bool OnKeyDown(int, int, int key) override
    {
        mLastKey = key;
        return true;
    }
    int mDraws = 0, mDowns = 0, mLastKey = -1;
};

const IMouseMod kLeft(true);
const IMouseMod kRight(false, true);

} // namespace

TEST_F(EditorTest, LayoutMatchesTheBitmaps)
{
    ASSERT_EQ(mGraphics->GetNControls(), 8);
    EXPECT_EQ(*Control(kCtlBackground)->GetRECT(), IRECT(0, 0, 352, 568));
    EXPECT_EQ(*Control(kCtlInput)->GetRECT(), IRECT(102, 19, 152, 69));
    EXPECT_EQ(*Control(kCtlTransformer)->GetRECT(), IRECT(5, 144, 45, 174));
    EXPECT_EQ(mGraphics->FPS(), 25);
    EXPECT_STREQ(mGraphics->GetBundleID(), "com.QuillstoneAudio.vst3.VELTAR");
    // Attached values: Transformer and Bus start at 1, Low and High in the middle.
    EXPECT_DOUBLE_EQ(Control(kCtlTransformer)->GetValue(), 1.0);
    EXPECT_DOUBLE_EQ(Control(kCtlLow)->GetValue(), 0.5);
    EXPECT_EQ(mPlug.GetGUI(), mGraphics);
}

TEST_F(EditorTest, FirstPaintCoversTheWholeEditor)
{
    EXPECT_TRUE(mLayer->Tick());
    EXPECT_EQ(mLayer->GetInvalidArea(), NativeRect({0, -1, 353, 569}));
    EXPECT_TRUE(mLayer->Paint());
    Raster_IBitmap* screen = mLayer->GetScreen();
    EXPECT_EQ(Raster_GetG(Raster_GetPixel(screen, 1, 1)), 108u);
    EXPECT_EQ(Raster_GetG(Raster_GetPixel(screen, kKnobSize + 102 - 1, 19)), 101u);
    EXPECT_EQ(Raster_GetG(Raster_GetPixel(screen, 300, 160)), 103u);
}

TEST_F(EditorTest, KnobDragIsOneGestureForTheHost)
{
    Settle();
    mPlug.mEdits.clear();
    mLayer->MouseDown(110, 60, kLeft);
    mLayer->MouseDrag(110, 55, kLeft);
    mLayer->MouseDrag(110, 55, kLeft); // same position: dropped
    mLayer->MouseDrag(110, 50, kLeft);
    mLayer->MouseDrag(110, 40, kLeft);
    mLayer->MouseUp(110, 40, kLeft);
    ASSERT_EQ(mPlug.EditKinds(), "bpppe");
    for (const auto& e : mPlug.mEdits)
        EXPECT_EQ(e.paramIdx, kInput);
    EXPECT_NEAR(mPlug.mEdits[3].value, 20.0 / 50.0 / 4.0, 1e-12);
    EXPECT_NEAR(mPlug.GetParam(kInput)->Value(), 24.0 * 0.1, 1e-9);
}

TEST_F(EditorTest, RightClickUnderVST3OpensTheHostMenuInstead)
{
    mLayer->MouseDown(110, 60, kRight);
    EXPECT_EQ(mPlug.EditKinds(), "");
    ASSERT_EQ(mPlug.mContextMenus.size(), 1u);
    EXPECT_EQ(mPlug.mContextMenus[0], (std::vector<int>{kInput, 110, 60}));
    EXPECT_EQ(mGraphics->GetMouseCapture(), -1);
    // On the background (no parameter) the control gets the press.
    auto* probe = new ProbeControl(&mPlug, IRECT(0, 0, 352, 568));
    mGraphics->AttachControl(probe);
    mLayer->MouseDown(1, 1, kRight);
    EXPECT_EQ(probe->mDowns, 1);
    EXPECT_EQ(mPlug.mContextMenus.size(), 1u);
}

TEST(EditorOtherAPITest, RightClickElsewhereBeginsAnEditAndPrompts)
{
    TestResources res;
    GfxTestPlug plug(kAPIVST2);
    HeadlessNativeLayer* layer = nullptr;
    IGraphicsMac* g = BuildTestEditor(&plug, res.Root(), &layer);
    g->OpenWindow(nullptr);
    g->GetControl(kCtlInput)->DisablePrompt(false);
    layer->MouseDown(110, 60, kRight);
    EXPECT_TRUE(plug.mContextMenus.empty());
    EXPECT_EQ(plug.EditKinds(), "b");
    EXPECT_TRUE(layer->IsTextEntryOpen());
}

TEST_F(EditorTest, OnlyTheMovedKnobIsRedrawn)
{
    auto* probe = new ProbeControl(&mPlug, IRECT(300, 500, 340, 540));
    mGraphics->AttachControl(probe);
    Settle();
    const int presents = mLayer->GetPresentCount();
    probe->mDraws = 0;

    mGraphics->SetParameterFromPlug(kHigh, 0.9, true);
    IRECT dirty;
    ASSERT_TRUE(mGraphics->IsDirty(&dirty));
    EXPECT_EQ(dirty, IRECT(217, 347, 267, 397));
    EXPECT_TRUE(mLayer->RunFrame());
    EXPECT_EQ(mLayer->GetPresentCount(), presents + 1);
    EXPECT_EQ(probe->mDraws, 0);
    EXPECT_EQ(DrawnFrame(230, 360), 54);
    // Pixels outside the area were not drawn again: mark one and see it survive.
    mGraphics->ForcePixel(IColor(255, 1, 2, 3), 10, 10);
    Settle();
    EXPECT_EQ(mGraphics->GetPoint(10, 10), IColor(255, 1, 2, 3));
    EXPECT_FALSE(mLayer->RunFrame());
}

TEST_F(EditorTest, ValuesFromThePlugInMoveTheMatchingControl)
{
    mGraphics->SetParameterFromPlug(kTransformer, 0.0, true);
    mGraphics->SetParameterFromPlug(kBus, 0.0, false);
    mGraphics->SetParameterFromPlug(kOutput, 12.0, false);
    mGraphics->SetParameterFromPlug(99, 1.0, true);
    mGraphics->ApplyPendingParamValues();
    EXPECT_DOUBLE_EQ(Control(kCtlTransformer)->GetValue(), 0.0);
    EXPECT_EQ(*Control(kCtlTransformer)->GetRECT(), IRECT(5, 144, 45, 174));
    EXPECT_DOUBLE_EQ(Control(kCtlBus)->GetValue(), 0.0);
    EXPECT_EQ(Control(kCtlBus)->GetRECT()->L, 278);
    EXPECT_DOUBLE_EQ(Control(kCtlOutput)->GetValue(), 0.75);
    // Only the last of several values before a redraw counts; the base's redraw path works too.
    mPlug.GetParam(kInput)->SetClamped(6.0);
    mPlug.RedrawParamControls();
    Settle();
    EXPECT_DOUBLE_EQ(Control(kCtlInput)->GetValue(), 0.25);
    EXPECT_EQ(DrawnFrame(110, 30), 15);
}

TEST_F(EditorTest, AuxiliaryParametersFollowThePlugIn)
{
    auto* probe = new ProbeControl(&mPlug, IRECT(1, 1, 2, 2));
    mGraphics->AttachControl(probe);
    EXPECT_EQ(probe->AddAuxParam(kLow), 0);
    EXPECT_EQ(probe->AuxParamIdx(kLow), 0);
    EXPECT_EQ(probe->AuxParamIdx(kHigh), -1);
    mGraphics->SetParameterFromPlug(kLow, 0.3, true);
    mGraphics->ApplyPendingParamValues();
    EXPECT_DOUBLE_EQ(probe->GetAuxParam(0)->mValue, 0.3);
    mPlug.mEdits.clear();
    probe->SetAllAuxParamsFromGUI();
    EXPECT_EQ(mPlug.EditKinds(), "p");
}

TEST(EditorResourcesTest, MissingOrBrokenPNGGivesAUsableEditor)
{
    TestResources res;
    {
        FILE* f = std::fopen(res.ImagePath("BROKEN.png").c_str(), "wb");
        std::fputs("not a png", f);
        std::fclose(f);
    }
    GfxTestPlug plug;
    auto native = std::make_unique<HeadlessNativeLayer>(res.Root().c_str());
    HeadlessNativeLayer* layer = native.get();
    IGraphicsMac* g = new IGraphicsMac(&plug, 352, 568, 0, std::move(native));
    // IDs no other test uses: the bitmap cache is shared by the whole process.
    g->AttachBackground(9108, "resources/img/NOPE.png");
    const IBitmap broken = g->LoadIBitmap(9101, "resources/img/BROKEN.png", 61);
    EXPECT_EQ(broken.mData, nullptr);
    EXPECT_EQ(g->LoadIBitmap(9102, "resources/img/IN.jpg").mData, nullptr);
    EXPECT_EQ(g->LoadIBitmap(9103, nullptr).mData, nullptr);
    g->AttachControl(new IKnobMultiControl(&plug, 102, 19, 0, broken));
    g->AttachControl(new ISwitchControl(&plug, 5, 144, 4, g->LoadIBitmap(9107, "x.png", 2)));
    plug.AttachGraphics(g);
    g->OpenWindow(nullptr);
    EXPECT_TRUE(layer->RunFrame() || true);
    layer->MouseDown(110, 30, kLeft);
    layer->MouseUp(110, 30, kLeft);
    g->SetParameterFromPlug(0, 0.5, true);
    layer->RunFrame();
    // The same file found later still loads.
    const IBitmap good = g->LoadIBitmap(9104, "resources/img/IN.png", 61);
    EXPECT_NE(good.mData, nullptr);
    EXPECT_EQ(good.H, 61 * kKnobSize);
}

TEST_F(EditorTest, BitmapCacheDecodesOnceAndDerivesCopies)
{
    const IBitmap a = mGraphics->LoadIBitmap(101, "resources/img/IN.png", 61);
    const IBitmap b = mGraphics->LoadIBitmap(101, "ignored, cached by ID", 61);
    EXPECT_EQ(a.mData, b.mData);
    const IBitmap crop = mGraphics->CropBitmap(a, IRECT(0, 50, 50, 100));
    EXPECT_EQ(crop.W, 50);
    EXPECT_EQ(Raster_GetR(Raster_GetPixel(crop.mData, 10, 10)), 1u);
    EXPECT_EQ(crop.N, 61);
    const IBitmap scaled = mGraphics->ScaleBitmap(crop, 25, 25);
    EXPECT_EQ(scaled.mData->getWidth(), 25);
    EXPECT_EQ(Raster_GetR(Raster_GetPixel(scaled.mData, 12, 12)), 1u);
    mGraphics->ReleaseBitmap(scaled);
    mGraphics->ReleaseBitmap(crop);
}

TEST_F(EditorTest, BlitsAreClippedToTheDrawArea)
{
    Settle();
    const IBitmap strip = mGraphics->LoadIBitmap(101, "resources/img/IN.png", 61);
    // Paint only a 10 × 10 part over the Input knob: a knob drawn there stays inside it.
    Control(kCtlInput)->SetValueFromPlug(1.0);
    mGraphics->Draw(IRECT(110, 30, 120, 40));
    EXPECT_EQ(DrawnFrame(115, 35), 60);
    EXPECT_EQ(DrawnFrame(109, 35), 0);
    EXPECT_EQ(DrawnFrame(120, 35), 0);
    // Frame offsets: frame 61 of a 3050-pixel strip starts at row 3000.
    mGraphics->Draw(IRECT(0, 0, 352, 568));
    EXPECT_TRUE(mGraphics->DrawBitmap(strip, IRECT(0, 0, 5, 5), 2, nullptr));
    EXPECT_EQ(DrawnFrame(2, 2), 1);
}

TEST_F(EditorTest, StrictDrawingSkipsControlsStartingAtTheAreasEdge)
{
    Settle();
    auto* atEdge = new ProbeControl(&mPlug, IRECT(100, 0, 110, 10));
    auto* inside = new ProbeControl(&mPlug, IRECT(99, 0, 110, 10));
    mGraphics->AttachControl(atEdge);
    mGraphics->AttachControl(inside);
    mGraphics->Draw(IRECT(0, 0, 100, 10));
    EXPECT_EQ(atEdge->mDraws, 0);
    EXPECT_EQ(inside->mDraws, 1);
    atEdge->Hide(true);
    mGraphics->Draw(IRECT(0, 0, 352, 568));
    EXPECT_EQ(atEdge->mDraws, 0);
}

TEST_F(EditorTest, NonStrictDrawingRedrawsTheOverlapOfEachDirtyControl)
{
    auto* over = new ProbeControl(&mPlug, IRECT(140, 60, 160, 80));
    auto* apart = new ProbeControl(&mPlug, IRECT(300, 500, 310, 510));
    mGraphics->AttachControl(over);
    mGraphics->AttachControl(apart);
    mGraphics->SetStrictDrawing(false);
    // The background is dirty: everything is drawn once.
    mGraphics->Draw(IRECT(0, 0, 1, 1));
    EXPECT_EQ(over->mDraws, 1);
    EXPECT_EQ(apart->mDraws, 1);
    Settle();
    over->mDraws = apart->mDraws = 0;
    Control(kCtlInput)->SetValueFromPlug(0.7);
    mGraphics->Draw(IRECT(0, 0, 1, 1));
    EXPECT_EQ(over->mDraws, 1);
    EXPECT_EQ(apart->mDraws, 0);
    EXPECT_EQ(DrawnFrame(110, 30), 42);
}

TEST_F(EditorTest, BackgroundAttachedLastGoesFirst)
{
    mGraphics->AttachPanelBackground(COLOR_BLUE);
    EXPECT_EQ(mGraphics->GetNControls(), 9);
    EXPECT_EQ(*Control(0)->GetRECT(), IRECT(0, 0, 352, 568));
    // Drawn first, so the bitmap background still covers it.
    mGraphics->Draw(IRECT(0, 0, 352, 568));
    EXPECT_EQ(DrawnResource(340, 560), 108);
    Control(1)->Hide(true);
    mGraphics->Draw(IRECT(0, 0, 352, 568));
    EXPECT_EQ(mGraphics->GetPoint(340, 560), COLOR_BLUE);
    EXPECT_EQ(mGraphics->GetMouseControlIdx(110, 30), kCtlInput + 1);
}

TEST_F(EditorTest, HoverAndKeysAreRouted)
{
    auto* probe = new ProbeControl(&mPlug, IRECT(0, 0, 20, 20));
    mGraphics->AttachControl(probe);
    EXPECT_FALSE(mGraphics->OnMouseOver(5, 5, kLeft));
    EXPECT_EQ(mGraphics->GetMouseOver(), -1);
    mGraphics->HandleMouseOver(true);
    EXPECT_TRUE(mGraphics->OnMouseOver(5, 5, kLeft));
    EXPECT_EQ(mGraphics->GetMouseOver(), 8);
    mGraphics->OnMouseOut();
    EXPECT_EQ(mGraphics->GetMouseOver(), -1);

    mLayer->MouseMove(5, 5, kLeft);
    EXPECT_TRUE(mLayer->KeyDown(17));
    EXPECT_EQ(probe->mLastKey, 17);
    // Over the background with no key catcher the key is not taken; with one it goes there.
    mLayer->MouseMove(200, 300, kLeft);
    EXPECT_FALSE(mLayer->KeyDown(3));
    auto* catcher = new ProbeControl(&mPlug, IRECT());
    mGraphics->AttachKeyCatcher(catcher);
    EXPECT_TRUE(mLayer->KeyDown(3));
    EXPECT_EQ(catcher->mLastKey, 3);
}

TEST_F(EditorTest, EnumPromptShowsAMenuOfItsTexts)
{
    IControl* model = Control(kCtlModel);
    model->DisablePrompt(false);
    mLayer->SetNextMenuChoice(2);
    model->PromptUserInput();
    EXPECT_EQ(mLayer->GetLastMenuTexts(), (std::vector<std::string>{"Tube", "Line A", "Line B"}));
    EXPECT_DOUBLE_EQ(model->GetValue(), 1.0);
    EXPECT_EQ(mPlug.GetParam(kModel)->Int(), 2);
    // Closed without a choice: nothing changes.
    model->PromptUserInput();
    EXPECT_EQ(mLayer->GetMenuCount(), 2);
    EXPECT_DOUBLE_EQ(model->GetValue(), 1.0);
    // Disabled prompts do nothing.
    model->DisablePrompt(true);
    model->PromptUserInput();
    EXPECT_EQ(mLayer->GetMenuCount(), 2);
}

TEST_F(EditorTest, TextPromptFiltersTypingAndSetsTheValue)
{
    IControl* knob = Control(kCtlInput);
    knob->DisablePrompt(false);
    knob->PromptUserInput();
    ASSERT_TRUE(mLayer->IsTextEntryOpen());
    const NativeTextEntry& entry = mLayer->GetTextEntry();
    EXPECT_EQ(entry.mArea, NativeRect({107, 515, 41, 17}));
    EXPECT_EQ(entry.mText, "0.0");
    EXPECT_EQ(entry.mFilter.mMaxLength, 7);
    // A second prompt while one is open is refused.
    Control(kCtlOutput)->DisablePrompt(false);
    Control(kCtlOutput)->PromptUserInput();
    mLayer->SetTextEntryText("");
    EXPECT_FALSE(mLayer->TypeText("1a"));
    EXPECT_EQ(mLayer->GetTextEntry().mText, "1");
    EXPECT_TRUE(mLayer->TypeText("2.5"));
    EXPECT_FALSE(mLayer->TypeText("0000"));
    EXPECT_EQ(mLayer->GetTextEntry().mText, "12.5000");
    mLayer->CommitTextEntry();
    EXPECT_FALSE(mLayer->IsTextEntryOpen());
    EXPECT_NEAR(knob->GetValue(), 12.5 / 24.0, 1e-12);
    EXPECT_NEAR(mPlug.GetParam(kInput)->Value(), 12.5, 1e-9);
    // Drags are dropped while a field is open.
    knob->PromptUserInput();
    mLayer->MouseDown(110, 60, kLeft);
    mLayer->MouseDrag(110, 10, kLeft);
    EXPECT_NEAR(knob->GetValue(), 12.5 / 24.0, 1e-12);
    mLayer->MouseWheel(110, 60, kLeft, 1);
    EXPECT_FALSE(mLayer->IsTextEntryOpen());
}

TEST_F(EditorTest, TextAfterPromptIsReadByParameterKind)
{
    IControl* knob = Control(kCtlOutput);
    IParam* out = mPlug.GetParam(kOutput);
    mGraphics->SetFromStringAfterPrompt(knob, out, "abc");
    EXPECT_DOUBLE_EQ(out->Value(), 0.0);
    mGraphics->SetFromStringAfterPrompt(knob, out, "-6");
    EXPECT_DOUBLE_EQ(out->Value(), -6.0);
    out->SetNegateDisplay(true);
    mGraphics->SetFromStringAfterPrompt(knob, out, "-6");
    EXPECT_DOUBLE_EQ(out->Value(), 6.0);
    IParam* model = mPlug.GetParam(kModel);
    mGraphics->SetFromStringAfterPrompt(Control(kCtlModel), model, "Line A");
    EXPECT_EQ(model->Int(), 1);
    mGraphics->SetFromStringAfterPrompt(Control(kCtlModel), model, "Nothing");
    EXPECT_EQ(model->Int(), 0);
    mGraphics->SetFromStringAfterPrompt(nullptr, model, "Line A");
    mGraphics->PromptUserInput(nullptr, model, nullptr);
}

TEST_F(EditorTest, ResizeDropsTheControlsAndTellsThePlugIn)
{
    mGraphics->Resize(352, 568);
    EXPECT_EQ(mGraphics->GetNControls(), 8);
    mGraphics->Resize(400, 300);
    EXPECT_EQ(mGraphics->GetNControls(), 0);
    EXPECT_EQ(mGraphics->GetDrawBitmap()->getWidth(), 400);
    ASSERT_EQ(mPlug.mResizes.size(), 1u);
    EXPECT_EQ(mPlug.mResizes[0], (std::vector<int>{400, 300}));
    EXPECT_EQ(mLayer->GetScreen()->getHeight(), 300);
    mGraphics->Draw(IRECT(0, 0, 400, 300));
}

TEST_F(EditorTest, WindowOpensAndClosesRepeatedly)
{
    EXPECT_TRUE(mGraphics->WindowIsOpen());
    EXPECT_STREQ(mGraphics->GetGUIAPI(), "Headless");
    mGraphics->CloseWindow();
    EXPECT_FALSE(mGraphics->WindowIsOpen());
    EXPECT_FALSE(mLayer->RunFrame());
    mLayer->MouseDown(110, 60, kLeft);
    EXPECT_EQ(mPlug.EditKinds(), "");
    int parent = 0;
    void* view = mGraphics->OpenWindow(&parent);
    EXPECT_NE(view, nullptr);
    EXPECT_EQ(view, mGraphics->GetWindow());
    EXPECT_EQ(mLayer->GetParent(), &parent);
    // Controls survive closing; the next paint draws them all again.
    mGraphics->SetAllControlsDirty();
    EXPECT_TRUE(mLayer->RunFrame());
    EXPECT_EQ(mLayer->GetTimerIntervalMs(), 40);
    EXPECT_EQ(mGraphics->CreateIPopupMenu(nullptr, IRECT()), nullptr);
}

TEST(PlatformGraphicsTest, FactoryBuildsTheProductsContext)
{
    GfxTestPlug plug;
    IGraphicsMac* g = MakePlatformGraphics(&plug, 352, 568, 0, "com.QuillstoneAudio.vst3.VELTAR");
    EXPECT_EQ(g->Width(), 352);
    EXPECT_EQ(g->Height(), 568);
    EXPECT_EQ(g->FPS(), 25);
    EXPECT_STREQ(g->GetBundleID(), "com.QuillstoneAudio.vst3.VELTAR");
    plug.AttachGraphics(g);
    EXPECT_EQ(plug.GetGUI(), g);
}

TEST(EditorSurfaceTest, OnlyAShownEditorHoldsASurfaceAndDecodedArtwork)
{
    TestResources res;
    GfxTestPlug plug;
    auto native = std::make_unique<HeadlessNativeLayer>(res.Root().c_str());
    HeadlessNativeLayer* layer = native.get();
    IGraphicsMac* g = new IGraphicsMac(&plug, 352, 568, 0, std::move(native));
    // IDs no other test uses: the bitmap cache is shared by the whole process.
    g->AttachBackground(9208, "resources/img/BG.png");
    const IBitmap strip = g->LoadIBitmap(9201, "resources/img/IN.png", 61);
    g->AttachControl(new IKnobMultiControl(&plug, 102, 19, kInput, strip));
    plug.AttachGraphics(g);
    const auto* pixels = dynamic_cast<const Raster_PNGFile*>(strip.mData);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(*g->GetControl(1)->GetRECT(), IRECT(102, 19, 102 + kKnobSize, 19 + kKnobSize));
    plug.SetParameterFromHost(kInput, 0.25);
    EXPECT_EQ(g->GetDrawBitmap(), nullptr);
    EXPECT_FALSE(pixels->IsDecoded());

    g->OpenWindow(nullptr);
    ASSERT_NE(g->GetDrawBitmap(), nullptr);
    layer->RunFrame();
    EXPECT_TRUE(pixels->IsDecoded());
    EXPECT_EQ(Raster_GetR(Raster_GetPixel(g->GetDrawBitmap(), 110, 30)), 15u);
    EXPECT_EQ(Raster_GetR(Raster_GetPixel(layer->GetScreen(), 110, 30)), 15u);

    // Painted only where something changed from now on: a new surface must still be painted
    // whole.
    g->SetStrictDrawing(false);
    layer->RunFrame();
    g->CloseWindow();
    EXPECT_EQ(g->GetDrawBitmap(), nullptr);
    // Shown again, on a new surface, with what was set while it was closed.
    plug.SetParameterFromHost(kInput, 1.0);
    g->OpenWindow(nullptr);
    layer->RunFrame();
    EXPECT_EQ(Raster_GetR(Raster_GetPixel(g->GetDrawBitmap(), 110, 30)), 60u);
    EXPECT_EQ(Raster_GetG(Raster_GetPixel(g->GetDrawBitmap(), 340, 560)), 108u);
}
