// The pop-up menu record the graphics context fills and the native layer shows.
#pragma once

#include "util/fxstring.h"
#include "util/ptrlist.h"

class IPopupMenu;

class IPopupMenuItem
{
public:
    enum Flags
    {
        kNoFlags = 0,
        kDisabled = 1 << 0,
        kTitle = 1 << 1,
        kChecked = 1 << 2,
        kSeparator = 1 << 3
    };

    explicit IPopupMenuItem(const char* text, int flags = kNoFlags);
    // The submenu is not owned.
    IPopupMenuItem(const char* text, IPopupMenu* submenu);

    const char* GetText() const { return mText.Get(); }
    IPopupMenu* GetSubmenu() const { return mSubmenu; }
    int GetFlags() const { return mFlags; }
    bool GetEnabled() const { return !(mFlags & kDisabled); }
    bool GetChecked() const { return (mFlags & kChecked) != 0; }
    bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
    bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }

    void SetChecked(bool checked);

private:
    FxString mText;
    IPopupMenu* mSubmenu = nullptr;
    int mFlags = kNoFlags;
};

class IPopupMenu
{
public:
    IPopupMenu() = default;
    IPopupMenu(const IPopupMenu&) = delete;
    IPopupMenu& operator=(const IPopupMenu&) = delete;

    int GetNItems() const { return mItems.GetSize(); }
    int GetPrefix() const { return mPrefix; }
    int GetChosenItemIdx() const { return mChosenItemIdx; }
    void SetChosenItemIdx(int index) { mChosenItemIdx = index; }

    // Takes ownership of item. position −1 appends; other negative positions insert at the front.
    IPopupMenuItem* AddItem(IPopupMenuItem* item, int position = -1);
    IPopupMenuItem* AddItem(const char* text, int position = -1, int flags = 0);
    IPopupMenuItem* AddItem(const char* text, IPopupMenu* submenu, int position = -1);
    IPopupMenuItem* AddSeparator(int position = -1);

    IPopupMenuItem* GetItem(int index) const { return mItems.Get(index); }
    // "" for an index out of range rather than a crash.
    const char* GetItemText(int index) const;

    void CheckItem(int index, bool checked);
    void CheckItemAlone(int index);
    bool IsItemChecked(int index) const;
    // Numbering of the shown items: 0 none, 1 "%1d: ", 2 "%02d: ", 3 "%03d: ".
    void SetPrefix(int mode);
    // The text the native menu shows for an item: its number (by the prefix mode) and its text.
    FxString GetDisplayText(int index) const;

private:
    int mPrefix = 0;
    int mChosenItemIdx = -1;
    FxPtrList<IPopupMenuItem> mItems;
};
