// The editor view as a host drives it: createView, platform types, attach and remove, sizes,
// the edit gesture and the host's context menu, the open-views list and the plug-in reference.
#include "EditorPlug.h"

#include "ComponentHandler.h"
#include "PlugFrame.h"

#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/vst3/HostWindow.h"
#include "framework/vst3/IFxVST3View.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstcontextmenu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace Steinberg
{
bool operator==(const ViewRect& a, const ViewRect& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
} // namespace Steinberg
using viewtest::EditorPlug;

namespace
{

// A host's component handler that also offers context menus, recording what they were asked.
class MenuHost : public vst3test::ComponentHandler, public IComponentHandler3
{
public:
    class Menu : public IContextMenu
    {
    public:
        int32 PLUGIN_API getItemCount() override { return 0; }
        tresult PLUGIN_API getItem(int32, Item&, IContextMenuTarget**) override
        {
            return kResultFalse;
        }
        tresult PLUGIN_API addItem(const Item&, IContextMenuTarget*) override { return kResultOk; }
        tresult PLUGIN_API removeItem(const Item&, IContextMenuTarget*) override
        {
            return kResultOk;
        }
        tresult PLUGIN_API popup(UCoord x, UCoord y) override
        {
            mPopups.push_back({x, y});
            return kResultOk;
        }
        tresult PLUGIN_API queryInterface(const TUID, void** obj) override
        {
            *obj = nullptr;
            return kNoInterface;
        }
        VST3HOST_REFCOUNT_METHODS
        std::vector<std::pair<UCoord, UCoord>> mPopups;

    private:
        vst3host::RefCount mRefs;
    };

    IContextMenu* PLUGIN_API createContextMenu(IPlugView* view, const ParamID* id) override
    {
        mRequests.push_back({view, id ? static_cast<int>(*id) : -1});
        mMenu.addRef();
        return &mMenu;
    }
    tresult PLUGIN_API queryInterface(const TUID queried, void** obj) override
    {
        if (FUnknownPrivate::iidEqual(queried, IComponentHandler3::iid))
        {
            addRef();
            *obj = static_cast<IComponentHandler3*>(this);
            return kResultOk;
        }
        return ComponentHandler::queryInterface(queried, obj);
    }
    uint32 PLUGIN_API addRef() override { return ComponentHandler::addRef(); }
    uint32 PLUGIN_API release() override { return ComponentHandler::release(); }

    std::vector<std::pair<IPlugView*, int>> mRequests;
    Menu mMenu;
};

struct PlugRelease
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};
using PlugPtr = std::unique_ptr<EditorPlug, PlugRelease>;

const IMouseMod kLeft(true);
const IMouseMod kRight(false, true);

class ViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mPlug.reset(new EditorPlug);
        mPlug->setComponentHandler(&mHandler);
        mView = mPlug->createView(ViewType::kEditor);
        ASSERT_NE(mView, nullptr);
        mView->setFrame(&mFrame);
    }
    void TearDown() override
    {
        if (mView)
            mView->release();
        mPlug->setComponentHandler(nullptr);
    }
    HeadlessNativeLayer* Layer()
    {
        return static_cast<HeadlessNativeLayer*>(mPlug->Editor()->GetNativeLayer());
    }
    int Refs()
    {
        mPlug->addRef();
        return static_cast<int>(mPlug->release());
    }

    MenuHost mHandler;
    vst3host::PlugFrame mFrame;
    PlugPtr mPlug;
    IPlugView* mView = nullptr;
};

TEST_F(ViewTest, CreateViewAnswersOnlyTheEditorName)
{
    EXPECT_EQ(mPlug->createView("Editor"), nullptr);
    EXPECT_EQ(mPlug->createView(nullptr), nullptr);
    EXPECT_EQ(mPlug->createView(""), nullptr);
    EXPECT_EQ(mPlug->GetOpenViews().size(), 1u);
}

TEST_F(ViewTest, PlatformTypes)
{
    EXPECT_EQ(mView->isPlatformTypeSupported(kPlatformTypeNSView), kResultOk);
    EXPECT_EQ(mView->isPlatformTypeSupported(kPlatformTypeHIView), kResultOk);
    // The windows of this platform's hosts (HostWindow.h), and not the other platform's.
    EXPECT_EQ(mView->isPlatformTypeSupported(HostWindowPlatformType()), kResultOk);
    const bool onWindows = std::strcmp(HostWindowPlatformType(), kPlatformTypeHWND) == 0;
    EXPECT_EQ(mView->isPlatformTypeSupported(onWindows ? kPlatformTypeX11EmbedWindowID
                                                       : kPlatformTypeHWND),
              kResultFalse);
    EXPECT_EQ(mView->isPlatformTypeSupported("nsview"), kResultFalse);
    EXPECT_EQ(mView->isPlatformTypeSupported(nullptr), kResultFalse);
}

TEST_F(ViewTest, AttachAndRemoveOpenAndCloseTheWindowAroundTheHooks)
{
    int parent = 0;
    EXPECT_EQ(mView->attached(&parent, kPlatformTypeNSView), kResultOk);
    EXPECT_TRUE(mPlug->Editor()->WindowIsOpen());
    EXPECT_EQ(Layer()->GetParent(), &parent);
    EXPECT_EQ(mPlug->mHooks, std::vector<char>({'o'}));
    EXPECT_EQ(mView->removed(), kResultOk);
    EXPECT_FALSE(mPlug->Editor()->WindowIsOpen());
    EXPECT_EQ(mPlug->mHooks, std::vector<char>({'o', 'c'}));

    // The host may attach again after removing; HIView runs the hook but opens nothing.
    EXPECT_EQ(mView->attached(&parent, kPlatformTypeHIView), kResultOk);
    EXPECT_FALSE(mPlug->Editor()->WindowIsOpen());
    EXPECT_EQ(mPlug->mHooks.back(), 'o');
    EXPECT_EQ(mView->removed(), kResultOk);
}

TEST_F(ViewTest, ReleasingAnAttachedViewClosesItsWindow)
{
    int parent = 0;
    ASSERT_EQ(mView->attached(&parent, kPlatformTypeNSView), kResultOk);
    mView->release();
    mView = nullptr;
    EXPECT_FALSE(mPlug->Editor()->WindowIsOpen());
    EXPECT_EQ(mPlug->mHooks, std::vector<char>({'o', 'c'}));
}

TEST_F(ViewTest, SizeIsTheEditorSize)
{
    ViewRect r(1, 2, 3, 4);
    ASSERT_EQ(mView->getSize(&r), kResultOk);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, 352);
    EXPECT_EQ(r.bottom, 568);
    EXPECT_EQ(mView->getSize(nullptr), kResultFalse);
    EXPECT_EQ(mView->canResize(), kResultFalse);
}

TEST_F(ViewTest, HostSizeChangesAreStoredAndOnlyRequestedOnesReachThePlugIn)
{
    ViewRect r(0, 0, 352, 568);
    EXPECT_EQ(mView->onSize(&r), kResultOk);
    EXPECT_EQ(mView->onSize(nullptr), kResultOk);
    EXPECT_EQ(static_cast<IFxVST3View*>(mView)->getRect().right, 352);
    EXPECT_TRUE(mPlug->mHooks.empty());

    mPlug->ResizeGraphics(704, 1136);
    ASSERT_EQ(mFrame.GetResizeRequests().size(), 1u);
    EXPECT_EQ(mFrame.GetResizeRequests()[0].right, 704);
    EXPECT_EQ(mFrame.GetResizeRequests()[0].bottom, 1136);
    EXPECT_EQ(mPlug->mHooks, std::vector<char>({'r'}));
    EXPECT_EQ(static_cast<IFxVST3View*>(mView)->getRect().bottom, 1136);
    // The request has been answered: a later host-made change is not reported.
    EXPECT_EQ(mView->onSize(&r), kResultOk);
    EXPECT_EQ(mPlug->mHooks.size(), 1u);
}

TEST_F(ViewTest, ContentScaleSizesTheViewAndRefusesOtherFactors)
{
    FUnknownPtr<IPlugViewContentScaleSupport> scaling(mView);
    ASSERT_TRUE(scaling);
    const std::pair<float, std::pair<int, int>> sizes[] = {
        {1.25f, {440, 710}},  {1.5f, {528, 852}}, {2.0f, {704, 1136}}, {3.0f, {1056, 1704}},
        {4.0f, {1408, 2272}}, {1.0f, {352, 568}}, {1.75f, {616, 994}}};
    for (const auto& s : sizes)
    {
        EXPECT_EQ(scaling->setContentScaleFactor(s.first), kResultOk) << s.first;
        ViewRect r;
        ASSERT_EQ(mView->getSize(&r), kResultOk);
        EXPECT_EQ(r.getWidth(), s.second.first) << s.first;
        EXPECT_EQ(r.getHeight(), s.second.second) << s.first;
    }
    for (float bad : {0.0f, 0.99f, -2.0f, 4.01f, 100.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity()})
        EXPECT_EQ(scaling->setContentScaleFactor(bad), kResultFalse) << bad;
    ViewRect r;
    mView->getSize(&r);
    EXPECT_EQ(r.getWidth(), 616);
    EXPECT_EQ(mPlug->Editor()->GetScale(), 1.75);
    // Not attached: nothing is asked of the frame.
    EXPECT_TRUE(mFrame.GetResizeRequests().empty());
}

TEST_F(ViewTest, AnAttachedViewAsksItsFrameAndDrawsAtTheScale)
{
    int parent = 0;
    ASSERT_EQ(mView->attached(&parent, kPlatformTypeNSView), kResultOk);
    FUnknownPtr<IPlugViewContentScaleSupport> scaling(mView);
    ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
    ASSERT_EQ(mFrame.GetResizeRequests().size(), 1u);
    EXPECT_EQ(mFrame.GetResizeRequests()[0], ViewRect(0, 0, 704, 1136));
    EXPECT_EQ(Layer()->GetScreen()->getWidth(), 704);
    EXPECT_EQ(Layer()->GetScreen()->getHeight(), 1136);
    Layer()->RunFrame();
    // The whole enlarged surface is painted.
    EXPECT_EQ(Raster_GetPixel(Layer()->GetScreen(), 703, 1135) & 0xFFFFFF, 0x0000FFu);
    // The same factor again asks nothing more.
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
    EXPECT_EQ(mFrame.GetResizeRequests().size(), 1u);
    mView->removed();
}

TEST_F(ViewTest, OnlyOfferedSizesAreAccepted)
{
    ViewRect odd(0, 0, 400, 300);
    EXPECT_EQ(mView->onSize(&odd), kResultFalse);
    EXPECT_EQ(static_cast<IFxVST3View*>(mView)->getRect().right, 0);
    EXPECT_EQ(mView->checkSizeConstraint(&odd), kResultFalse);
    EXPECT_EQ(odd, ViewRect(0, 0, 352, 568));
    ViewRect nearTwo(10, 20, 10 + 700, 20 + 1140);
    EXPECT_EQ(mView->checkSizeConstraint(&nearTwo), kResultFalse);
    EXPECT_EQ(nearTwo, ViewRect(10, 20, 10 + 704, 20 + 1136));
    EXPECT_EQ(mView->checkSizeConstraint(&nearTwo), kResultTrue);
    EXPECT_EQ(mView->checkSizeConstraint(nullptr), kResultFalse);

    // A host restoring the window of another offered scale switches the editor to it.
    ViewRect zoomed(0, 0, 528, 852);
    EXPECT_EQ(mView->onSize(&zoomed), kResultOk);
    EXPECT_EQ(mPlug->Editor()->GetScale(), 1.5);
    EXPECT_EQ(static_cast<IFxVST3View*>(mView)->getRect(), zoomed);
}

TEST_F(ViewTest, ClickAndDragAtTwiceTheScaleReachTheControlsWhereTheyAreDrawn)
{
    int parent = 0;
    ASSERT_EQ(mView->attached(&parent, kPlatformTypeNSView), kResultOk);
    FUnknownPtr<IPlugViewContentScaleSupport>(mView)->setContentScaleFactor(2.0f);
    HeadlessNativeLayer* layer = Layer();
    // The view's own points (origin bottom left, 2 and 3 pixels off) of screen pixel (x, y).
    const double h = layer->GetScreen()->getHeight();
    auto press = [&](ENativeMouse kind, double x, double y)
    { layer->ViewMouse(kind, false, x + 2, h - y - 3, 0); };
    // Screen (140, 140) is editor (70, 70): the panel, no edit.
    press(ENativeMouse::kDown, 140, 140);
    press(ENativeMouse::kUp, 140, 140);
    EXPECT_TRUE(mHandler.GetEdits().empty());
    // Screen (280, 280) is the gain knob's centre; 40 screen pixels up are 20 editor pixels.
    press(ENativeMouse::kDown, 280, 280);
    press(ENativeMouse::kDrag, 280, 240);
    press(ENativeMouse::kUp, 280, 240);
    const auto edits = mHandler.GetEdits();
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[1].id, 0u);
    EXPECT_NEAR(edits[1].value, 20.0 / 80.0 / 4.0, 1e-9);
    // The switch at editor (210, 410) is at screen (420, 820).
    press(ENativeMouse::kDown, 421, 821);
    press(ENativeMouse::kUp, 421, 821);
    EXPECT_EQ(mPlug->GetParam(1)->Value(), 1.0);
    mView->removed();
}

TEST_F(ViewTest, RightClickOnThePanelOffersTheZoomAndResizesThroughTheFrame)
{
    int parent = 0;
    ASSERT_EQ(mView->attached(&parent, kPlatformTypeNSView), kResultOk);
    Layer()->SetNextMenuChoice(2);
    Layer()->MouseDown(20, 20, kRight);
    EXPECT_EQ(Layer()->GetLastMenuTexts(),
              std::vector<std::string>({"Zoom 100%", "Zoom 150%", "Zoom 200%"}));
    EXPECT_TRUE(mHandler.mRequests.empty());
    ASSERT_EQ(mFrame.GetResizeRequests().size(), 1u);
    EXPECT_EQ(mFrame.GetResizeRequests()[0], ViewRect(0, 0, 704, 1136));
    ViewRect r;
    mView->getSize(&r);
    EXPECT_EQ(r, ViewRect(0, 0, 704, 1136));
    EXPECT_EQ(Layer()->GetScreen()->getWidth(), 704);
    // Nothing chosen: the zoom stays.
    Layer()->MouseDown(20, 20, kRight);
    EXPECT_EQ(mPlug->Editor()->GetScale(), 2.0);
    EXPECT_EQ(mFrame.GetResizeRequests().size(), 1u);
    mView->removed();
}

TEST_F(ViewTest, ResizeGraphicsNeedsAViewWithAFrame)
{
    mView->setFrame(nullptr);
    mPlug->ResizeGraphics(500, 600);
    mView->release();
    mView = nullptr;
    mPlug->ResizeGraphics(500, 600);
    EXPECT_TRUE(mFrame.GetResizeRequests().empty());
    EXPECT_TRUE(mPlug->mHooks.empty());
}

TEST_F(ViewTest, KnobDragIsOneEditGesture)
{
    int parent = 0;
    ASSERT_EQ(mView->attached(&parent, kPlatformTypeNSView), kResultOk);
    HeadlessNativeLayer* layer = Layer();
    layer->MouseDown(140, 140, kLeft);
    layer->MouseDrag(140, 130, kLeft);
    layer->MouseDrag(140, 120, kLeft);
    layer->MouseDrag(140, 110, kLeft);
    layer->MouseUp(140, 110, kLeft);
    const auto edits = mHandler.GetEdits();
    ASSERT_EQ(edits.size(), 5u);
    EXPECT_EQ(edits.front().kind, vst3test::ComponentHandler::EditKind::kBegin);
    EXPECT_EQ(edits.back().kind, vst3test::ComponentHandler::EditKind::kEnd);
    double last = 0.0;
    for (size_t i = 1; i + 1 < edits.size(); ++i)
    {
        EXPECT_EQ(edits[i].kind, vst3test::ComponentHandler::EditKind::kPerform);
        EXPECT_GT(edits[i].value, last);
        last = edits[i].value;
    }
    for (const auto& e : edits)
        EXPECT_EQ(e.id, 0u);
    EXPECT_DOUBLE_EQ(mPlug->GetParam(0)->GetNormalized(), last);
    mView->removed();
}

TEST_F(ViewTest, EditsWithoutHandlerAnswerFalseButTheValueChanges)
{
    mPlug->setComponentHandler(nullptr);
    EXPECT_EQ(mPlug->beginEdit(0), kResultFalse);
    EXPECT_EQ(mPlug->performEdit(0, 0.5), kResultFalse);
    EXPECT_EQ(mPlug->endEdit(0), kResultFalse);
    mPlug->SetParameterFromGUI(1, 1.0);
    EXPECT_EQ(mPlug->GetParam(1)->Value(), 1.0);
    mPlug->setComponentHandler(&mHandler);
    EXPECT_EQ(mPlug->beginEdit(7), kResultOk);
    EXPECT_EQ(mHandler.GetEdits().size(), 1u);
}

TEST_F(ViewTest, RightClickOnAParameterOpensTheHostMenuAndBeginsNoEdit)
{
    int parent = 0;
    ASSERT_EQ(mView->attached(&parent, kPlatformTypeNSView), kResultOk);
    Layer()->MouseDown(210, 410, kRight);
    ASSERT_EQ(mHandler.mRequests.size(), 1u);
    EXPECT_EQ(mHandler.mRequests[0].first, mView);
    EXPECT_EQ(mHandler.mRequests[0].second, 1);
    ASSERT_EQ(mHandler.mMenu.mPopups.size(), 1u);
    EXPECT_EQ(mHandler.mMenu.mPopups[0], std::make_pair(UCoord(210), UCoord(410)));
    EXPECT_EQ(mHandler.mMenu.GetRefCount(), 1);
    // The plug-in's own references from setComponentHandler: the SDK's controller keeps the
    // handler and its IComponentHandler2.
    EXPECT_EQ(mHandler.GetRefCount(), 3);
    EXPECT_TRUE(mHandler.GetEdits().empty());
    mView->removed();
}

TEST_F(ViewTest, HostMenuNeedsAHandler3AndAView)
{
    vst3test::ComponentHandler plain;
    mPlug->setComponentHandler(&plain);
    mPlug->PopupHostContextMenuForParam(0, 1, 2);
    EXPECT_EQ(plain.GetRefCount(), 3);
    mPlug->setComponentHandler(&mHandler);
    mView->release();
    mView = nullptr;
    mPlug->PopupHostContextMenuForParam(0, 1, 2);
    EXPECT_TRUE(mHandler.mRequests.empty());
}

TEST_F(ViewTest, EachViewHoldsThePlugInAndAnyReleaseEmptiesTheList)
{
    const int before = Refs();
    IPlugView* second = mPlug->createView(ViewType::kEditor);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Refs(), before + 1);
    EXPECT_EQ(mPlug->GetOpenViews().size(), 2u);
    second->release();
    EXPECT_TRUE(mPlug->GetOpenViews().empty());
    EXPECT_EQ(Refs(), before);
}

TEST(ViewWithoutEditor, AnswersFalseAndRemovesQuietly)
{
    PlugPtr plug(new EditorPlug(false));
    IPlugView* view = plug->createView(ViewType::kEditor);
    ASSERT_NE(view, nullptr);
    int parent = 0;
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ(view->attached(&parent, kPlatformTypeNSView), kResultFalse);
    ViewRect r(1, 2, 3, 4);
    EXPECT_EQ(view->getSize(&r), kResultFalse);
    EXPECT_EQ(r.right, 3);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_TRUE(plug->mHooks.empty());
    view->release();
}

} // namespace
