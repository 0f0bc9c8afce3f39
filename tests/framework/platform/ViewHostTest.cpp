// The view-host rules: the arithmetic on its own, then through an editor on the headless layer,
// whose view is laid out as the macOS one (origin bottom left, y upwards).
#include "framework/graphics/IControl.h"
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/platform/ViewHostRules.h"

#include "RecorderControl.h"
#include "TempFolder.h"
#include "TestAdapter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace
{

constexpr int kH = 568;
const ViewGeometry kMacView{kH, false};
const ViewGeometry kFlipped{kH, true};

// ---- the rules on their own

TEST(ViewHostRules, ViewPointsMapWithTheFixedOffsetsAndTruncate)
{
    int x = -9, y = -9;
    EditorPointFromView(kMacView, 2.0, kH - 3.0, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EditorPointFromView(kMacView, 2.9, kH - 2.1, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EditorPointFromView(kMacView, 0.5, kH, &x, &y);
    EXPECT_EQ(x, -2);
    EXPECT_EQ(y, -3);
    EditorPointFromView(kFlipped, 17.8, 40.2, &x, &y);
    EXPECT_EQ(x, 17);
    EXPECT_EQ(y, 40);
    double px, py;
    ViewPointFromEditor(kMacView, 123, 456, &px, &py);
    EditorPointFromView(kMacView, px, py, &x, &y);
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 456);
}

TEST(ViewHostRules, RectanglesBetweenEditorAndView)
{
    const NativeRect v = ViewRectFromEditor(kMacView, IRECT(10, 20, 30, 40));
    EXPECT_EQ(v, NativeRect({10, 527, 21, 21}));
    // Painting that area back covers the dirty one, one row and column more.
    EXPECT_EQ(EditorRectFromView(kMacView, v), IRECT(10, 20, 31, 41));
    EXPECT_EQ(EditorRectFromView(kMacView, {0.0, 0.0, 352.0, 568.0}), IRECT(0, 0, 352, 568));
    EXPECT_EQ(ViewRectFromEditor(kFlipped, IRECT(10, 20, 30, 40)), NativeRect({10, 20, 20, 20}));
    EXPECT_EQ(EditorRectFromView(kFlipped, {10.0, 20.0, 20.0, 20.0}), IRECT(10, 20, 30, 40));
    EXPECT_EQ(NativeRect({0, 0, 2, 2}).Union({5, 5, 1, 1}), NativeRect({0, 0, 6, 6}));
    EXPECT_EQ(NativeRect().Union({5, 5, 1, 1}), NativeRect({5, 5, 1, 1}));
}

TEST(ViewHostRules, AScaledEditorCoversScaleTimesScaleViewPixelsWithEachOfItsOwn)
{
    const ViewGeometry twice{2 * kH, true, 2.0}, half{852, true, 1.5};
    int x = -9, y = -9;
    EditorPointFromView(twice, 281.0, 279.9, &x, &y);
    EXPECT_EQ(x, 140);
    EXPECT_EQ(y, 139);
    EditorPointFromView(half, 1.4, 2.6, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 1);
    // Round trips through the middle of each editor pixel, also in an unflipped view.
    const ViewGeometry twiceMac{2 * kH, false, 2.0};
    for (const ViewGeometry& g : {twice, half, twiceMac})
        for (int v : {0, 1, 7, 140, 351})
        {
            double px, py;
            ViewPointFromEditor(g, v, v, &px, &py);
            EditorPointFromView(g, px, py, &x, &y);
            EXPECT_EQ(x, v) << g.scale;
            EXPECT_EQ(y, v) << g.scale;
        }
    EXPECT_EQ(ViewRectFromEditor(twice, IRECT(10, 20, 30, 40)), NativeRect({20, 40, 40, 40}));
    // A view area becomes every editor pixel it touches.
    EXPECT_EQ(EditorRectFromView(half, {3, 3, 3, 2}), IRECT(2, 2, 4, 4));
    EXPECT_EQ(EditorRectFromView(twice, {20, 40, 40, 40}), IRECT(10, 20, 30, 40));
}

TEST(ViewHostRules, CommandMakesALeftClickARightClick)
{
    const IMouseMod cmd = MouseModFromNative(kNativeCommand, false);
    EXPECT_TRUE(cmd.L && cmd.R);
    const IMouseMod plain = MouseModFromNative(kNativeShift | kNativeAlt, false);
    EXPECT_TRUE(plain.L && !plain.R && plain.S && !plain.C && plain.A);
    const IMouseMod right = MouseModFromNative(kNativeControl | kNativeCommand, true);
    EXPECT_TRUE(!right.L && right.R && right.C && !right.S);
}

TEST(ViewHostRules, KeyTable)
{
    EXPECT_EQ(EditorKeyFromNative(kNativeKeySpace, " "), 0);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyUp, ""), 1);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyDown, nullptr), 2);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyLeft, "x"), 3);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyRight, ""), 4);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, "0"), 5);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, "9"), 14);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, "A"), 15);
    EXPECT_EQ(EditorKeyFromNative(0, "a"), 15);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, "Z"), 40);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, "z"), 40);
    EXPECT_EQ(EditorKeyFromNative(36, "\r"), kKeyPassOn);                   // Return
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, "\xC3\xA9"), kKeyPassOn); // one character
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, ""), kKeyDrop);
    EXPECT_EQ(EditorKeyFromNative(kNativeKeyNone, "ab"), kKeyDrop);
}

TEST(ViewHostRules, WheelTruncatesTowardZero)
{
    EXPECT_EQ(WheelDeltaFromNative(0.7), 0);
    EXPECT_EQ(WheelDeltaFromNative(-1.9), -1);
    EXPECT_EQ(WheelDeltaFromNative(2.5), 2);
    EXPECT_EQ(WheelDeltaFromNative(-0.2), 0);
}

TEST(ViewHostRules, TextFilter)
{
    NativeTextFilter intField{"0123456789-+", 7, 0};
    EXPECT_TRUE(TextFilterAccepts(intField, "1"));
    EXPECT_FALSE(TextFilterAccepts(intField, "1."));
    EXPECT_TRUE(TextFilterAccepts(intField, "-123456"));
    EXPECT_FALSE(TextFilterAccepts(intField, "12345678"));
    NativeTextFilter anything;
    EXPECT_TRUE(TextFilterAccepts(anything, "any text at all, however long it is"));
    NativeTextFilter limited{"", 0, 100};
    EXPECT_TRUE(TextFilterAccepts(limited, "100"));
    EXPECT_FALSE(TextFilterAccepts(limited, "101"));
}

TEST(ViewHostRules, TimerIntervalFromFrameRate)
{
    EXPECT_EQ(TimerIntervalMs(0), 40);
    EXPECT_EQ(TimerIntervalMs(-3), 40);
    EXPECT_EQ(TimerIntervalMs(25), 40);
    EXPECT_EQ(TimerIntervalMs(50), 20);
}

TEST(ViewHostRules, MessageBoxButtonsAndAnswers)
{
    EXPECT_EQ(MessageBoxButtons(4), std::vector<std::string>({"Yes", "No"}));
    EXPECT_EQ(MessageBoxButtons(3), std::vector<std::string>({"Yes", "No", "Cancel"}));
    EXPECT_EQ(MessageBoxButtons(1), std::vector<std::string>({"OK", "Cancel"}));
    EXPECT_EQ(MessageBoxButtons(0), std::vector<std::string>({"OK"}));
    EXPECT_EQ(MessageBoxButtons(9), std::vector<std::string>({"OK"}));
    EXPECT_EQ(MessageBoxAnswer(0), 1);
    EXPECT_EQ(MessageBoxAnswer(1), 7);
    EXPECT_EQ(MessageBoxAnswer(2), 2);
    EXPECT_EQ(MessageBoxAnswer(-1), 0);
    EXPECT_EQ(MessageBoxAnswer(3), 0);
}

TEST(ViewHostRules, ResourceNamesAndLookup)
{
    EXPECT_EQ(ResourceFileName("resources/img/IN.png"), "IN.png");
    EXPECT_EQ(ResourceFileName("BG.PNG"), "BG.PNG");
    EXPECT_EQ(ResourceFileName("img/a.jpg"), "");
    EXPECT_EQ(ResourceFileName("png"), "");
    EXPECT_EQ(ResourceFileName(nullptr), "");

    testsupport::TempFolder folder("viewhost");
    const std::string root = folder.Str();
    ASSERT_TRUE(std::filesystem::create_directory(folder.Path() / "img"));
    std::ofstream(root + "/TOP.png") << "x";
    std::ofstream(root + "/img/IN.png") << "x";
    EXPECT_EQ(FindBundleResource(root, "img/IN.png"), root + "/img/IN.png");
    EXPECT_EQ(FindBundleResource(root, "resources/img/TOP.png"), root + "/TOP.png");
    EXPECT_EQ(FindBundleResource(root, "resources/img/NONE.png"), "");
    EXPECT_EQ(FindBundleResource("", "TOP.png"), "");
}

TEST(ViewHostRules, FileTypesAndFolders)
{
    EXPECT_EQ(SplitFileTypes("wav  aif fxp"), std::vector<std::string>({"wav", "aif", "fxp"}));
    EXPECT_TRUE(SplitFileTypes("").empty());
    EXPECT_TRUE(SplitFileTypes(nullptr).empty());
    EXPECT_EQ(ParentFolderWithSlash("/a/b/c.fxp"), "/a/b/");
    EXPECT_EQ(ParentFolderWithSlash("/c.fxp"), "/");
}

// ---- through an editor on the headless layer

class HostedEditor : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mPlug.GetParam(kModel)->InitInt("Model", 0, 0, 2);
        mPlug.GetParam(kChoice)->InitEnum("Choice", 0, 3);
        auto layer = std::make_unique<HeadlessNativeLayer>("");
        mLayer = layer.get();
        mGraphics = new IGraphicsMac(&mPlug, 352, kH, 0, std::move(layer));
        mGraphics->AttachPanelBackground(COLOR_BLACK);
        mRecorder = new Recorder(&mPlug, IRECT(0, 0, 100, 100));
        mGraphics->AttachControl(mRecorder);
        mInt = new IKnobLineControl(&mPlug, IRECT(200, 300, 260, 360), kModel, COLOR_WHITE);
        mGraphics->AttachControl(mInt);
        mInt->DisablePrompt(false);
        mInt->SetTooltip("Model");
        mPlug.AttachGraphics(mGraphics);
        mGraphics->OpenWindow(&mParent);
    }

    // A view point that lands on editor pixel (x, y).
    static double VX(int x) { return x + 2.0; }
    static double VY(int y) { return kH - y - 3.0; }

    enum
    {
        kModel,
        kChoice
    };
    TestAdapter mPlug{2, "2-2"};
    HeadlessNativeLayer* mLayer = nullptr;
    IGraphicsMac* mGraphics = nullptr;
    Recorder* mRecorder = nullptr;
    IControl* mInt = nullptr;
    int mParent = 0;
};

TEST_F(HostedEditor, ClickAtTheViewCornerPointArrivesAtTheEditorOrigin)
{
    mLayer->ViewMouse(ENativeMouse::kDown, false, 2.0, kH - 3.0, 0);
    mLayer->ViewMouse(ENativeMouse::kDrag, false, 12.4, kH - 13.0, 0);
    mLayer->ViewMouse(ENativeMouse::kUp, false, 12.4, kH - 13.0, 0);
    ASSERT_EQ(mRecorder->mEvents.size(), 3u);
    EXPECT_EQ(mRecorder->mEvents[0].kind, 'd');
    EXPECT_EQ(mRecorder->mEvents[0].x, 0);
    EXPECT_EQ(mRecorder->mEvents[0].y, 0);
    EXPECT_EQ(mRecorder->mEvents[1].kind, 'g');
    EXPECT_EQ(mRecorder->mEvents[1].x, 10);
    EXPECT_EQ(mRecorder->mEvents[1].y, 10);
    EXPECT_EQ(mGraphics->GetPrevX(), 10);
}

TEST_F(HostedEditor, ButtonsClickCountsAndModifiers)
{
    mLayer->ViewMouse(ENativeMouse::kDown, false, VX(5), VY(5), kNativeCommand);
    mLayer->ViewMouse(ENativeMouse::kUp, false, VX(5), VY(5), kNativeCommand);
    mLayer->ViewMouse(ENativeMouse::kDown, false, VX(5), VY(5), 0, 2);
    mLayer->ViewMouse(ENativeMouse::kDown, true, VX(5), VY(5), kNativeShift, 2);
    const auto& e = mRecorder->mEvents;
    ASSERT_EQ(e.size(), 4u);
    EXPECT_TRUE(e[0].kind == 'd' && e[0].mod.L && e[0].mod.R);
    EXPECT_EQ(e[2].kind, '2');
    // A right press is never a double-click.
    EXPECT_TRUE(e[3].kind == 'd' && !e[3].mod.L && e[3].mod.R && e[3].mod.S);
}

TEST_F(HostedEditor, WheelStepsAreTruncatedAndEndTextEntry)
{
    mLayer->ViewWheel(VX(50), VY(50), 0, 0.7);
    mLayer->ViewWheel(VX(50), VY(50), 0, -1.9);
    EXPECT_EQ(mRecorder->mWheel, std::vector<int>({0, -1}));
    mInt->PromptUserInput();
    ASSERT_TRUE(mLayer->IsTextEntryOpen());
    mLayer->ViewWheel(VX(50), VY(50), 0, 3.0);
    EXPECT_FALSE(mLayer->IsTextEntryOpen());
}

TEST_F(HostedEditor, KeysGoToTheLastMousePositionOrOnToTheHost)
{
    mLayer->ViewMouse(ENativeMouse::kMove, false, VX(40), VY(30), 0);
    EXPECT_EQ(mLayer->ViewKey(kNativeKeyNone, "a"), EKeyResult::kTaken);
    ASSERT_EQ(mRecorder->mKeys.size(), 1u);
    EXPECT_EQ(mRecorder->mKeys[0], std::vector<int>({40, 30, 15}));
    // Return is not in the table: the editor never sees it.
    EXPECT_EQ(mLayer->ViewKey(36, "\r"), EKeyResult::kPassedOn);
    EXPECT_EQ(mLayer->ViewKey(kNativeKeyNone, ""), EKeyResult::kDropped);
    EXPECT_EQ(mRecorder->mKeys.size(), 1u);
    // A key the control does not take goes on too.
    EXPECT_EQ(mLayer->ViewKey(kNativeKeySpace, " "), EKeyResult::kPassedOn);
    EXPECT_EQ(mRecorder->mKeys.size(), 2u);
}

TEST_F(HostedEditor, DirtyAreaIsInvalidatedInViewCoordinatesAndPaintedBack)
{
    EXPECT_EQ(mLayer->GetTimerIntervalMs(), 40);
    EXPECT_TRUE(mLayer->RunFrame());
    EXPECT_FALSE(mLayer->Tick());
    mInt->SetDirty(false);
    mLayer->Tick();
    EXPECT_EQ(mLayer->GetInvalidArea(), NativeRect({200, 207, 61, 61}));
    const int presents = mLayer->GetPresentCount();
    EXPECT_TRUE(mLayer->Paint());
    EXPECT_EQ(mLayer->GetPresentCount(), presents + 1);
}

TEST_F(HostedEditor, IntFieldRefusesTheDecimalPointAndAnEighthCharacter)
{
    mInt->PromptUserInput();
    ASSERT_TRUE(mLayer->IsTextEntryOpen());
    const NativeTextEntry& entry = mLayer->GetTextEntry();
    EXPECT_EQ(entry.mArea, NativeRect({210, 229, 41, 17}));
    EXPECT_EQ(entry.mFontSize, 9.0f); // 90 % of the default 10
    mLayer->SetTextEntryText("");
    EXPECT_FALSE(mLayer->TypeText("1.5"));
    EXPECT_EQ(mLayer->GetTextEntry().mText, "1");
    mLayer->SetTextEntryText("");
    EXPECT_TRUE(mLayer->TypeText("0000002"));
    EXPECT_FALSE(mLayer->TypeText("2"));
    // Drags do not reach the editor while the field is open.
    mLayer->ViewMouse(ENativeMouse::kDown, false, VX(5), VY(5), 0);
    mLayer->ViewMouse(ENativeMouse::kDrag, false, VX(9), VY(9), 0);
    EXPECT_EQ(mRecorder->mEvents.size(), 1u);
    EXPECT_EQ(mGraphics->GetPrevX(), 9);
    mLayer->CommitTextEntry();
    EXPECT_EQ(mPlug.GetParam(kModel)->Int(), 2);
}

TEST_F(HostedEditor, TooltipsCoverVisibleControlsAndFollowTheHover)
{
    mGraphics->EnableTooltips(true);
    mGraphics->HandleMouseOver(true);
    mGraphics->UpdateTooltips();
    EXPECT_EQ(mLayer->GetTooltipAreas().size(), 3u);
    mInt->Hide(true);
    mGraphics->UpdateTooltips();
    EXPECT_EQ(mLayer->GetTooltipAreas().size(), 2u);
    mInt->Hide(false);
    mLayer->ViewMouse(ENativeMouse::kMove, false, VX(220), VY(320), 0);
    EXPECT_EQ(mLayer->TooltipText(), "Model");
    mLayer->ViewMouse(ENativeMouse::kMove, false, VX(20), VY(20), 0);
    EXPECT_EQ(mLayer->TooltipText(), "");
    mGraphics->CloseWindow();
    EXPECT_TRUE(mLayer->GetTooltipAreas().empty());
}

TEST_F(HostedEditor, MessageBoxes)
{
    mLayer->SetNextAlertButton(1);
    EXPECT_EQ(mGraphics->ShowMessageBox("Sure?", "VELTAR", 3), 7);
    EXPECT_EQ(mLayer->GetLastAlertButtons(), std::vector<std::string>({"Yes", "No", "Cancel"}));
    mLayer->SetNextAlertButton(0);
    EXPECT_EQ(mGraphics->ShowMessageBox("Done", "VELTAR", 0), 1);
    EXPECT_EQ(mGraphics->ShowMessageBox("Gone", "VELTAR", 4), 0);
}

TEST_F(HostedEditor, FilePrompts)
{
    FxString file("old"), dir;
    mLayer->SetNextFileChoice("/home/u/presets/a.fxp");
    mGraphics->PromptForFile(&file, kFileSave, &dir, "fxp fxb");
    EXPECT_STREQ(file.Get(), "/home/u/presets/a.fxp");
    EXPECT_STREQ(dir.Get(), "/home/u/presets/");
    EXPECT_TRUE(mLayer->GetLastFilePanel().mSave);
    EXPECT_EQ(mLayer->GetLastFilePanel().mDirectory, "~/Desktop");
    EXPECT_EQ(mLayer->GetLastFilePanel().mTypes, std::vector<std::string>({"fxp", "fxb"}));

    mGraphics->PromptForFile(&file, kFileOpen, &dir, "");
    EXPECT_STREQ(file.Get(), "");
    EXPECT_STREQ(dir.Get(), "/home/u/presets/");
    EXPECT_FALSE(mLayer->GetLastFilePanel().mSave);
    EXPECT_EQ(mLayer->GetLastFilePanel().mDirectory, "/home/u/presets/");

    mGraphics->CloseWindow();
    FxString closedDir;
    file.Set("x");
    mGraphics->PromptForFile(&file, kFileOpen, &closedDir, "");
    EXPECT_STREQ(file.Get(), "");
    EXPECT_STREQ(closedDir.Get(), "");
    EXPECT_EQ(mLayer->GetFilePanelCount(), 2);
}

TEST_F(HostedEditor, MenusOpenBelowTheConvertedArea)
{
    IParam* choice = mPlug.GetParam(kChoice);
    choice->SetDisplayText(0, "Tube");
    choice->SetDisplayText(1, "Line");
    choice->SetDisplayText(2, "Iron");
    auto* knob = new IKnobLineControl(&mPlug, IRECT(10, 400, 50, 440), kChoice, COLOR_WHITE);
    mGraphics->AttachControl(knob);
    knob->DisablePrompt(false);
    mLayer->SetNextMenuChoice(2);
    knob->PromptUserInput();
    EXPECT_EQ(mLayer->GetLastMenuArea(), NativeRect({10, 127, 41, 41}));
    EXPECT_EQ(mLayer->GetLastMenuTexts(), std::vector<std::string>({"Tube", "Line", "Iron"}));
    EXPECT_EQ(choice->Int(), 2);
}

TEST_F(HostedEditor, MenusShowNumberedItemsAndAnswerOnlyRealChoices)
{
    IPopupMenu menu;
    menu.AddItem("Tube");
    menu.AddSeparator();
    menu.AddItem("Iron", -1, IPopupMenuItem::kDisabled);
    menu.AddItem("Line");
    menu.SetPrefix(2);
    mLayer->SetNextMenuChoice(3);
    EXPECT_EQ(mGraphics->CreateIPopupMenu(&menu, IRECT(10, 20, 30, 40)), &menu);
    EXPECT_EQ(menu.GetChosenItemIdx(), 3);
    EXPECT_EQ(mLayer->GetLastMenuArea(), NativeRect({10, 527, 21, 21}));
    EXPECT_EQ(mLayer->GetLastMenuTexts()[0], "01: Tube");
    EXPECT_EQ(mLayer->GetLastMenuTexts()[3], "04: Line");
    for (int refused : {1, 2, -1})
    {
        mLayer->SetNextMenuChoice(refused);
        EXPECT_EQ(mGraphics->CreateIPopupMenu(&menu, IRECT(10, 20, 30, 40)), nullptr);
    }
    mGraphics->CloseWindow();
    EXPECT_EQ(mGraphics->CreateIPopupMenu(&menu, IRECT(10, 20, 30, 40)), nullptr);
    EXPECT_EQ(mLayer->GetMenuCount(), 4);
}

TEST_F(HostedEditor, HostTearDownClosesOnceAndLaterEventsAreIgnored)
{
    EXPECT_TRUE(mGraphics->WindowIsOpen());
    mLayer->Detach();
    EXPECT_FALSE(mGraphics->WindowIsOpen());
    mLayer->ViewMouse(ENativeMouse::kDown, false, VX(5), VY(5), 0);
    EXPECT_FALSE(mLayer->Tick());
    EXPECT_TRUE(mRecorder->mEvents.empty());
    mGraphics->CloseWindow();
    // And it opens again.
    EXPECT_NE(mGraphics->OpenWindow(&mParent), nullptr);
    mLayer->ViewMouse(ENativeMouse::kDown, false, VX(5), VY(5), 0);
    EXPECT_EQ(mRecorder->mEvents.size(), 1u);
}

TEST(HostedEditorRate, FrameRateZeroGivesA40msTimer)
{
    TestAdapter plug(1, "2-2");
    auto layer = std::make_unique<HeadlessNativeLayer>("");
    HeadlessNativeLayer* raw = layer.get();
    IGraphicsMac graphics(&plug, 100, 100, 0, std::move(layer));
    graphics.OpenWindow(nullptr);
    EXPECT_EQ(raw->GetTimerIntervalMs(), 40);
}

} // namespace
