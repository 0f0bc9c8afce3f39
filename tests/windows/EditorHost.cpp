// veltar_editor_host: a small Windows host for the editor tests. It loads a VST 3 bundle as a
// Windows host does, shows the plug-in's editor in a borderless window at the screen's top left
// (so that a screenshot of the screen's corner is the editor), and takes commands, one a line,
// on standard input:
//
//   open | close | scale F | quit | teardown (the window goes before the view is removed)
//
// Everything it sees is written to a log file, one line an event, flushed at once:
//
//   opened W H | closed | begin ID | perform ID VALUE | end ID | resize W H | key CODE
//
// The script that drives it with xdotool waits for these lines instead of for time to pass.
#include "HostApplication.h"
#include "ModuleLoader.h"
#include "PluginInstance.h"
#include "RefCount.h"
#include "util/platform.h"

#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{

const TUID kVeltarCID = {'\xF2', '\xAE', '\xE7', '\x0D', '\x00', '\xDE', '\x4F', '\x4E',
                         '\x51', '\x75', '\x61', '\x75', '\x56', '\x74', '\x72', '\x31'};
const UINT kCommandMessage = WM_APP + 1;

std::FILE* gLog = nullptr;

void Log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(gLog, format, args);
    va_end(args);
    std::fputc('\n', gLog);
    std::fflush(gLog);
}

class ComponentHandler : public IComponentHandler
{
public:
    tresult PLUGIN_API beginEdit(ParamID id) override
    {
        Log("begin %u", id);
        return kResultOk;
    }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue value) override
    {
        Log("perform %u %.9f", id, value);
        return kResultOk;
    }
    tresult PLUGIN_API endEdit(ParamID id) override
    {
        Log("end %u", id);
        return kResultOk;
    }
    tresult PLUGIN_API restartComponent(int32 flags) override
    {
        Log("restart %d", flags);
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        return vst3host::QueryOwnInterface<IComponentHandler>(this, queried, obj);
    }
    VST3HOST_REFCOUNT_METHODS

private:
    vst3host::RefCount mRefs;
};

// The host's window and the editor view in it.
class Host : public IPlugFrame
{
public:
    explicit Host(IEditController* controller) : mController(controller) {}

    bool CreateWindowFor()
    {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Host::WindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"VeltarTestHost";
        RegisterClassExW(&wc);
        mWindow = CreateWindowExW(0, wc.lpszClassName, L"VELTAR test host",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 352, 568, nullptr,
                                  nullptr, wc.hInstance, this);
        return mWindow != nullptr;
    }

    void Open()
    {
        if (mView)
            return;
        mView = mController->createView(ViewType::kEditor);
        if (!mView || mView->isPlatformTypeSupported(kPlatformTypeHWND) != kResultOk)
        {
            Log("refused");
            return;
        }
        if (mScale != 1.0)
            SetScale(mScale);
        mView->setFrame(this);
        ViewRect size;
        mView->getSize(&size);
        SizeWindow(size.getWidth(), size.getHeight());
        if (mView->attached(mWindow, kPlatformTypeHWND) != kResultOk)
        {
            Log("refused");
            return;
        }
        Log("opened %d %d", size.getWidth(), size.getHeight());
    }

    void Close()
    {
        if (!mView)
            return;
        mView->removed();
        mView->setFrame(nullptr);
        mView->release();
        mView = nullptr;
        InvalidateRect(mWindow, nullptr, TRUE);
        Log("closed");
    }

    void SetScale(double scale)
    {
        mScale = scale;
        IPlugViewContentScaleSupport* support = nullptr;
        if (mView && mView->queryInterface(IPlugViewContentScaleSupport::iid,
                                           reinterpret_cast<void**>(&support)) == kResultOk)
        {
            support->setContentScaleFactor(static_cast<float>(scale));
            support->release();
        }
    }

    void OnCommand(const std::string& line)
    {
        if (line == "open")
            Open();
        else if (line == "close")
            Close();
        else if (line.rfind("scale ", 0) == 0)
            SetScale(std::atof(line.c_str() + 6));
        else if (line == "quit")
        {
            Close();
            DestroyWindow(mWindow);
        }
        else if (line == "teardown")
            DestroyWindow(mWindow);
    }

    tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) override
    {
        if (!view || !newSize)
            return kInvalidArgument;
        SizeWindow(newSize->getWidth(), newSize->getHeight());
        Log("resize %d %d", newSize->getWidth(), newSize->getHeight());
        return view->onSize(newSize);
    }
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        return vst3host::QueryOwnInterface<IPlugFrame>(this, queried, obj);
    }
    VST3HOST_REFCOUNT_METHODS

    HWND Window() const { return mWindow; }

private:
    void SizeWindow(int width, int height)
    {
        SetWindowPos(mWindow, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp)
    {
        if (message == WM_NCCREATE)
            SetWindowLongPtrW(
                window, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
        auto* host = reinterpret_cast<Host*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message)
        {
        case kCommandMessage:
        {
            auto* line = reinterpret_cast<std::string*>(lp);
            host->OnCommand(*line);
            delete line;
            return 0;
        }
        case WM_KEYDOWN:
            // What the editor passed on to its host.
            Log("key %u", static_cast<unsigned>(wp));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wp, lp);
        }
    }

    IEditController* mController;
    HWND mWindow = nullptr;
    IPlugView* mView = nullptr;
    double mScale = 1.0;
    vst3host::RefCount mRefs;
};

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args = FxUtf8Arguments(argc, argv);
    if (args.size() != 3)
    {
        std::fprintf(stderr, "usage: veltar_editor_host BUNDLE LOG\n");
        return 2;
    }
    gLog = FxOpenFile(args[2].c_str(), "wb");
    if (!gLog)
        return 1;
    vst3host::ModuleLoader module(args[1]);
    if (!module.IsLoaded())
    {
        Log("error %s", module.GetError().c_str());
        return 1;
    }
    vst3host::HostApplication context("VELTAR test host");
    ComponentHandler handler;
    {
        vst3host::PluginInstance plugin;
        if (!plugin.Create(*module.GetFactory(), kVeltarCID, "VELTAR") ||
            !plugin.Initialize(&context))
        {
            Log("error %s", plugin.GetError().c_str());
            return 1;
        }
        plugin.controller->setComponentHandler(&handler);
        Host host(plugin.controller);
        if (!host.CreateWindowFor())
            return 1;
        host.Open();
        // Commands come on another thread and are carried out on the window's.
        const HWND window = host.Window();
        std::thread reader(
            [window]
            {
                std::string line;
                while (std::getline(std::cin, line))
                    PostMessageW(window, kCommandMessage, 0,
                                 reinterpret_cast<LPARAM>(new std::string(line)));
                PostMessageW(window, kCommandMessage, 0,
                             reinterpret_cast<LPARAM>(new std::string("quit")));
            });
        reader.detach();
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        // After a teardown the view is removed from a window that is gone.
        host.Close();
        plugin.controller->setComponentHandler(nullptr);
    }
    Log("quit");
    return 0;
}
