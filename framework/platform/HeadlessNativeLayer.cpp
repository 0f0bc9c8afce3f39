#include "framework/platform/HeadlessNativeLayer.h"

#include "framework/graphics/IGraphics.h"
#include "framework/graphics/IPopupMenu.h"
#include "framework/platform/Bundle.h"

#include <unistd.h>

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
    if (!name || !name[0] || mResourceRoot.empty())
        return "";
    std::string path = mResourceRoot + "/" + name;
    return access(path.c_str(), R_OK) == 0 ? path : std::string();
}

void* HeadlessNativeLayer::OpenView(void* parent, int width, int height, int fps,
                                    INativeViewClient* client)
{
    if (!client)
        return nullptr;
    mClient = client;
    mParent = parent;
    mFPS = fps;
    mScreen.reset(new Raster_SysBitmap(width, height));
    mInvalid.Clear();
    return GetView();
}

void HeadlessNativeLayer::CloseView()
{
    mTextEntryOpen = false;
    mClient = nullptr;
    mParent = nullptr;
}

void HeadlessNativeLayer::ResizeView(int width, int height)
{
    if (mScreen)
        mScreen->resize(width, height);
}

void HeadlessNativeLayer::Invalidate(const IRECT& area)
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

IPopupMenu* HeadlessNativeLayer::ShowMenu(IPopupMenu* menu, const IRECT&)
{
    ++mMenuCount;
    mLastMenuTexts.clear();
    for (int i = 0; i < menu->GetNItems(); ++i)
        mLastMenuTexts.emplace_back(menu->GetDisplayText(i).Get());
    const int choice = mNextMenuChoice;
    mNextMenuChoice = -1;
    const IPopupMenuItem* item = menu->GetItem(choice);
    if (!item || item->GetIsSeparator() || !item->GetEnabled())
        return nullptr;
    menu->SetChosenItemIdx(choice);
    return menu;
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
        const std::string& allowed = mTextEntry.mAllowedChars;
        if (!allowed.empty() && allowed.find(*c) == std::string::npos)
            return false;
        if (mTextEntry.mMaxLength > 0 && int(mTextEntry.mText.size()) >= mTextEntry.mMaxLength)
            return false;
        mTextEntry.mText.push_back(*c);
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
    const IRECT area = mInvalid;
    mInvalid.Clear();
    mClient->OnViewPaint(area);
    return true;
}

bool HeadlessNativeLayer::RunFrame()
{
    Tick();
    return Paint();
}

void HeadlessNativeLayer::MouseDown(int x, int y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    if (mClient)
        mClient->GetGraphics()->OnMouseDown(x, y, mod);
}

void HeadlessNativeLayer::MouseUp(int x, int y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    if (mClient)
        mClient->GetGraphics()->OnMouseUp(x, y, mod);
}

void HeadlessNativeLayer::MouseDrag(int x, int y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    if (mClient && !mTextEntryOpen)
        mClient->GetGraphics()->OnMouseDrag(x, y, mod);
}

void HeadlessNativeLayer::MouseDblClick(int x, int y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    if (mClient)
        mClient->GetGraphics()->OnMouseDblClick(x, y, mod);
}

void HeadlessNativeLayer::MouseMove(int x, int y, const IMouseMod& mod)
{
    mMouseX = x;
    mMouseY = y;
    if (mClient)
        mClient->GetGraphics()->OnMouseOver(x, y, mod);
}

void HeadlessNativeLayer::MouseWheel(int x, int y, const IMouseMod& mod, int delta)
{
    if (!mClient)
        return;
    if (mTextEntryOpen)
        mClient->GetGraphics()->ForceEndUserEdit();
    mClient->GetGraphics()->OnMouseWheel(x, y, mod, delta);
}

bool HeadlessNativeLayer::KeyDown(int key)
{
    return mClient && mClient->GetGraphics()->OnKeyDown(mMouseX, mMouseY, key);
}
