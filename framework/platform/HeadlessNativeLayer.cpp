#include "framework/platform/HeadlessNativeLayer.h"

#include "framework/graphics/IPopupMenu.h"
#include "framework/platform/Bundle.h"

namespace
{
// The native modifiers and button of an event that the editor sees with mod.
unsigned NativeModifiers(const IMouseMod& mod)
{
    return (mod.S ? kNativeShift : 0u) | (mod.C ? kNativeControl : 0u) | (mod.A ? kNativeAlt : 0u) |
           (mod.L && mod.R ? kNativeCommand : 0u);
}
bool IsRightButton(const IMouseMod& mod)
{
    return mod.R && !mod.L;
}
} // namespace

HeadlessNativeLayer::HeadlessNativeLayer(const char* resourceRoot)
{
    if (resourceRoot)
    {
        mResourceRoot = resourceRoot;
        return;
    }
    if (BundleRef* bundle =
            BundleRef::CreateForAddress(reinterpret_cast<const void*>(&Raster_Copy)))
    {
        mResourceRoot = bundle->GetResourcesPath();
        bundle->Release();
    }
}

HeadlessNativeLayer::~HeadlessNativeLayer() = default;

std::string HeadlessNativeLayer::FindResource(const char*, const char* name)
{
    return FindBundleResource(mResourceRoot, name);
}

void* HeadlessNativeLayer::OpenView(void* parent, int width, int height, int intervalMs,
                                    INativeViewClient* client)
{
    if (!client)
        return nullptr;
    mClient = client;
    mParent = parent;
    mIntervalMs = intervalMs;
    mScreen.reset(new Raster_SysBitmap(width, height));
    mInvalid = NativeRect();
    return GetView();
}

void HeadlessNativeLayer::CloseView()
{
    mTextEntryOpen = false;
    mTooltips.clear();
    mClient = nullptr;
    mParent = nullptr;
}

void HeadlessNativeLayer::Detach()
{
    if (INativeViewClient* client = mClient)
        client->OnViewDetached();
}

ViewGeometry HeadlessNativeLayer::Geometry() const
{
    return {mScreen ? mScreen->getHeight() : 0, IsFlipped()};
}

void HeadlessNativeLayer::ResizeView(int width, int height)
{
    if (mScreen)
        mScreen->resize(width, height);
}

void HeadlessNativeLayer::Invalidate(const NativeRect& area)
{
    mInvalid = mInvalid.Union(area);
}

bool HeadlessNativeLayer::Present(Raster_IBitmap* surface, const IRECT& area)
{
    if (!mScreen || !surface)
        return false;
    Raster_Blit(mScreen.get(), surface, area.L, area.T, area.L, area.T, area.W(), area.H(), 1.0f,
                RASTER_BLIT_MODE_COPY);
    ++mPresentCount;
    return true;
}

namespace
{
std::vector<HeadlessNativeLayer::ShownMenuItem> Record(const IPopupMenu& menu)
{
    std::vector<HeadlessNativeLayer::ShownMenuItem> items;
    for (int i = 0; i < menu.GetNItems(); ++i)
    {
        const IPopupMenuItem* item = menu.GetItem(i);
        items.push_back({menu.GetDisplayText(i).Get(), item->GetChecked(),
                         item->GetSubmenu() ? Record(*item->GetSubmenu())
                                            : std::vector<HeadlessNativeLayer::ShownMenuItem>()});
    }
    return items;
}

// The menu with index chosen, or null when that is no item a user could choose.
IPopupMenu* Choose(IPopupMenu* menu, int index)
{
    const IPopupMenuItem* item = menu ? menu->GetItem(index) : nullptr;
    if (!item || item->GetIsSeparator() || !item->GetEnabled() || item->GetSubmenu())
        return nullptr;
    menu->SetChosenItemIdx(index);
    return menu;
}
} // namespace

IPopupMenu* HeadlessNativeLayer::ShowMenu(IPopupMenu* menu, const NativeRect& area)
{
    ++mMenuCount;
    mLastMenuArea = area;
    mLastMenuTexts.clear();
    for (int i = 0; i < menu->GetNItems(); ++i)
        mLastMenuTexts.emplace_back(menu->GetDisplayText(i).Get());
    mLastMenu = Record(*menu);
    const int choice = mNextMenuChoice;
    const int subChoice = mNextSubmenuChoice;
    mNextMenuChoice = mNextSubmenuChoice = -1;
    const IPopupMenuItem* item = menu->GetItem(choice);
    if (item && item->GetSubmenu() && item->GetEnabled())
        return Choose(item->GetSubmenu(), subChoice);
    return Choose(menu, choice);
}

bool HeadlessNativeLayer::OpenTextEntry(const NativeTextEntry& entry)
{
    if (!mClient || mTextEntryOpen)
        return false;
    mTextEntry = entry;
    mTextEntryOpen = true;
    return true;
}

bool HeadlessNativeLayer::TypeText(const char* text)
{
    if (!mTextEntryOpen || !text)
        return false;
    for (const char* c = text; *c; ++c)
    {
        const std::string proposed = mTextEntry.mText + *c;
        if (!TextFilterAccepts(mTextEntry.mFilter, proposed))
            return false;
        mTextEntry.mText = proposed;
    }
    return true;
}

void HeadlessNativeLayer::CommitTextEntry()
{
    if (!mTextEntryOpen || !mClient)
        return;
    mTextEntryOpen = false;
    const std::string text = mTextEntry.mText;
    mClient->OnTextEntryEnded(text.c_str());
}

std::string HeadlessNativeLayer::TooltipText()
{
    return mClient ? mClient->OnViewTooltip() : std::string();
}

int HeadlessNativeLayer::RunAlert(const char*, const char*, const std::vector<std::string>& buttons)
{
    mLastAlertButtons = buttons;
    const int answer = mNextAlertButton;
    mNextAlertButton = -1;
    return answer >= 0 && answer < static_cast<int>(buttons.size()) ? answer : -1;
}

std::string HeadlessNativeLayer::RunFilePanel(const NativeFilePanel& panel)
{
    ++mFilePanelCount;
    mLastFilePanel = panel;
    std::string chosen;
    chosen.swap(mNextFileChoice);
    return chosen;
}

bool HeadlessNativeLayer::Tick()
{
    if (!mClient)
        return false;
    mClient->OnViewTimer();
    return !mInvalid.Empty();
}

bool HeadlessNativeLayer::Paint()
{
    if (!mClient || mInvalid.Empty())
        return false;
    const NativeRect area = mInvalid;
    mInvalid = NativeRect();
    mClient->OnViewPaint(area);
    return true;
}

bool HeadlessNativeLayer::RunFrame()
{
    Tick();
    return Paint();
}

void HeadlessNativeLayer::ViewMouse(ENativeMouse kind, bool rightButton, double x, double y,
                                    unsigned modifiers, int clickCount)
{
    if (mClient)
        mClient->OnViewMouse(kind, rightButton, x, y, modifiers, clickCount);
}

void HeadlessNativeLayer::ViewWheel(double x, double y, unsigned modifiers, double deltaY)
{
    if (mClient)
        mClient->OnViewWheel(x, y, modifiers, deltaY);
}

EKeyResult HeadlessNativeLayer::ViewKey(int nativeKeyCode, const char* chars)
{
    return mClient ? mClient->OnViewKey(nativeKeyCode, chars) : EKeyResult::kPassedOn;
}

void HeadlessNativeLayer::EditorMouse(ENativeMouse kind, int x, int y, const IMouseMod& mod,
                                      int clickCount)
{
    double px, py;
    ViewPointFromEditor(Geometry(), x, y, &px, &py);
    ViewMouse(kind, kind != ENativeMouse::kMove && IsRightButton(mod), px, py, NativeModifiers(mod),
              clickCount);
}

void HeadlessNativeLayer::MouseDown(int x, int y, const IMouseMod& mod)
{
    EditorMouse(ENativeMouse::kDown, x, y, mod, 1);
}

void HeadlessNativeLayer::MouseUp(int x, int y, const IMouseMod& mod)
{
    EditorMouse(ENativeMouse::kUp, x, y, mod, 1);
}

void HeadlessNativeLayer::MouseDrag(int x, int y, const IMouseMod& mod)
{
    EditorMouse(ENativeMouse::kDrag, x, y, mod, 1);
}

void HeadlessNativeLayer::MouseDblClick(int x, int y, const IMouseMod& mod)
{
    EditorMouse(ENativeMouse::kDown, x, y, mod, 2);
}

void HeadlessNativeLayer::MouseMove(int x, int y, const IMouseMod& mod)
{
    EditorMouse(ENativeMouse::kMove, x, y, mod, 1);
}

void HeadlessNativeLayer::MouseWheel(int x, int y, const IMouseMod& mod, int delta)
{
    double px, py;
    ViewPointFromEditor(Geometry(), x, y, &px, &py);
    ViewWheel(px, py, NativeModifiers(mod), delta);
}

bool HeadlessNativeLayer::KeyDown(int key)
{
    static const int kNamedKeys[] = {kNativeKeySpace, kNativeKeyUp, kNativeKeyDown, kNativeKeyLeft,
                                     kNativeKeyRight};
    char chars[2] = {};
    int code = kNativeKeyNone;
    if (key >= 0 && key <= 4)
        code = kNamedKeys[key];
    else if (key >= 5 && key <= 14)
        chars[0] = static_cast<char>('0' + key - 5);
    else if (key >= 15 && key <= 40)
        chars[0] = static_cast<char>('A' + key - 15);
    else
        return false;
    return ViewKey(code, chars) == EKeyResult::kTaken;
}
