#include "framework/platform/Win32Layer.h"

#include "framework/graphics/IPopupMenu.h"

namespace
{

// Which item of which menu a native command stands for (commands count from 1).
struct MenuCommand
{
    IPopupMenu* menu;
    int index;
};

std::wstring ItemText(const IPopupMenu& menu, int index)
{
    std::wstring text = FxWideFromUtf8(menu.GetDisplayText(index).Get());
    // Windows takes "&" as the mark of a keyboard shortcut; the menu shows it as written.
    for (size_t at = text.find(L'&'); at != std::wstring::npos; at = text.find(L'&', at + 2))
        text.insert(at, 1, L'&');
    // Section titles stand one level in, as the editor's macOS menus indent them.
    if (menu.GetItem(index)->GetIsTitle())
        text.insert(0, L"    ");
    return text;
}

// The native menu for menu and its submenus; their commands are appended to commands.
HMENU BuildMenu(IPopupMenu* menu, std::vector<MenuCommand>* commands)
{
    HMENU native = CreatePopupMenu();
    if (!native)
        return nullptr;
    for (int i = 0; i < menu->GetNItems(); ++i)
    {
        const IPopupMenuItem* item = menu->GetItem(i);
        if (item->GetIsSeparator())
        {
            AppendMenuW(native, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const UINT state =
            (item->GetChecked() ? MF_CHECKED : 0u) | (item->GetEnabled() ? 0u : MF_GRAYED);
        const std::wstring text = ItemText(*menu, i);
        if (IPopupMenu* sub = item->GetSubmenu())
        {
            if (HMENU subNative = BuildMenu(sub, commands))
                AppendMenuW(native, MF_POPUP | MF_STRING | state,
                            reinterpret_cast<UINT_PTR>(subNative), text.c_str());
            continue;
        }
        commands->push_back({menu, i});
        AppendMenuW(native, MF_STRING | state, commands->size(), text.c_str());
    }
    return native;
}

} // namespace

IPopupMenu* Win32NativeLayer::ShowMenu(IPopupMenu* menu, const NativeRect& area)
{
    if (!mWindow || !menu || menu->GetNItems() <= 0)
        return nullptr;
    std::vector<MenuCommand> commands;
    HMENU native = BuildMenu(menu, &commands);
    if (!native)
        return nullptr;
    // Opens at the area's top left, 4 pixels down, as the editor's menus always have.
    POINT at = {static_cast<LONG>(area.x), static_cast<LONG>(area.y) + 4};
    ClientToScreen(mWindow, &at);
    // The editor's own capture must not keep the menu from taking the mouse.
    if (GetCapture() == mWindow)
        ReleaseCapture();
    const UINT command = static_cast<UINT>(TrackPopupMenuEx(
        native, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY, at.x,
        at.y, mWindow, nullptr));
    // Destroys the submenus with it.
    DestroyMenu(native);
    if (command == 0 || command > commands.size())
        return nullptr;
    const MenuCommand& chosen = commands[command - 1];
    chosen.menu->SetChosenItemIdx(chosen.index);
    return chosen.menu;
}
