#include "framework/platform/Win32Layer.h"

#include "framework/platform/Bundle.h"

namespace
{

constexpr UINT_PTR kRepaintTimer = 1;

// The module (DLL) this code is in: its window class is its own, so that two plug-ins built on
// this framework and loaded into one host do not share one.
HINSTANCE OwnModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&MakeWin32NativeLayer), &module);
    return module;
}

const wchar_t kWindowClass[] = L"IGraphicsWin32View";

} // namespace

Win32NativeLayer::Win32NativeLayer()
{
    if (BundleRef* bundle =
            BundleRef::CreateForAddress(reinterpret_cast<const void*>(&MakeWin32NativeLayer)))
    {
        mResourceRoot = bundle->GetResourcesPath();
        bundle->Release();
    }
}

void* Win32NativeLayer::OpenView(void* parent, int width, int height, int intervalMs,
                                 INativeViewClient* client)
{
    HWND parentWindow = static_cast<HWND>(parent);
    if (mWindow || !client || !parentWindow || !IsWindow(parentWindow))
        return nullptr;
    const HINSTANCE module = OwnModule();
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    // Double-clicks arrive as messages of their own.
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &Win32NativeLayer::WindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    // While a window of the class is open, registering again answers "already exists".
    RegisterClassExW(&wc);
    mClient = client;
    mWindow = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                              width, height, parentWindow, nullptr, module, this);
    if (!mWindow || !SetTimer(mWindow, kRepaintTimer, static_cast<UINT>(intervalMs), nullptr))
    {
        CloseView();
        return nullptr;
    }
    return mWindow;
}

void Win32NativeLayer::CloseView()
{
    CloseTextEntry();
    if (mWindow)
    {
        mClosing = true;
        KillTimer(mWindow, kRepaintTimer);
        DestroyWindow(mWindow);
        mClosing = false;
        // Windows keeps a DLL's window classes after the DLL is unloaded; a host that unloads
        // the module and loads it again would then create windows with a procedure that is
        // gone. The class goes with the last window of it (while other editors of this module
        // are open this fails, and the last of them removes it).
        UnregisterClassW(kWindowClass, OwnModule());
    }
    mWindow = nullptr;
    mClient = nullptr;
}

void Win32NativeLayer::ResizeView(int width, int height)
{
    if (mWindow)
        SetWindowPos(mWindow, nullptr, 0, 0, width, height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32NativeLayer::Invalidate(const NativeRect& area)
{
    if (!mWindow || area.Empty())
        return;
    const RECT r = {static_cast<LONG>(area.x), static_cast<LONG>(area.y),
                    static_cast<LONG>(area.x + area.w), static_cast<LONG>(area.y + area.h)};
    InvalidateRect(mWindow, &r, FALSE);
}

bool Win32NativeLayer::Present(Raster_IBitmap* surface, const IRECT&)
{
    if (!mWindow || !surface || !surface->getBits())
        return false;
    // The surface's 0xAARRGGBB words are a top-down 32-bit DIB's pixels as they are. The whole
    // surface is handed over; the paint's clipping keeps it to the area being painted.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = surface->getRowSpan();
    info.bmiHeader.biHeight = -surface->getHeight();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = mPaintDC ? mPaintDC : GetDC(mWindow);
    const int lines = SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(surface->getWidth()),
                                        static_cast<DWORD>(surface->getHeight()), 0, 0, 0,
                                        static_cast<UINT>(surface->getHeight()), surface->getBits(),
                                        &info, DIB_RGB_COLORS);
    if (!mPaintDC)
        ReleaseDC(mWindow, dc);
    return lines > 0;
}

void Win32NativeLayer::OnPaint()
{
    PAINTSTRUCT paint;
    mPaintDC = BeginPaint(mWindow, &paint);
    const RECT& r = paint.rcPaint;
    if (mClient && r.right > r.left && r.bottom > r.top)
        mClient->OnViewPaint(
            {double(r.left), double(r.top), double(r.right - r.left), double(r.bottom - r.top)});
    EndPaint(mWindow, &paint);
    mPaintDC = nullptr;
}

LRESULT CALLBACK Win32NativeLayer::WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp)
{
    if (message == WM_NCCREATE)
    {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Win32NativeLayer*>(create->lpCreateParams)->mWindow = window;
    }
    auto* layer = reinterpret_cast<Win32NativeLayer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!layer || layer->mWindow != window)
        return DefWindowProcW(window, message, wp, lp);
    return layer->OnMessage(message, wp, lp);
}

LRESULT Win32NativeLayer::OnMessage(UINT message, WPARAM wp, LPARAM lp)
{
    if (OnInputMessage(message, wp, lp))
        return 0;
    switch (message)
    {
    case WM_TIMER:
        if (wp == kRepaintTimer && mClient)
            mClient->OnViewTimer();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_GETDLGCODE:
        // A host whose window is a dialog would keep the arrows and characters for itself.
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
        // The paint covers every pixel; erasing first would only flicker.
        return 1;
    case WM_COMMAND:
        if (mField && reinterpret_cast<HWND>(lp) == mField && HIWORD(wp) == EN_CHANGE)
            OnFieldChanged();
        return 0;
    case WM_CTLCOLOREDIT:
        if (mField && reinterpret_cast<HWND>(lp) == mField)
            return FieldColours(reinterpret_cast<HDC>(wp));
        break;
    case WM_DESTROY:
        if (!mClosing)
        {
            // The host tore its window down: the editor closes as if the view were removed.
            INativeViewClient* client = mClient;
            mField = nullptr;
            mWindow = nullptr;
            if (client)
                client->OnViewDetached();
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcW(mWindow, message, wp, lp);
}

int Win32NativeLayer::RunAlert(const char* caption, const char* text,
                               const std::vector<std::string>& buttons)
{
    // The message box kinds whose buttons are the ones asked for, default first.
    UINT kind = MB_OK;
    if (buttons == std::vector<std::string>{"Yes", "No"})
        kind = MB_YESNO;
    else if (buttons == std::vector<std::string>{"Yes", "No", "Cancel"})
        kind = MB_YESNOCANCEL;
    else if (buttons == std::vector<std::string>{"OK", "Cancel"})
        kind = MB_OKCANCEL;
    const int answer = MessageBoxW(mWindow, FxWideFromUtf8(text).c_str(),
                                   FxWideFromUtf8(caption).c_str(), kind | MB_ICONINFORMATION);
    switch (answer)
    {
    case IDOK:
    case IDYES:
        return 0;
    case IDNO:
        return 1;
    case IDCANCEL:
        return kind == MB_OK ? 0 : static_cast<int>(buttons.size()) - 1;
    default:
        return -1;
    }
}

std::unique_ptr<INativeLayer> MakeWin32NativeLayer()
{
    return std::make_unique<Win32NativeLayer>();
}
