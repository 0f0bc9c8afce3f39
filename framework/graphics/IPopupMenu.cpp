#include "framework/graphics/IPopupMenu.h"

#include <cstdio>

IPopupMenuItem::IPopupMenuItem(const char* text, int flags) : mText(text), mFlags(flags) {}

IPopupMenuItem::IPopupMenuItem(const char* text, IPopupMenu* submenu)
    : mText(text), mSubmenu(submenu)
{
}

void IPopupMenuItem::SetChecked(bool checked)
{
    if (checked)
        mFlags |= kChecked;
    else
        mFlags &= ~kChecked;
}

IPopupMenuItem* IPopupMenu::AddItem(IPopupMenuItem* item, int position)
{
    if (!item)
        return nullptr;
    if (position == -1)
        return mItems.Add(item);
    return mItems.Insert(position < 0 ? 0 : position, item);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, int position, int flags)
{
    return AddItem(new IPopupMenuItem(text, flags), position);
}

IPopupMenuItem* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu, int position)
{
    return AddItem(new IPopupMenuItem(text, submenu), position);
}

IPopupMenuItem* IPopupMenu::AddSeparator(int position)
{
    return AddItem(new IPopupMenuItem("", IPopupMenuItem::kSeparator), position);
}

const char* IPopupMenu::GetItemText(int index) const
{
    const IPopupMenuItem* item = mItems.Get(index);
    return item ? item->GetText() : "";
}

void IPopupMenu::CheckItem(int index, bool checked)
{
    if (IPopupMenuItem* item = mItems.Get(index))
        item->SetChecked(checked);
}

void IPopupMenu::CheckItemAlone(int index)
{
    for (int i = 0; i < mItems.GetSize(); ++i)
        mItems.Get(i)->SetChecked(i == index);
}

bool IPopupMenu::IsItemChecked(int index) const
{
    const IPopupMenuItem* item = mItems.Get(index);
    return item && item->GetChecked();
}

void IPopupMenu::SetPrefix(int mode)
{
    if (mode >= 0 && mode <= 3)
        mPrefix = mode;
}

FxString IPopupMenu::GetDisplayText(int index) const
{
    static const char* const kFormats[] = {"", "%1d: ", "%02d: ", "%03d: "};
    FxString text;
    if (mPrefix > 0)
    {
        char number[16];
        std::snprintf(number, sizeof(number), kFormats[mPrefix], index + 1);
        text.Set(number);
    }
    text.Append(GetItemText(index));
    return text;
}
