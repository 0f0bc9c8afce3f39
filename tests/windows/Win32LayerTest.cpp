// The Win32 layer under Wine, with a real window system: an editor opened in a host's window,
// messages as Windows sends them (through SendMessage, so each test knows when one has been
// handled), the native menus with their ticks and submenus, and the native text-entry field.
#include "RecorderControl.h"
#include "TestAdapter.h"

#include "framework/graphics/IControl.h"
#include "framework/graphics/IPopupMenu.h"
#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/platform/Win32NativeLayer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace
{

constexpr int kW = 352, kH = 568;

// Dispatches the thread's messages until done answers true; false when it never does (bounded,
// so that a test fails rather than hangs).
bool PumpUntil(const std::function<bool()>& done)
{
    for (int round = 0; round < 2000; ++round)
    {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return false;
}

// The keys the host's window received from the editor.
std::vector<WPARAM> gHostKeys;

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == WM_KEYDOWN)
        gHostKeys.push_back(wp);
    return DefWindowProcW(window, message, wp, lp);
}

HWND MakeHostWindow()
{
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Win32EditorTestHost";
    RegisterClassExW(&wc);
    return CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 0, 0, kW, kH,
                           nullptr, nullptr, wc.hInstance, nullptr);
}

class Win32Editor : public ::testing::Test
{
protected:
    // One host window for all the tests: Wine takes a while to show and to withdraw a top-level
    // window where no window manager runs.
    static void SetUpTestSuite() { sHost = MakeHostWindow(); }
    static void TearDownTestSuite() { DestroyWindow(sHost); }

    void SetUp() override
    {
        gHostKeys.clear();
        mHost = sHost;
        ASSERT_NE(mHost, nullptr) << "no window system";

        mPlug.GetParam(kModel)->InitInt("Model", 0, 0, 2);
        mGraphics = new IGraphicsMac(&mPlug, kW, kH, 0, std::make_unique<HeadlessNativeLayer>(""));
        mGraphics->AttachPanelBackground(COLOR_BLUE);
        mRecorder = new Recorder(&mPlug, IRECT(0, 0, 100, 100));
        mGraphics->AttachControl(mRecorder);
        mInt = new IKnobLineControl(&mPlug, IRECT(200, 300, 260, 360), kModel, COLOR_WHITE);
        mGraphics->AttachControl(mInt);
        mInt->DisablePrompt(false);
        mPlug.AttachGraphics(mGraphics);
        mView = static_cast<HWND>(mGraphics->OpenWindow(mHost, MakeWin32NativeLayer()));
        ASSERT_NE(mView, nullptr);
    }
    void TearDown() override
    {
        if (mGraphics)
            mGraphics->CloseWindow();
    }

    LPARAM At(int x, int y) const { return MAKELPARAM(x, y); }
    HWND Field() const { return FindWindowExW(mView, nullptr, L"EDIT", nullptr); }
    void Type(const char* text)
    {
        for (const char* c = text; *c; ++c)
            SendMessageW(Field(), WM_CHAR, static_cast<WPARAM>(*c), 1);
    }
    std::string FieldText() const
    {
        wchar_t text[64] = {};
        GetWindowTextW(Field(), text, 64);
        return std::string(text, text + wcslen(text));
    }

    enum
    {
        kModel
    };
    static HWND sHost;
    TestAdapter mPlug{1, "2-2"};
    HWND mHost = nullptr;
    HWND mView = nullptr;
    IGraphicsMac* mGraphics = nullptr;
    Recorder* mRecorder = nullptr;
    IControl* mInt = nullptr;
};

HWND Win32Editor::sHost = nullptr;

TEST_F(Win32Editor, OpensAChildOfTheHostWindowAndClosesIt)
{
    EXPECT_EQ(GetParent(mView), mHost);
    EXPECT_TRUE(IsWindowVisible(mView));
    RECT client;
    GetClientRect(mView, &client);
    EXPECT_EQ(client.right, kW);
    EXPECT_EQ(client.bottom, kH);
    EXPECT_STREQ(mGraphics->GetGUIAPI(), "Win32");
    mGraphics->CloseWindow();
    EXPECT_FALSE(IsWindow(mView));
    EXPECT_FALSE(mGraphics->WindowIsOpen());
    // Its window class goes with it, so that a module loaded again registers its own.
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), L"IGraphicsWin32View", &wc));

    // Something that is no window opens nothing.
    EXPECT_EQ(
        MakeWin32NativeLayer()->OpenView(reinterpret_cast<void*>(0x1234), kW, kH, 40, nullptr),
        nullptr);
    int notAWindow = 0;
    EXPECT_EQ(mGraphics->OpenWindow(&notAWindow, MakeWin32NativeLayer()), nullptr);
}

TEST_F(Win32Editor, TwoEditorsShareTheWindowClassUntilTheLastCloses)
{
    TestAdapter other{1, "2-2"};
    auto* graphics = new IGraphicsMac(&other, kW, kH, 0, std::make_unique<HeadlessNativeLayer>(""));
    auto* recorder = new Recorder(&other, IRECT(0, 0, 100, 100));
    graphics->AttachControl(recorder);
    other.AttachGraphics(graphics);
    auto otherView = static_cast<HWND>(graphics->OpenWindow(mHost, MakeWin32NativeLayer()));
    ASSERT_NE(otherView, nullptr);
    mGraphics->CloseWindow();
    SendMessageW(otherView, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageW(otherView, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(recorder->mEvents.size(), 2u);
    EXPECT_NE(mGraphics->OpenWindow(mHost, MakeWin32NativeLayer()), nullptr);
    graphics->CloseWindow();
}

TEST_F(Win32Editor, TheTimerPaintsTheSurfaceIntoTheWindow)
{
    // Every control starts dirty: the first ticks paint the whole panel.
    HDC dc = GetDC(mView);
    const bool painted = PumpUntil([&] { return GetPixel(dc, 150, 150) == RGB(0, 0, 255); });
    ReleaseDC(mView, dc);
    EXPECT_TRUE(painted);
}

TEST_F(Win32Editor, MouseMessagesWithButtonsClickCountsAndModifiers)
{
    SendMessageW(mView, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, At(10, 20));
    SendMessageW(mView, WM_MOUSEMOVE, MK_LBUTTON, At(15, 26));
    SendMessageW(mView, WM_LBUTTONUP, 0, At(15, 26));
    SendMessageW(mView, WM_LBUTTONDBLCLK, MK_LBUTTON, At(15, 26));
    SendMessageW(mView, WM_LBUTTONUP, 0, At(15, 26));
    SendMessageW(mView, WM_RBUTTONDOWN, MK_RBUTTON | MK_CONTROL, At(30, 40));
    SendMessageW(mView, WM_RBUTTONUP, 0, At(30, 40));
    const auto& e = mRecorder->mEvents;
    ASSERT_EQ(e.size(), 7u);
    EXPECT_TRUE(e[0].kind == 'd' && e[0].x == 10 && e[0].y == 20 && e[0].mod.L && e[0].mod.S &&
                !e[0].mod.R);
    EXPECT_TRUE(e[1].kind == 'g' && e[1].x == 15 && e[1].y == 26);
    EXPECT_EQ(e[2].kind, 'u');
    EXPECT_EQ(e[3].kind, '2');
    EXPECT_TRUE(e[5].kind == 'd' && e[5].mod.R && !e[5].mod.L && e[5].mod.C);
    // Drags keep reaching the pressed control outside the window.
    SendMessageW(mView, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 50));
    EXPECT_EQ(GetCapture(), mView);
    SendMessageW(mView, WM_LBUTTONUP, 0, At(50, 50));
    EXPECT_NE(GetCapture(), mView);
}

TEST_F(Win32Editor, WheelNotchesAtTheScreenPosition)
{
    POINT p = {50, 60};
    ClientToScreen(mView, &p);
    SendMessageW(mView, WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), MAKELPARAM(p.x, p.y));
    SendMessageW(mView, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA / 2)),
                 MAKELPARAM(p.x, p.y));
    ASSERT_EQ(mRecorder->mWheel.size(), 2u);
    EXPECT_EQ(mRecorder->mWheel[0], 2);
    EXPECT_EQ(mRecorder->mWheel[1], 0);
    EXPECT_EQ(mRecorder->mEvents.back().x, 50);
    EXPECT_EQ(mRecorder->mEvents.back().y, 60);
}

TEST_F(Win32Editor, KeysGoToTheControlUnderTheMouseAndTheRestToTheHost)
{
    SendMessageW(mView, WM_MOUSEMOVE, 0, At(10, 10));
    SendMessageW(mView, WM_KEYDOWN, VK_UP, 0);
    SendMessageW(mView, WM_KEYDOWN, 'A', 0);
    // The control takes no space bar, and Return is no key of the editor's.
    SendMessageW(mView, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageW(mView, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(mRecorder->mKeys.size(), 3u);
    EXPECT_EQ(mRecorder->mKeys[0][2], 1);
    EXPECT_EQ(mRecorder->mKeys[1][2], 15);
    EXPECT_EQ(mRecorder->mKeys[2][2], 0);
    EXPECT_TRUE(PumpUntil([] { return gHostKeys.size() == 2; }));
    EXPECT_EQ(gHostKeys, std::vector<WPARAM>({VK_SPACE, VK_RETURN}));
}

// What a native menu showed, read while it is open.
struct ShownItem
{
    std::wstring text;
    bool checked, grayed, separator, submenu;
};
std::vector<ShownItem> gShown;
std::vector<ShownItem> gShownSubmenu;
std::vector<WPARAM> gMenuKeys;

std::vector<ShownItem> ReadMenu(HMENU menu)
{
    std::vector<ShownItem> items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
    {
        wchar_t text[64] = {};
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 63;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        items.push_back({text, (info.fState & MFS_CHECKED) != 0, (info.fState & MFS_GRAYED) != 0,
                         (info.fType & MFT_SEPARATOR) != 0, info.hSubMenu != nullptr});
        if (info.hSubMenu)
            gShownSubmenu = ReadMenu(info.hSubMenu);
    }
    return items;
}

// While the menu runs its own message loop: reads what it shows, then types the keys.
void CALLBACK DriveMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    const HWND popup = FindWindowW(L"#32768", nullptr);
    if (!popup)
        return;
    KillTimer(nullptr, timer);
    gShown = ReadMenu(reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)));
    for (WPARAM key : gMenuKeys)
        PostMessageW(popup, WM_KEYDOWN, key, 0);
}

TEST_F(Win32Editor, MenusShowTicksAndSubmenusAndAnswerTheSubmenuChosenIn)
{
    IPopupMenu menu, rates;
    menu.AddItem("Zoom 100%")->SetChecked(true);
    menu.AddSeparator();
    menu.AddItem("Oversampling", &rates);
    menu.AddItem("Off air", -1, IPopupMenuItem::kDisabled);
    menu.AddItem("Rock & roll", -1, IPopupMenuItem::kTitle);
    rates.AddItem("Off")->SetChecked(true);
    rates.AddItem("2x");
    rates.AddItem("4x");

    // Down to "Oversampling" (the separator is passed over), into its submenu, down to "4x".
    gMenuKeys = {VK_DOWN, VK_DOWN, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN};
    SetTimer(nullptr, 0, 20, &DriveMenu);
    IPopupMenu* chosen = mGraphics->CreateIPopupMenu(&menu, IRECT(10, 10, 11, 11));
    ASSERT_EQ(gShown.size(), 5u);
    EXPECT_TRUE(gShown[0].checked);
    EXPECT_TRUE(gShown[1].separator);
    EXPECT_TRUE(gShown[2].submenu && !gShown[2].checked);
    EXPECT_TRUE(gShown[3].grayed);
    EXPECT_EQ(gShown[4].text, L"    Rock && roll");
    ASSERT_EQ(gShownSubmenu.size(), 3u);
    EXPECT_TRUE(gShownSubmenu[0].checked && !gShownSubmenu[2].checked);
    EXPECT_EQ(chosen, &rates);
    EXPECT_EQ(rates.GetChosenItemIdx(), 2);

    // Escape closes it without a choice.
    gMenuKeys = {VK_ESCAPE};
    SetTimer(nullptr, 0, 20, &DriveMenu);
    EXPECT_EQ(mGraphics->CreateIPopupMenu(&menu, IRECT(10, 10, 11, 11)), nullptr);
}

TEST_F(Win32Editor, TheTextFieldRefusesWhatTheParameterCannotTakeAndCommitsOnReturn)
{
    mInt->PromptUserInput();
    ASSERT_NE(Field(), nullptr);
    EXPECT_EQ(GetFocus(), Field());
    // The field opens with the value selected, so typing replaces it; an int takes no point.
    Type("1.5");
    EXPECT_EQ(FieldText(), "15");
    SendMessageW(Field(), WM_CHAR, VK_BACK, 1);
    EXPECT_EQ(FieldText(), "1");
    SendMessageW(Field(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Field(), nullptr);
    EXPECT_EQ(mPlug.GetParam(kModel)->Int(), 1);
    EXPECT_EQ(GetFocus(), mView);

    // Escape leaves the value alone; a click beside the field commits it.
    mInt->PromptUserInput();
    Type("2");
    SendMessageW(Field(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(Field(), nullptr);
    EXPECT_EQ(mPlug.GetParam(kModel)->Int(), 1);
    mInt->PromptUserInput();
    Type("2");
    SendMessageW(mView, WM_LBUTTONDOWN, MK_LBUTTON, At(50, 50));
    SendMessageW(mView, WM_LBUTTONUP, 0, At(50, 50));
    EXPECT_EQ(Field(), nullptr);
    EXPECT_EQ(mPlug.GetParam(kModel)->Int(), 2);
}

TEST_F(Win32Editor, TheHostTearingItsWindowDownClosesTheEditor)
{
    DestroyWindow(mHost);
    EXPECT_FALSE(mGraphics->WindowIsOpen());
    // Reopening in a new window works as before.
    sHost = mHost = MakeHostWindow();
    EXPECT_NE(mGraphics->OpenWindow(mHost, MakeWin32NativeLayer()), nullptr);
}

} // namespace
