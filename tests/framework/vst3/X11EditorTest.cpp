// The editor opened as a Linux host opens it: a top-level X11 window, a frame that offers the
// host's run loop, and input sent to the editor's child window as the X server would deliver it.
// Needs an X display (CI runs these under xvfb-run); without one they are skipped.
#include "EditorPlug.h"

#include "ComponentHandler.h"
#include "PlugFrame.h"
#include "RunLoop.h"
#include "X11TestDisplay.h"

#include "framework/graphics/IPopupMenu.h"
#include "raster/RasterPNG.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <thread>

using namespace Steinberg;
using namespace viewtest;
using Kind = vst3test::ComponentHandler::EditKind;

namespace
{

int OpenFileCount()
{
    int n = 0;
    if (DIR* dir = opendir("/proc/self/fd"))
    {
        while (readdir(dir))
            ++n;
        closedir(dir);
    }
    return n;
}

// Pixels that differ between the window, from (left, top), and the editor's surface, over the
// part of the surface the capture holds (colour only).
int DifferingPixels(Raster_IBitmap* screen, Raster_IBitmap* surface, int left = 0, int top = 0)
{
    int n = 0;
    const int w = std::min(surface->getWidth(), screen->getWidth() - left);
    const int h = std::min(surface->getHeight(), screen->getHeight() - top);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if ((Raster_GetPixel(screen, left + x, top + y) ^ Raster_GetPixel(surface, x, y)) &
                0xFFFFFFu)
                ++n;
    return n;
}

class X11EditorTest : public ::testing::Test
{
protected:
    // The window's capture once it shows the surface from (left, top): the editor's drawing
    // travels on its own connection, which the server may serve after this test's, so a capture
    // is retried for a while before it counts.
    std::unique_ptr<Raster_IBitmap> CaptureShowing(unsigned long window, Raster_IBitmap* surface,
                                                   int left = 0, int top = 0)
    {
        std::unique_ptr<Raster_IBitmap> screen;
        for (int i = 0; i < 50; ++i)
        {
            mX->Sync();
            screen = mX->Capture(window);
            if (!screen || DifferingPixels(screen.get(), surface, left, top) == 0)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return screen;
    }

    void SetUp() override
    {
        mX = X11TestDisplay::Open();
        if (!mX)
            GTEST_SKIP() << "no X display";
        mPlug = new EditorPlug;
        mPlug->setComponentHandler(&mHandler);
        mView = mPlug->createView("editor");
        mView->setFrame(&mFrame);
        mParent = mX->CreateWindow(kWidth, kHeight);
    }
    void TearDown() override
    {
        if (!mX)
            return;
        if (mView)
            mView->release();
        mPlug->setComponentHandler(nullptr);
        mPlug->release();
        if (mX->Exists(mParent))
            mX->DestroyWindow(mParent);
    }

    // Opens the editor in the parent window and lets it paint.
    unsigned long Attach()
    {
        EXPECT_EQ(mView->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(mParent)),
                                  kPlatformTypeX11EmbedWindowID),
                  kResultOk);
        const auto children = mX->Children(mParent);
        EXPECT_EQ(children.size(), 1u);
        Events();
        mLoop.FireTimers();
        return children.empty() ? 0 : children[0];
    }
    // What the host's loop does when the editor's connection has input.
    void Events()
    {
        mX->Sync();
        mLoop.FireEvents();
    }

    std::unique_ptr<X11TestDisplay> mX;
    vst3test::ComponentHandler mHandler;
    vst3host::RunLoop mLoop;
    vst3host::PlugFrame mFrame{&mLoop};
    EditorPlug* mPlug = nullptr;
    IPlugView* mView = nullptr;
    unsigned long mParent = 0;
};

TEST_F(X11EditorTest, DragKnobClickSwitchAndTheWindowShowsTheSurface)
{
    EXPECT_EQ(mView->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultOk);
    const unsigned long child = Attach();
    ASSERT_NE(child, 0u);
    EXPECT_EQ(mLoop.GetEventHandlerCount(), 1);
    EXPECT_EQ(mLoop.GetTimerCount(), 1);
    EXPECT_EQ(mPlug->mHooks, std::vector<char>({'o'}));
    EXPECT_STREQ(mPlug->Editor()->GetGUIAPI(), "X11");

    mX->Press(child, 1, 140, 140);
    Events();
    for (int y = 130; y >= 100; y -= 10)
    {
        mX->Motion(child, 140, y, kHeldLeft);
        Events();
    }
    mX->Release(child, 1, 140, 100, kHeldLeft);
    Events();
    auto edits = mHandler.GetEdits();
    ASSERT_EQ(edits.size(), 6u);
    EXPECT_EQ(edits.front().kind, Kind::kBegin);
    EXPECT_EQ(edits.back().kind, Kind::kEnd);
    for (size_t i = 1; i + 1 < edits.size(); ++i)
        EXPECT_EQ(edits[i].kind, Kind::kPerform);
    for (const auto& e : edits)
        EXPECT_EQ(e.id, 0u);
    EXPECT_GT(mPlug->GetParam(0)->GetNormalized(), 0.0);

    mHandler.Clear();
    mX->Press(child, 1, 230, 420);
    mX->Release(child, 1, 230, 420);
    Events();
    edits = mHandler.GetEdits();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[0].kind, Kind::kBegin);
    EXPECT_EQ(edits[1].kind, Kind::kPerform);
    EXPECT_EQ(edits[1].value, 1.0);
    EXPECT_EQ(edits[2].kind, Kind::kEnd);
    EXPECT_EQ(edits[2].id, 1u);
    EXPECT_EQ(mPlug->GetParam(1)->Int(), 1);

    // A host-side change of the knob is on the screen after one timer tick.
    mPlug->Editor()->SetParameterFromPlug(0, 0.9, true);
    const auto start = std::chrono::steady_clock::now();
    mLoop.FireTimers();
    mX->Sync();
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::cout << "knob change to screen within one tick: " << ms << " ms\n";
    Raster_IBitmap* surface = mPlug->Editor()->GetDrawBitmap();
    std::unique_ptr<Raster_IBitmap> screen = CaptureShowing(child, surface);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(DifferingPixels(screen.get(), surface), 0);
    EXPECT_TRUE(Raster_WritePNG("x11_editor_window.png", screen.get()));

    EXPECT_EQ(mView->removed(), kResultOk);
    EXPECT_EQ(mLoop.GetEventHandlerCount(), 0);
    EXPECT_EQ(mLoop.GetTimerCount(), 0);
    EXPECT_TRUE(mX->Children(mParent).empty());
    EXPECT_EQ(mPlug->mHooks, std::vector<char>({'o', 'c'}));
    EXPECT_EQ(mLoop.GetRefCount(), 1);
}

TEST_F(X11EditorTest, AtTwiceTheScaleTheWindowIsTwiceAsLargeAndShowsTheSurface)
{
    const unsigned long child = Attach();
    ASSERT_EQ(FUnknownPtr<IPlugViewContentScaleSupport>(mView)->setContentScaleFactor(2.0f),
              kResultOk);
    ASSERT_EQ(mFrame.GetResizeRequests().size(), 1u);
    // The host grants the request by resizing its window.
    mX->ResizeWindow(mParent, 704, 1136);
    Events();
    mLoop.FireTimers();
    mX->Sync();
    EXPECT_EQ(mX->Size(child), std::make_pair(704, 1136));
    Raster_IBitmap* surface = mPlug->Editor()->GetDrawBitmap();
    ASSERT_EQ(surface->getWidth(), 704);
    std::unique_ptr<Raster_IBitmap> screen = CaptureShowing(child, surface);
    ASSERT_NE(screen, nullptr);
    EXPECT_GE(screen->getHeight(), 600); // what the screen shows of it
    EXPECT_EQ(DifferingPixels(screen.get(), surface), 0);
    EXPECT_TRUE(Raster_WritePNG("x11_editor_window@2x.png", screen.get()));

    // A drag of 40 window pixels is 20 editor pixels on the knob drawn at (200, 200)–(360, 360).
    mX->Press(child, 1, 280, 280);
    mX->Motion(child, 280, 240, kHeldLeft);
    mX->Release(child, 1, 280, 240, kHeldLeft);
    Events();
    const auto edits = mHandler.GetEdits();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[1].id, 0u);
    EXPECT_NEAR(edits[1].value, 20.0 / 80.0 / 4.0, 1e-9);
    mView->removed();
}

TEST_F(X11EditorTest, AWiderHostWindowCentresThePanelAndPaintsBesideIt)
{
    // As in Ardour, whose editor window is as wide as its own toolbar.
    mX->DestroyWindow(mParent);
    mParent = mX->CreateWindow(392, 568);
    const unsigned long child = Attach();
    mX->Sync();
    EXPECT_EQ(mX->Size(child), std::make_pair(392, 568));
    Raster_IBitmap* surface = mPlug->Editor()->GetDrawBitmap();
    const Raster_Pixel edge = Raster_GetPixel(surface, 0, 0) & 0xFFFFFFu;
    auto besideIsEdge = [&](const Raster_IBitmap* screen, int left)
    {
        int wrong = 0;
        for (int y = 0; y < screen->getHeight(); y += 3)
            for (int x = 0; x < screen->getWidth(); ++x)
                if ((x < left || x >= left + 352) &&
                    (Raster_GetPixel(const_cast<Raster_IBitmap*>(screen), x, y) & 0xFFFFFFu) !=
                        edge)
                    ++wrong;
        return wrong;
    };
    std::unique_ptr<Raster_IBitmap> screen = CaptureShowing(child, surface, 20, 0);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(DifferingPixels(screen.get(), surface, 20, 0), 0);
    EXPECT_EQ(besideIsEdge(screen.get(), 20), 0);

    // The mouse reaches the knob where it is drawn.
    mX->Press(child, 1, 20 + 140, 140);
    mX->Release(child, 1, 20 + 140, 140);
    Events();
    ASSERT_FALSE(mHandler.GetEdits().empty());
    EXPECT_EQ(mHandler.GetEdits()[0].id, 0u);

    // The host widens its window: the editor follows it.
    mX->ResizeWindow(mParent, 452, 600);
    Events();
    mLoop.FireTimers();
    mX->Sync();
    EXPECT_EQ(mX->Size(child), std::make_pair(452, 600));
    screen = CaptureShowing(child, surface, 50, 16);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(DifferingPixels(screen.get(), surface, 50, 16), 0);
    mView->removed();
}

TEST_F(X11EditorTest, KeysAndTheTextEntryField)
{
    const unsigned long child = Attach();
    IControl* knob = mPlug->Editor()->GetControl(1);
    knob->DisablePrompt(false);
    knob->PromptUserInput();
    ASSERT_TRUE(mPlug->Editor()->GetActiveLayer()->IsTextEntryOpen());
    EXPECT_EQ(mX->Children(child).size(), 1u);
    for (const char* key : {"0", "period", "7", "a", "5", "Return"})
        mX->Key(child, key);
    Events();
    EXPECT_FALSE(mPlug->Editor()->GetActiveLayer()->IsTextEntryOpen());
    EXPECT_TRUE(mX->Children(child).empty());
    EXPECT_DOUBLE_EQ(mPlug->GetParam(0)->Value(), 0.75);
    mView->removed();
}

TEST_F(X11EditorTest, WheelStepsTurnTheKnob)
{
    const unsigned long child = Attach();
    mX->Press(child, 4, 140, 140);
    mX->Release(child, 4, 140, 140);
    Events();
    const double up = mPlug->GetParam(0)->GetNormalized();
    EXPECT_GT(up, 0.0);
    mX->Press(child, 5, 140, 140);
    mX->Press(child, 5, 140, 140);
    Events();
    EXPECT_LT(mPlug->GetParam(0)->GetNormalized(), up);
    // A double-click puts the knob back to its default.
    for (int i = 0; i < 3; ++i)
        mX->Press(child, 4, 140, 140);
    Events();
    ASSERT_GT(mPlug->GetParam(0)->GetNormalized(), 0.0);
    mX->DoubleClick(child, 1, 140, 140);
    Events();
    EXPECT_EQ(mPlug->GetParam(0)->GetNormalized(), 0.0);
    // Away from any control nothing moves.
    mHandler.Clear();
    mX->Press(child, 4, 5, 5);
    Events();
    EXPECT_TRUE(mHandler.GetEdits().empty());
    mView->removed();
}

TEST_F(X11EditorTest, PopUpMenuChoice)
{
    Attach();
    IControl* choice = mPlug->Editor()->GetControl(3);
    choice->DisablePrompt(false);
    // The menu is modal: another client clicks its second item once it is on the screen.
    // (Items are 20 pixels high from y = 2.)
    std::atomic<bool> clicked{false};
    std::thread user(
        [&clicked]
        {
            std::unique_ptr<X11TestDisplay> x = X11TestDisplay::Open();
            for (int i = 0; x && i < 400 && !clicked; ++i)
            {
                const auto popups = x->Popups();
                if (popups.empty())
                {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                // The release of the click that opened the menu chooses nothing.
                x->Release(popups[0], 1, 30, 12);
                x->Press(popups[0], 1, 30, 32);
                x->Release(popups[0], 1, 30, 32);
                x->Sync();
                clicked = true;
            }
        });
    choice->PromptUserInput();
    user.join();
    ASSERT_TRUE(clicked);
    EXPECT_EQ(mPlug->GetParam(2)->Int(), 1);
    EXPECT_TRUE(mX->Popups().empty());
    mView->removed();
}

TEST_F(X11EditorTest, SubmenuChoiceAnswersTheSubmenu)
{
    Attach();
    IPopupMenu more;
    more.AddItem("Two");
    more.AddItem("Three");
    IPopupMenu menu;
    menu.AddItem("One");
    menu.AddItem("More", &more);
    std::atomic<bool> clicked{false};
    std::thread user(
        [&clicked]
        {
            std::unique_ptr<X11TestDisplay> x = X11TestDisplay::Open();
            size_t level = 1;
            for (int i = 0; x && i < 400 && !clicked; ++i)
            {
                const auto popups = x->Popups();
                if (popups.size() < level)
                {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                // The newest menu is the top of the stack, the last in the list.
                x->Press(popups.back(), 1, 30, 32);
                x->Release(popups.back(), 1, 30, 32);
                x->Sync();
                clicked = ++level > 2;
            }
        });
    IPopupMenu* chosen = mPlug->Editor()->CreateIPopupMenu(&menu, IRECT(50, 50, 60, 60));
    user.join();
    ASSERT_TRUE(clicked);
    EXPECT_EQ(chosen, &more);
    EXPECT_EQ(more.GetChosenItemIdx(), 1);
    EXPECT_TRUE(mX->Popups().empty());
    mView->removed();
}

TEST_F(X11EditorTest, OpenCloseReopenLeavesNothingBehind)
{
    Attach();
    mView->removed();
    const int files = OpenFileCount();
    for (int i = 0; i < 100; ++i)
    {
        ASSERT_NE(Attach(), 0u);
        EXPECT_EQ(mLoop.GetTimerCount(), 1);
        ASSERT_EQ(mView->removed(), kResultOk);
        ASSERT_EQ(mLoop.GetTimerCount(), 0);
        ASSERT_EQ(mLoop.GetEventHandlerCount(), 0);
    }
    EXPECT_EQ(OpenFileCount(), files);
    EXPECT_TRUE(mX->Children(mParent).empty());
    EXPECT_EQ(mLoop.GetRefCount(), 1);
}

TEST_F(X11EditorTest, HostTearsItsWindowDownWithoutRemoved)
{
    Attach();
    // The window goes while the editor still has something to paint: its next copy to the screen
    // hits a window that no longer exists.
    mX->DestroyWindow(mParent);
    mPlug->Editor()->SetAllControlsDirty();
    mLoop.FireTimers();
    Events();
    EXPECT_FALSE(mPlug->Editor()->WindowIsOpen());
    EXPECT_EQ(mLoop.GetTimerCount(), 0);
    EXPECT_EQ(mLoop.GetEventHandlerCount(), 0);
    EXPECT_EQ(mView->removed(), kResultOk);
    // And it opens again in a new window.
    mParent = mX->CreateWindow(kWidth, kHeight);
    EXPECT_NE(Attach(), 0u);
    mView->removed();
}

TEST_F(X11EditorTest, NoRunLoopOrNoWindowMeansNoEditor)
{
    vst3host::PlugFrame bare;
    mView->setFrame(&bare);
    void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(mParent));
    EXPECT_EQ(mView->attached(parent, kPlatformTypeX11EmbedWindowID), kResultFalse);
    mView->setFrame(&mFrame);
    // A window ID that names no window.
    EXPECT_EQ(mView->attached(reinterpret_cast<void*>(uintptr_t(0x7fffff0)),
                              kPlatformTypeX11EmbedWindowID),
              kResultFalse);
    EXPECT_EQ(mLoop.GetTimerCount(), 0);
    EXPECT_FALSE(mPlug->Editor()->WindowIsOpen());
    EXPECT_EQ(mPlug->Editor()->GetActiveLayer(), mPlug->Editor()->GetNativeLayer());
    EXPECT_TRUE(mPlug->mHooks.empty());
}

} // namespace
