// A fixture for tests of the panel: the plug-in object linked in, set up with a component handler
// that records the host's side, and its editor open on the headless layer, which shows menus as
// lists and answers them as told.
#pragma once

#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"

#include "ComponentHandler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

struct PlugRelease
{
    void operator()(IFxVST3* p) const { p->release(); }
};
using PlugPtr = std::unique_ptr<IFxVST3, PlugRelease>;

class HeadlessPanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
        plug.reset(MakePlug());
        ASSERT_EQ(plug->initialize(nullptr), Steinberg::kResultOk);
        ASSERT_EQ(plug->setComponentHandler(&handler), Steinberg::kResultOk);
        editor = dynamic_cast<IGraphicsMac*>(plug->GetGUI());
        ASSERT_NE(editor, nullptr);
        ASSERT_NE(editor->OpenWindow(nullptr), nullptr);
        layer = static_cast<HeadlessNativeLayer*>(editor->GetNativeLayer());
    }
    void TearDown() override
    {
        editor->CloseWindow();
        plug->setComponentHandler(nullptr);
        SetPlatformResourceRoot(nullptr);
    }

    // Right-clicks the panel where no control is and returns the menu shown; choice and
    // subChoice pick an item as the user would (-1: none). The list lasts until the next menu.
    const std::vector<HeadlessNativeLayer::ShownMenuItem>& Menu(int choice = -1, int subChoice = -1)
    {
        layer->SetNextMenuChoice(choice, subChoice);
        layer->MouseDown(10, 10, IMouseMod(false, true));
        return layer->GetLastMenu();
    }

    // The index of the panel menu's entry with this text, -1 if there is none.
    int EntryIndex(const std::string& text)
    {
        const auto& menu = Menu();
        for (size_t i = 0; i < menu.size(); ++i)
            if (menu[i].text == text)
                return static_cast<int>(i);
        return -1;
    }

    // Chooses the entry of a submenu by their texts; false when the menu has no such entry.
    bool Choose(const std::string& item, const std::string& entry)
    {
        const int i = EntryIndex(item);
        const auto& menu = Menu();
        for (size_t j = 0; i >= 0 && j < menu[static_cast<size_t>(i)].submenu.size(); ++j)
            if (menu[static_cast<size_t>(i)].submenu[j].text == entry)
            {
                Menu(i, static_cast<int>(j));
                return true;
            }
        return false;
    }

    PlugPtr plug;
    vst3test::ComponentHandler handler;
    IGraphicsMac* editor = nullptr;
    HeadlessNativeLayer* layer = nullptr;
};
