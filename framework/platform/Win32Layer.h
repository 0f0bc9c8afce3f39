// The Win32 layer's class, shared by the files that implement it: Win32NativeLayer.cpp (the
// window, its timer and the copy of the surface), Win32Events.cpp (mouse and keys),
// Win32PopupMenu.cpp and Win32TextEntry.cpp.
#pragma once

#include "framework/platform/Win32NativeLayer.h"
#include "raster/Raster.h"
#include "util/widetext.h"

#include <windows.h>
// windows.h names FindResourceA/W by this macro; here it is the native layer's own operation.
#undef FindResource

#include <string>
#include <vector>

class Win32NativeLayer final : public INativeLayer
{
public:
    Win32NativeLayer();
    ~Win32NativeLayer() override { CloseView(); }

    const char* GetName() const override { return "Win32"; }
    bool IsFlipped() const override { return true; }
    std::string FindResource(const char*, const char* name) override
    {
        return FindBundleResource(mResourceRoot, name);
    }

    void* OpenView(void* parent, int width, int height, int intervalMs,
                   INativeViewClient* client) override;
    void CloseView() override;
    void* GetView() const override { return mWindow; }
    void ResizeView(int width, int height) override;
    void Invalidate(const NativeRect& area) override;
    bool Present(Raster_IBitmap* surface, const IRECT& area) override;
    IPopupMenu* ShowMenu(IPopupMenu* menu, const NativeRect& area) override;
    bool OpenTextEntry(const NativeTextEntry& entry) override;
    void CloseTextEntry() override;
    bool IsTextEntryOpen() const override { return mField != nullptr; }
    void SetTooltipAreas(const std::vector<NativeRect>&) override {}
    int RunAlert(const char* caption, const char* text,
                 const std::vector<std::string>& buttons) override;
    std::string RunFilePanel(const NativeFilePanel&) override { return ""; }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK FieldProc(HWND field, UINT message, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT message, WPARAM wp, LPARAM lp);
    void OnPaint();
    // Mouse and key messages; true when the message was one of them.
    bool OnInputMessage(UINT message, WPARAM wp, LPARAM lp);
    void OnMouseButton(UINT message, WPARAM wp, LPARAM lp);
    void OnKey(WPARAM wp, LPARAM lp);
    // The field's messages that end editing; true when handled.
    bool OnFieldKey(UINT message, WPARAM wp);
    // Keeps the field to what its filter accepts after every change.
    void OnFieldChanged();
    void CommitTextEntry();
    LRESULT FieldColours(HDC dc);

    std::string mResourceRoot;
    INativeViewClient* mClient = nullptr;
    HWND mWindow = nullptr;
    // Set while CloseView destroys the window, so that its destruction is not taken for the
    // host tearing its window down.
    bool mClosing = false;
    // The device context of the paint in progress, where Present draws.
    HDC mPaintDC = nullptr;

    HWND mField = nullptr;
    WNDPROC mFieldDefaultProc = nullptr;
    HFONT mFieldFont = nullptr;
    HBRUSH mFieldBrush = nullptr;
    NativeTextEntry mEntry;
    // The field's contents as last accepted by the filter.
    std::wstring mFieldText;
    bool mRestoringField = false;
};
