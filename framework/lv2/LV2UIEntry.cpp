// The UI module's entry point: the plug-in's editor as an X11 UI, embedded in the host's parent
// window and driven by the host's idle calls. The editor runs on a plug-in object of its own
// that never processes audio; it talks to the instance only through the host's port writes and
// port events.
#include "framework/lv2/HostRunLoopLV2.h"
#include "framework/lv2/PlugModuleLV2.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/platform/X11NativeLayer.h"

#include "lv2/ui/ui.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace
{
class EditorUI final : private ILV2PortWriter
{
public:
    EditorUI(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch)
        : mWrite(write), mController(controller), mTouch(touch)
    {
    }

    ~EditorUI()
    {
        if (mGraphics && mGraphics->GetWindow())
        {
            mPlug->OnGUIClose();
            mGraphics->CloseWindow();
        }
    }

    // Opens the editor in parent; the window's handle, null on failure.
    void* Open(int nChannels, void* parent)
    {
        mPlug.reset(MakePlug());
        mGraphics = mPlug ? dynamic_cast<IGraphicsMac*>(mPlug->GetGUI()) : nullptr;
        if (!mGraphics || !mPlug->ServeEditor(nChannels, this))
            return nullptr;
        auto loop = std::make_unique<IdleRunLoop>();
        mLoop = loop.get();
        void* window = mGraphics->OpenWindow(parent, MakeX11NativeLayer(std::move(loop)));
        if (window)
            mPlug->OnGUIOpen();
        return window;
    }

    int Width() const { return mGraphics->Width(); }
    int Height() const { return mGraphics->Height(); }
    void OnPortValue(uint32_t port, float value) { mPlug->OnPortValue(port, value); }

    // Non-zero once the window is gone (the host destroyed its parent).
    int Idle()
    {
        if (!mGraphics->GetWindow())
            return 1;
        mLoop->Idle();
        return mGraphics->GetWindow() ? 0 : 1;
    }

private:
    void WritePort(uint32_t port, float value) override
    {
        if (mWrite)
            mWrite(mController, port, sizeof(float), 0, &value);
    }

    void TouchPort(uint32_t port, bool grabbed) override
    {
        if (mTouch && mTouch->touch)
            mTouch->touch(mTouch->handle, port, grabbed);
    }

    LV2UI_Write_Function mWrite;
    LV2UI_Controller mController;
    const LV2UI_Touch* mTouch;
    std::unique_ptr<IFxLV2> mPlug;
    IGraphicsMac* mGraphics = nullptr;
    // Owned by the editor's native layer, which lives as long as the window it serves.
    IdleRunLoop* mLoop = nullptr;
};

LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char* pluginURI, const char*,
                         LV2UI_Write_Function write, LV2UI_Controller controller,
                         LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    void* parent = const_cast<void*>(FindLV2Feature(features, LV2_UI__parent));
    if (!parent || !widget)
        return nullptr;
    const bool mono =
        pluginURI && LV2MonoURI(kPlugClassRecord.vendor, kPlugClassRecord.name) == pluginURI;
    try
    {
        auto ui = std::make_unique<EditorUI>(
            write, controller,
            static_cast<const LV2UI_Touch*>(FindLV2Feature(features, LV2_UI__touch)));
        void* window = ui->Open(mono ? kLV2MonoChannels : kLV2StereoChannels, parent);
        if (!window)
            return nullptr;
        *widget = window;
        if (const auto* resize =
                static_cast<const LV2UI_Resize*>(FindLV2Feature(features, LV2_UI__resize)))
            if (resize->ui_resize)
                resize->ui_resize(resize->handle, ui->Width(), ui->Height());
        return ui.release();
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

void Cleanup(LV2UI_Handle handle)
{
    delete static_cast<EditorUI*>(handle);
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format,
               const void* buffer)
{
    // Control ports speak the float protocol: format 0, one float.
    if (format == 0 && size == sizeof(float) && buffer)
        static_cast<EditorUI*>(handle)->OnPortValue(port, *static_cast<const float*>(buffer));
}

int Idle(LV2UI_Handle handle)
{
    return static_cast<EditorUI*>(handle)->Idle();
}

const LV2UI_Idle_Interface kIdleInterface = {Idle};

const void* ExtensionData(const char* uri)
{
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor& TheDescriptor()
{
    static const std::string uri = LV2UIURI(kPlugClassRecord.vendor, kPlugClassRecord.name);
    static const LV2UI_Descriptor descriptor = {uri.c_str(), Instantiate, Cleanup, PortEvent,
                                                ExtensionData};
    return descriptor;
}
} // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor*
lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &TheDescriptor() : nullptr;
}
