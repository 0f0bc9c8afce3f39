#include "framework/graphics/IGraphics.h"

#include "framework/core/IFxBase.h"
#include "framework/core/IParam.h"
#include "raster/RasterFont.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace
{

// Decoded images shared by every editor in the process, keyed by resource ID; derived images
// (scaled, cropped, retained) are kept under −1. The cache owns them until the process ends.
// An image loaded from a resource also keeps its 2x artwork, decoded the first time an editor
// draws it above 1x, so that editors shown at 1x never pay for it.
class BitmapStorage
{
public:
    Raster_IBitmap* Find(int id)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (const Entry& e : mEntries)
            if (e.mID == id)
                return e.mBitmap.get();
        return nullptr;
    }
    void Add(Raster_IBitmap* bitmap, int id, const char* name = nullptr)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mEntries.push_back(Entry{id,
                                 std::unique_ptr<Raster_IBitmap>(bitmap),
                                 name ? name : "",
                                 nullptr,
                                 name == nullptr,
                                 {}});
    }
    void Remove(Raster_IBitmap* bitmap)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (auto it = mEntries.begin(); it != mEntries.end(); ++it)
            if (it->mBitmap.get() == bitmap)
            {
                mEntries.erase(it);
                return;
            }
    }
    // The 2x artwork of bitmap, loaded through load(ID, name) on the first call; null when the
    // bitmap has none (derived images, a missing file, or one not exactly twice the size).
    template <class Load> Raster_IBitmap* HiRes(Raster_IBitmap* bitmap, Load load)
    {
        int id = 0;
        std::string name;
        {
            std::lock_guard<std::mutex> lock(mMutex);
            Entry* e = Lookup(bitmap);
            if (!e || e->mHiResTried)
                return e ? e->mHiRes.get() : nullptr;
            id = e->mID;
            name = e->mName;
        }
        // Decoded outside the lock: other editors keep drawing meanwhile.
        std::unique_ptr<Raster_IBitmap> hiRes(load(id, HiResArtworkName(name.c_str()).c_str()));
        if (hiRes && (hiRes->getWidth() != 2 * bitmap->getWidth() ||
                      hiRes->getHeight() != 2 * bitmap->getHeight()))
            hiRes.reset();
        std::lock_guard<std::mutex> lock(mMutex);
        Entry* e = Lookup(bitmap);
        if (!e)
            return nullptr;
        if (!e->mHiResTried)
        {
            e->mHiRes = std::move(hiRes);
            e->mHiResTried = true;
        }
        return e->mHiRes.get();
    }
    // Frame index of bitmap resampled from art (drawn at artScale) to cellW × cellH. Each frame
    // is resampled the first time it is asked for and kept, so an editor at a scale between its
    // artwork's pays once for each frame it shows. Null when bitmap is not in the cache.
    Raster_IBitmap* ResampledFrame(const IBitmap& bitmap, Raster_IBitmap* art, int artScale,
                                   int index, int cellW, int cellH)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        Entry* e = Lookup(bitmap.mData);
        if (!e)
            return nullptr;
        const bool across = bitmap.mFramesAreHorizontal;
        Resampled* r = nullptr;
        for (Resampled& candidate : e->mResampled)
            if (candidate.mFrames == bitmap.N && candidate.mAcross == across &&
                candidate.mCellW == cellW && candidate.mCellH == cellH)
                r = &candidate;
        if (!r)
        {
            e->mResampled.push_back(Resampled{bitmap.N, across, cellW, cellH, {}});
            r = &e->mResampled.back();
            r->mCells.resize(size_t(bitmap.N));
        }
        std::unique_ptr<Raster_IBitmap>& cell = r->mCells[size_t(index)];
        if (!cell)
        {
            const int fw = bitmap.FrameWidth() * artScale, fh = bitmap.FrameHeight() * artScale;
            cell = std::make_unique<Raster_MemBitmap>(cellW, cellH, 4);
            Raster_ScaledBlit(cell.get(), art, 0, 0, cellW, cellH, float(across ? index * fw : 0),
                              float(across ? 0 : index * fh), float(fw), float(fh), 1.0f,
                              RASTER_BLIT_MODE_COPY | RASTER_BLIT_FILTER_BILINEAR);
        }
        return cell.get();
    }

private:
    struct Resampled
    {
        int mFrames;
        bool mAcross;
        int mCellW, mCellH;
        std::vector<std::unique_ptr<Raster_IBitmap>> mCells; // per frame, null until drawn
    };
    struct Entry
    {
        int mID;
        std::unique_ptr<Raster_IBitmap> mBitmap;
        std::string mName;
        std::unique_ptr<Raster_IBitmap> mHiRes;
        bool mHiResTried;
        std::vector<Resampled> mResampled;
    };
    Entry* Lookup(Raster_IBitmap* bitmap)
    {
        for (Entry& e : mEntries)
            if (e.mBitmap.get() == bitmap)
                return &e;
        return nullptr;
    }
    std::mutex mMutex;
    std::vector<Entry> mEntries;
};

// Fonts shared by every editor in the process, keyed by what shapes the glyphs: size,
// orientation, style and face. Colour, alignment and quality are applied at drawing time.
class FontStorage
{
public:
    static constexpr int kFaceLen = 36;

    Raster_CachedFont* Find(const IText& text)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (const Entry& e : mEntries)
            if (e.mSize == text.mSize && e.mOrientation == text.mOrientation &&
                e.mStyle == text.mStyle && std::strncmp(e.mFace, text.mFont, kFaceLen - 1) == 0)
                return e.mFont.get();
        return nullptr;
    }
    void Add(Raster_CachedFont* font, const IText& text)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        Entry e;
        e.mSize = text.mSize;
        e.mOrientation = text.mOrientation;
        e.mStyle = text.mStyle;
        std::strncpy(e.mFace, text.mFont, kFaceLen - 1);
        e.mFace[kFaceLen - 1] = '\0';
        e.mFont.reset(font);
        mEntries.push_back(std::move(e));
    }

private:
    struct Entry
    {
        int mSize = 0, mOrientation = 0, mStyle = 0;
        char mFace[kFaceLen] = {};
        std::unique_ptr<Raster_CachedFont> mFont;
    };
    std::mutex mMutex;
    std::vector<Entry> mEntries;
};

BitmapStorage s_bitmapCache;
FontStorage s_fontCache;

// The cached font takes the native font over (it deletes it when replaced or destroyed).
const int kFontOptions = 0x600;

HFONT MakeNativeFont(const IText& text, int height)
{
    static const unsigned int kQualities[] = {DEFAULT_QUALITY, NONANTIALIASED_QUALITY,
                                              ANTIALIASED_QUALITY, ANTIALIASED_QUALITY};
    const unsigned int quality =
        text.mQuality >= 0 && text.mQuality <= 3 ? kQualities[text.mQuality] : 3u;
    const int esc = text.mOrientation * 10;
    return CreateFont(height, 0, esc, esc, text.mStyle == IText::kStyleBold ? FW_BOLD : FW_NORMAL,
                      text.mStyle == IText::kStyleItalic ? 1u : 0u, 0, 0, DEFAULT_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, text.mFont);
}

} // namespace

const double IGraphics::kZoomFactors[3] = {1.0, 1.5, 2.0};

std::string HiResArtworkName(const char* name)
{
    std::string hiRes = name ? name : "";
    const size_t dot = hiRes.find_last_of("./");
    const size_t at = dot != std::string::npos && hiRes[dot] == '.' ? dot : hiRes.size();
    return hiRes.insert(at, "@2x");
}

IGraphics::IGraphics(IFxBase* plug, int width, int height, int refreshFPS)
    : mPlug(plug), mWidth(width), mHeight(height), mFPS(refreshFPS > 0 ? refreshFPS : DEFAULT_FPS)
{
    mNParamSlots = plug ? plug->NParams() : 0;
    if (mNParamSlots > 0)
        mParamSlots.reset(new ParamSlot[static_cast<size_t>(mNParamSlots)]);
}

IGraphics::~IGraphics()
{
    mKeyCatcher.reset();
    DeleteControls();
}

void IGraphics::DeleteControls()
{
    for (int i = mControls.GetSize() - 1; i >= 0; --i)
        mControls.Delete(i);
}

// ---------------------------------------------------------------- parameter values

void IGraphics::SetParameterFromPlug(int paramIdx, double value, bool normalized)
{
    if (paramIdx < 0 || paramIdx >= mNParamSlots)
        return;
    if (!normalized)
    {
        const IParam* param = mPlug->GetParam(paramIdx);
        if (!param)
            return;
        value = param->GetNormalized(value);
    }
    ParamSlot& slot = mParamSlots[paramIdx];
    slot.mValue.store(value, std::memory_order_relaxed);
    slot.mPending.store(true, std::memory_order_release);
    mAnyParamPending.store(true, std::memory_order_release);
}

void IGraphics::ApplyPendingParamValues()
{
    if (!mAnyParamPending.exchange(false, std::memory_order_acq_rel))
        return;
    for (int i = 0; i < mNParamSlots; ++i)
    {
        ParamSlot& slot = mParamSlots[i];
        if (slot.mPending.exchange(false, std::memory_order_acquire))
            ApplyValueFromPlug(i, slot.mValue.load(std::memory_order_relaxed));
    }
}

void IGraphics::ApplyValueFromPlug(int paramIdx, double normalizedValue)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (control->ParamIdx() == paramIdx)
            control->SetValueFromPlug(normalizedValue);
        const int slot = control->AuxParamIdx(paramIdx);
        if (slot >= 0)
            control->SetAuxParamValueFromPlug(slot, normalizedValue);
    }
}

void IGraphics::PrepDraw()
{
    ApplyPendingParamValues();
}

void IGraphics::MakeDrawBitmap()
{
    if (mDrawBitmap)
        return;
    mDrawBitmap.reset(new Raster_SysBitmap(ScaledWidth(), ScaledHeight()));
    // A new surface holds nothing: every control must be painted into it again.
    SetAllControlsDirty();
}

void IGraphics::ReleaseDrawBitmap()
{
    mDrawBitmap.reset();
    mTmpBitmap.reset();
}

bool IGraphics::SetScale(double scale)
{
    if (!IsEditorScale(scale))
        return false;
    if (scale == mScale)
        return true;
    mScale = scale;
    if (mDrawBitmap)
        mDrawBitmap.reset(new Raster_SysBitmap(ScaledWidth(), ScaledHeight()));
    SetAllControlsDirty();
    return true;
}

void IGraphics::SetControlFromPlug(int controlIdx, double normalizedValue)
{
    if (IControl* control = mControls.Get(controlIdx))
        control->SetValueFromPlug(normalizedValue);
}

void IGraphics::SetParameterFromGUI(int paramIdx, double normalizedValue)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (control->ParamIdx() == paramIdx)
            control->SetValueFromUserInput(normalizedValue);
    }
}

IParam* IGraphics::ParamOf(const IControl* control) const
{
    return mPlug ? mPlug->GetParam(control->ParamIdx()) : nullptr;
}

void IGraphics::PromptUserInput(IControl* control, IParam* param, IRECT* rect)
{
    if (!control || !param || !rect || !mPlug)
        return;
    char current[IParam::kTextLen];
    int nTexts;
    IParam::EParamKind kind;
    {
        // The processing thread writes the parameter's value under this lock.
        FxMutexLock lock(mPlug->GetMutex());
        nTexts = param->GetNDisplayTexts();
        kind = param->Type();
        const bool asMenu = kind == IParam::kTypeEnum || (kind == IParam::kTypeBool && nTexts > 0);
        param->GetDisplayForHost(current, asMenu);
    }
    if (kind == IParam::kTypeEnum || (kind == IParam::kTypeBool && nTexts > 0))
    {
        IPopupMenu menu;
        for (int i = 0; i < nTexts; ++i)
        {
            const char* text = param->GetDisplayText(i);
            IPopupMenuItem* item = menu.AddItem(text);
            item->SetChecked(std::strcmp(text, current) == 0);
        }
        if (IPopupMenu* chosen = CreateIPopupMenu(&menu, *rect))
            control->SetValueFromUserInput(param->GetNormalized(chosen->GetChosenItemIdx()));
        return;
    }
    CreateTextEntry(control, *control->GetText(), *rect, current, param);
}

void IGraphics::SetFromStringAfterPrompt(IControl* control, IParam* param, const char* str)
{
    if (!control || !param || !str)
        return;
    double value = 0.0;
    if (param->Type() == IParam::kTypeBool || param->Type() == IParam::kTypeEnum)
    {
        int mapped = 0;
        if (param->MapDisplayText(str, &mapped))
            value = mapped;
    }
    else
    {
        value = std::strtod(str, nullptr);
        if (param->GetNegateDisplay())
            value = -value;
    }
    control->SetValueFromUserInput(param->GetNormalized(value));
}

// ---------------------------------------------------------------- controls

int IGraphics::AttachControl(IControl* control)
{
    control->SetGUI(this);
    mControls.Add(control);
    return mControls.GetSize() - 1;
}

void IGraphics::AttachBackground(int ID, const char* name)
{
    IBitmap bitmap = LoadIBitmap(ID, name, 1, false);
    IControl* control = new IBitmapControl(mPlug, 0, 0, -1, bitmap, IChannelBlend::kBlendClobber);
    control->SetGUI(this);
    mControls.Insert(0, control);
}

void IGraphics::AttachPanelBackground(const IColor& color)
{
    IControl* control = new IPanelControl(mPlug, IRECT(0, 0, mWidth, mHeight), color);
    control->SetGUI(this);
    mControls.Insert(0, control);
}

void IGraphics::AttachKeyCatcher(IControl* control)
{
    if (control)
        control->SetGUI(this);
    mKeyCatcher.reset(control);
}

void IGraphics::HideControl(int paramIdx, bool hide)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        if (mControls.Get(i)->ParamIdx() == paramIdx)
            mControls.Get(i)->Hide(hide);
}

void IGraphics::GrayOutControl(int paramIdx, bool gray)
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        if (mControls.Get(i)->ParamIdx() == paramIdx)
            mControls.Get(i)->GrayOut(gray);
}

void IGraphics::ClampControl(int paramIdx, double lo, double hi, bool normalized)
{
    if (!normalized)
    {
        const IParam* param = mPlug ? mPlug->GetParam(paramIdx) : nullptr;
        if (!param)
            return;
        lo = param->GetNormalized(lo);
        hi = param->GetNormalized(hi);
    }
    for (int i = 0; i < mControls.GetSize(); ++i)
        if (mControls.Get(i)->ParamIdx() == paramIdx)
            mControls.Get(i)->Clamp(lo, hi);
}

void IGraphics::SetStrictDrawing(bool strict)
{
    mStrict = strict;
    SetAllControlsDirty();
}

void IGraphics::SetAllControlsDirty()
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        mControls.Get(i)->SetDirty(false);
}

void IGraphics::AssignParamNameToolTips()
{
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (const IParam* param = ParamOf(control))
            control->SetTooltip(param->GetNameForHost());
    }
}

// ---------------------------------------------------------------- bitmaps

IBitmap IGraphics::LoadIBitmap(int ID, const char* name, int nStates, bool framesAreHorizontal)
{
    Raster_IBitmap* data = s_bitmapCache.Find(ID);
    if (!data)
    {
        data = OSLoadBitmap(ID, name);
        // A missing or broken image gives an empty handle: its controls have no size and draw
        // nothing, and a later editor may still find the file.
        if (!data)
            return IBitmap(nullptr, 0, 0, nStates, framesAreHorizontal);
        s_bitmapCache.Add(data, ID, name);
    }
    return IBitmap(data, data->getWidth(), data->getHeight(), nStates, framesAreHorizontal);
}

void IGraphics::RetainBitmap(const IBitmap& bitmap)
{
    if (bitmap.mData)
        s_bitmapCache.Add(bitmap.mData, -1);
}

void IGraphics::ReleaseBitmap(const IBitmap& bitmap)
{
    if (bitmap.mData)
        s_bitmapCache.Remove(bitmap.mData);
}

IBitmap IGraphics::ScaleBitmap(const IBitmap& bitmap, int destW, int destH)
{
    Raster_IBitmap* dest = new Raster_MemBitmap(destW, destH, 4);
    Raster_ScaledBlit(dest, bitmap.mData, 0, 0, destW, destH, 0.0f, 0.0f, float(bitmap.W),
                      float(bitmap.H), 1.0f, RASTER_BLIT_MODE_COPY | RASTER_BLIT_FILTER_BILINEAR);
    s_bitmapCache.Add(dest, -1);
    return IBitmap(dest, destW, destH, bitmap.N, false);
}

IBitmap IGraphics::CropBitmap(const IBitmap& bitmap, const IRECT& rect)
{
    const int w = rect.W(), h = rect.H();
    Raster_IBitmap* dest = new Raster_MemBitmap(w, h, 4);
    Raster_Blit(dest, bitmap.mData, 0, 0, rect.L, rect.T, w, h, 1.0f, RASTER_BLIT_MODE_COPY);
    s_bitmapCache.Add(dest, -1);
    return IBitmap(dest, w, h, bitmap.N, false);
}

Raster_IBitmap* IGraphics::ArtworkFor(const IBitmap& bitmap, int* artScale)
{
    *artScale = 1;
    if (mScale <= 1.0 || !bitmap.mData)
        return bitmap.mData;
    Raster_IBitmap* hiRes = s_bitmapCache.HiRes(bitmap.mData, [this](int id, const char* name)
                                                { return OSLoadBitmap(id, name); });
    if (!hiRes)
        return bitmap.mData;
    // Artwork is decoded on first use; do it here rather than inside ResampledFrame, which
    // reads it under the cache's lock.
    hiRes->getBits();
    *artScale = 2;
    return hiRes;
}

// ---------------------------------------------------------------- drawing
// Coordinates are editor pixels; at a scale above 1 each is mapped onto the draw bitmap here, so
// controls draw the same way at every scale.

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                           const IChannelBlend* blend)
{
    const IRECT target = ScaledRect(dest, mScale);
    const IRECT visible = target.Intersect(ScaledRect(mDrawRECT, mScale));
    if (visible.Empty())
        return true;
    int art = 1;
    Raster_IBitmap* data = ArtworkFor(bitmap, &art);
    if (double(art) == mScale)
    {
        Raster_Blit(mDrawBitmap.get(), data, visible.L, visible.T,
                    srcX * art + visible.L - target.L, srcY * art + visible.T - target.T,
                    visible.W(), visible.H(), BlendWeight(blend), BlendToRasterMode(blend));
        return true;
    }
    // Between the artwork's scales: a whole frame comes resampled once from the larger artwork.
    if (target.W() <= 0 || target.H() <= 0)
        return true;
    const int fw = bitmap.FrameWidth(), fh = bitmap.FrameHeight();
    const bool across = bitmap.mFramesAreHorizontal;
    const int index = across ? (fw > 0 ? srcX / fw : -1) : (fh > 0 ? srcY / fh : -1);
    if (dest.W() == fw && dest.H() == fh && index >= 0 && index < bitmap.N &&
        (across ? srcY == 0 && srcX == index * fw : srcX == 0 && srcY == index * fh))
    {
        if (Raster_IBitmap* cell =
                s_bitmapCache.ResampledFrame(bitmap, data, art, index, target.W(), target.H()))
        {
            Raster_Blit(mDrawBitmap.get(), cell, visible.L, visible.T, visible.L - target.L,
                        visible.T - target.T, visible.W(), visible.H(), BlendWeight(blend),
                        BlendToRasterMode(blend));
            return true;
        }
    }
    // Anything else: the larger artwork resampled onto the visible part, with the mapping the
    // whole destination would have, so that areas drawn separately still join.
    const double kx = double(dest.W()) * art / target.W(), ky = double(dest.H()) * art / target.H();
    Raster_ScaledBlit(mDrawBitmap.get(), data, visible.L, visible.T, visible.W(), visible.H(),
                      float(srcX * art + (visible.L - target.L) * kx),
                      float(srcY * art + (visible.T - target.T) * ky), float(visible.W() * kx),
                      float(visible.H() * ky), BlendWeight(blend),
                      BlendToRasterMode(blend) | RASTER_BLIT_FILTER_BILINEAR);
    return true;
}

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int frame,
                           const IChannelBlend* blend)
{
    int srcX = 0, srcY = 0;
    if (frame > 1 && bitmap.N > 1)
    {
        const int size = bitmap.mFramesAreHorizontal ? bitmap.W : bitmap.H;
        const int offset = int(double(frame - 1) * double(size) / double(bitmap.N) + 0.5);
        (bitmap.mFramesAreHorizontal ? srcX : srcY) = offset;
    }
    return DrawBitmap(bitmap, dest, srcX, srcY, blend);
}

bool IGraphics::DrawRotatedBitmap(const IBitmap& bitmap, int destCtrX, int destCtrY, double angle,
                                  int yOffsetZeroDeg, const IChannelBlend* blend)
{
    int art = 1;
    Raster_IBitmap* data = ArtworkFor(bitmap, &art);
    const int w = ScaledLength(bitmap.W, mScale), h = ScaledLength(bitmap.H, mScale);
    const int x = ScaledLength(destCtrX, mScale) - w / 2,
              y = ScaledLength(destCtrY, mScale) - h / 2;
    Raster_RotatedBlit(mDrawBitmap.get(), data, x, y, w, h, 0.0f, 0.0f, float(bitmap.W * art),
                       float(bitmap.H * art), float(angle), false, BlendWeight(blend),
                       BlendToRasterMode(blend) | RASTER_BLIT_FILTER_BILINEAR, 0.0f,
                       float(yOffsetZeroDeg * mScale));
    return true;
}

bool IGraphics::DrawRotatedMask(const IBitmap& base, const IBitmap& mask, const IBitmap& top, int x,
                                int y, double angleDegrees, const IChannelBlend* blend)
{
    if (!mTmpBitmap)
        mTmpBitmap.reset(new Raster_MemBitmap(0, 0, 4));
    Raster_IBitmap* tmp = mTmpBitmap.get();
    const int w = base.W, h = base.H;
    Raster_Copy(tmp, base.mData);
    Raster_ClearRect(tmp, 0, 0, w, h, 0x00ffffffu, 0);
    const float angle = float(angleDegrees * 3.14159265358979323846 / 180.0);
    const float centreX = (w % 2) ? -0.5f : 0.0f;
    Raster_RotatedBlit(
        tmp, mask.mData, 0, 0, w, h, 0.0f, 0.0f, float(mask.W), float(mask.H), angle, true, 1.0f,
        RASTER_BLIT_MODE_ADD | RASTER_BLIT_USE_ALPHA | RASTER_BLIT_FILTER_BILINEAR, centreX, 0.0f);
    Raster_RotatedBlit(
        tmp, top.mData, 0, 0, w, h, 0.0f, 0.0f, float(top.W), float(top.H), angle, true, 1.0f,
        RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA | RASTER_BLIT_FILTER_BILINEAR, centreX, 0.0f);
    IBitmap scratch(tmp, tmp->getWidth(), tmp->getHeight());
    return DrawBitmap(scratch, IRECT(x, y, x + w, y + h), 0, 0, blend);
}

bool IGraphics::DrawPoint(const IColor& color, float x, float y, const IChannelBlend* blend, bool)
{
    const int px = int(x + 0.5f), py = int(y + 0.5f);
    if (mScale == 1.0)
        Raster_PutPixel(mDrawBitmap.get(), px, py, color.Pack(), BlendWeight(blend),
                        BlendToRasterMode(blend));
    else
        FillIRect(color, IRECT(px, py, px + 1, py + 1), blend);
    return true;
}

bool IGraphics::ForcePixel(const IColor& color, int x, int y)
{
    Raster_IBitmap* bitmap = mDrawBitmap.get();
    if (!bitmap || x < 0 || y < 0 || x >= mWidth || y >= mHeight)
        return false;
    const IRECT r = ScaledRect(IRECT(x, y, x + 1, y + 1), mScale);
    for (int py = r.T; py < r.B; ++py)
        for (int px = r.L; px < r.R; ++px)
            bitmap->getBits()[py * bitmap->getRowSpan() + px] = color.Pack();
    return true;
}

IColor IGraphics::GetPoint(int x, int y)
{
    return IColor::FromPixel(
        Raster_GetPixel(mDrawBitmap.get(), ScaledLength(x, mScale), ScaledLength(y, mScale)));
}

int IGraphics::LineWidth() const
{
    return std::max(1, int(std::lround(mScale)));
}

bool IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias)
{
    const float s = float(mScale);
    float ax = x1 * s, ay = y1 * s, bx = x2 * s, by = y2 * s;
    // A line as wide as one editor pixel: side by side one-pixel lines across its run, the run
    // lengthened to cover the last pixel's full width.
    const int n = LineWidth();
    const bool alongX = std::fabs(x2 - x1) >= std::fabs(y2 - y1);
    if (alongX)
        (ax <= bx ? bx : ax) += float(n - 1);
    else
        (ay <= by ? by : ay) += float(n - 1);
    for (int i = 0; i < n; ++i)
    {
        const float dx = alongX ? 0.0f : float(i), dy = alongX ? float(i) : 0.0f;
        Raster_Line(mDrawBitmap.get(), ax + dx, ay + dy, bx + dx, by + dy, color.Pack(),
                    BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    }
    return true;
}

bool IGraphics::DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin,
                               float rMax, const IChannelBlend* blend, bool antiAlias)
{
    const float s = std::sin(angle), c = std::cos(angle);
    return DrawLine(color, cx + s * rMin, cy - c * rMin, cx + s * rMax, cy - c * rMax, blend,
                    antiAlias);
}

bool IGraphics::DrawArc(const IColor& color, float cx, float cy, float r, float minAngle,
                        float maxAngle, const IChannelBlend* blend, bool antiAlias)
{
    const float s = float(mScale);
    for (int i = 0; i < LineWidth(); ++i)
        Raster_Arc(mDrawBitmap.get(), cx * s, cy * s, r * s + float(i), minAngle, maxAngle,
                   color.Pack(), BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias)
{
    const float s = float(mScale);
    for (int i = 0; i < LineWidth(); ++i)
        Raster_Circle(mDrawBitmap.get(), cx * s, cy * s, r * s + float(i), color.Pack(),
                      BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::RoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                          int cornerRadius, bool antiAlias)
{
    const IRECT r = ScaledRect(rect, mScale);
    const int radius = ScaledLength(cornerRadius, mScale);
    for (int i = 0; i < LineWidth(); ++i)
        Raster_RoundRect(mDrawBitmap.get(), r.L + i, r.T + i, r.W() - 2 * i, r.H() - 2 * i,
                         std::max(0, radius - i), color.Pack(), BlendWeight(blend),
                         BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::DrawRect(const IColor& color, const IRECT& rect)
{
    DrawHorizontalLine(color, rect.T, rect.L, rect.R);
    DrawHorizontalLine(color, rect.B, rect.L, rect.R);
    DrawVerticalLine(color, rect.L, rect.T, rect.B);
    DrawVerticalLine(color, rect.R, rect.T, rect.B);
    return true;
}

bool IGraphics::DrawVerticalLine(const IColor& color, int xi, int yLo, int yHi)
{
    return DrawLine(color, float(xi), float(yLo), float(xi), float(yHi), nullptr, false);
}

bool IGraphics::DrawHorizontalLine(const IColor& color, int yi, int xLo, int xHi)
{
    return DrawLine(color, float(xLo), float(yi), float(xHi), float(yi), nullptr, false);
}

bool IGraphics::DrawVerticalLine(const IColor& color, const IRECT& rect, float x)
{
    x = std::min(1.0f, std::max(0.0f, x));
    const int xi = rect.L + int(float(rect.W()) * x);
    return DrawVerticalLine(color, xi, rect.T, rect.B);
}

bool IGraphics::DrawHorizontalLine(const IColor& color, const IRECT& rect, float y)
{
    y = std::min(1.0f, std::max(0.0f, y));
    const int yi = rect.B - int(float(rect.H()) * y);
    return DrawHorizontalLine(color, yi, rect.L, rect.R);
}

bool IGraphics::FillIRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend)
{
    const IRECT r = ScaledRect(rect, mScale);
    Raster_FillRect(mDrawBitmap.get(), r.L, r.T, r.W(), r.H(), color.Pack(), BlendWeight(blend),
                    BlendToRasterMode(blend));
    return true;
}

bool IGraphics::FillRoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                              int cornerRadius, bool antiAlias)
{
    const IRECT scaled = ScaledRect(rect, mScale);
    const int r = ScaledLength(cornerRadius, mScale);
    const int x1 = scaled.L, y1 = scaled.T, w = scaled.W(), h = scaled.H();
    Raster_pixel c = color.Pack();
    const float weight = BlendWeight(blend);
    const int mode = BlendToRasterMode(blend);
    Raster_IBitmap* b = mDrawBitmap.get();
    Raster_FillRect(b, x1 + r, y1, w - 2 * r, h, c, weight, mode);
    Raster_FillRect(b, x1, y1 + r, r, h - 2 * r, c, weight, mode);
    Raster_FillRect(b, x1 + w - r, y1 + r, r, h - 2 * r, c, weight, mode);
    Raster_FillCircle(b, float(x1 + r), float(y1 + r), float(r), c, weight, mode, antiAlias);
    Raster_FillCircle(b, float(x1 + w - r - 1), float(y1 + h - r - 1), float(r), c, weight, mode,
                      antiAlias);
    Raster_FillCircle(b, float(x1 + w - r - 1), float(y1 + r), float(r), c, weight, mode,
                      antiAlias);
    Raster_FillCircle(b, float(x1 + r), float(y1 + h - r - 1), float(r), c, weight, mode,
                      antiAlias);
    return true;
}

bool IGraphics::FillCircle(const IColor& color, int cx, int cy, float r, const IChannelBlend* blend,
                           bool antiAlias)
{
    const float s = float(mScale);
    Raster_FillCircle(mDrawBitmap.get(), float(cx) * s, float(cy) * s, r * s, color.Pack(),
                      BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend)
{
    const double s = mScale;
    Raster_FillTriangle(mDrawBitmap.get(), ScaledLength(x1, s), ScaledLength(y1, s),
                        ScaledLength(x2, s), ScaledLength(y2, s), ScaledLength(x3, s),
                        ScaledLength(y3, s), color.Pack(), BlendWeight(blend),
                        BlendToRasterMode(blend));
    return true;
}

bool IGraphics::FillIConvexPolygon(const IColor& color, const int* x, const int* y, int npoints,
                                   const IChannelBlend* blend)
{
    if (mScale == 1.0 || npoints <= 0)
    {
        Raster_FillConvexPolygon(mDrawBitmap.get(), x, y, npoints, color.Pack(), BlendWeight(blend),
                                 BlendToRasterMode(blend));
        return true;
    }
    std::vector<int> xs(static_cast<size_t>(npoints)), ys(static_cast<size_t>(npoints));
    for (size_t i = 0; i < xs.size(); ++i)
    {
        xs[i] = ScaledLength(x[i], mScale);
        ys[i] = ScaledLength(y[i], mScale);
    }
    Raster_FillConvexPolygon(mDrawBitmap.get(), xs.data(), ys.data(), npoints, color.Pack(),
                             BlendWeight(blend), BlendToRasterMode(blend));
    return true;
}

Raster_CachedFont* IGraphics::CacheFont(IText* text)
{
    Raster_CachedFont* font = s_fontCache.Find(*text);
    if (!font)
    {
        const int h = std::max(text->mSize, 2);
        HFONT native = MakeNativeFont(*text, h);
        if (!native)
            return nullptr;
        font = new Raster_CachedFont;
        font->SetFromHFont(native, kFontOptions);
        const int lineHeight = font->GetLineHeight();
        if (lineHeight > 0 && lineHeight != h)
        {
            const int h2 = int(double(h) * double(h) / double(lineHeight) + 0.5);
            if (HFONT retry = MakeNativeFont(*text, h2))
                font->SetFromHFont(retry, kFontOptions);
        }
        s_fontCache.Add(font, *text);
    }
    text->mCached = font;
    return font;
}

bool IGraphics::DrawIText(IText* text, const char* str, IRECT* rect, bool measure)
{
    if (!str || !str[0])
        return true;
    Raster_CachedFont* font = text->mCached ? text->mCached : CacheFont(text);
    if (!font)
        return false;
    font->SetTextColor(text->mColor.Pack());
    unsigned int flags = DT_NOCLIP;
    if (text->mAlign == IText::kAlignCenter)
        flags |= DT_CENTER;
    else if (text->mAlign == IText::kAlignFar)
        flags |= DT_RIGHT;
    if (text->mColor.A < 255)
        flags |= RASTER_DT_USEFGALPHA;
    if (measure)
    {
        RECT r = {0, 0, 0, 0};
        font->DrawText(nullptr, str, -1, &r, flags | DT_CALCRECT);
        const int w = r.right - r.left, h = r.bottom - r.top;
        if (text->mAlign == IText::kAlignCenter)
        {
            rect->L = int(double(rect->L + rect->R) * 0.5) - w / 2;
            rect->R = rect->L + w;
        }
        else if (text->mAlign == IText::kAlignFar)
            rect->L = rect->R - w;
        else
            rect->R = rect->L + w;
        rect->B = rect->T + h;
        return true;
    }
    if (mScale != 1.0)
    {
        // Laid out again at the scaled size rather than enlarged, so the glyphs stay sharp.
        IText scaled = *text;
        scaled.mSize = std::max(1, ScaledLength(text->mSize, mScale));
        scaled.mCached = nullptr;
        font = CacheFont(&scaled);
        if (!font)
            return false;
        font->SetTextColor(text->mColor.Pack());
    }
    const IRECT s = ScaledRect(*rect, mScale);
    RECT r = {s.L, s.T, s.R, s.B};
    font->DrawText(mDrawBitmap.get(), str, -1, &r, flags);
    return true;
}

bool IGraphics::MeasureIText(IText* text, const char* str, IRECT* destRect)
{
    return DrawIText(text, str, destRect, true);
}

Raster_pixel* IGraphics::GetBits()
{
    return mDrawBitmap ? mDrawBitmap->getBits() : nullptr;
}

// ---------------------------------------------------------------- redraw

bool IGraphics::IsDirty(IRECT* rect)
{
    ApplyPendingParamValues();
    bool dirty = false;
    IRECT area;
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        if (control->IsDirty())
        {
            area = area.Union(*control->GetRECT());
            dirty = true;
        }
    }
    if (rect)
        *rect = area;
    return dirty;
}

void IGraphics::Draw(const IRECT& area)
{
    ApplyPendingParamValues();
    if (!mControls.GetSize())
        return;
    MakeDrawBitmap();
    if (mStrict)
        DrawStrict(area);
    else
        DrawNonStrict();
    DrawScreen(area);
}

void IGraphics::DrawStrict(const IRECT& area)
{
    mDrawRECT = area;
    for (int i = 0; i < mControls.GetSize(); ++i)
    {
        IControl* control = mControls.Get(i);
        const IRECT& r = *control->GetRECT();
        // Tested from the control's side, like the non-strict pass: a control that starts
        // exactly at the area's right or bottom edge has no pixel in it and is skipped.
        if (!control->IsHidden() && r.Intersects(area))
            control->Draw(this);
        control->SetClean();
    }
}

void IGraphics::DrawNonStrict()
{
    IControl* background = mControls.Get(0);
    if (background->IsDirty())
    {
        mDrawRECT = *background->GetRECT();
        for (int i = 0; i < mControls.GetSize(); ++i)
        {
            IControl* control = mControls.Get(i);
            if (i == 0 || !control->IsHidden())
            {
                control->Draw(this);
                control->SetClean();
            }
        }
        return;
    }
    for (int j = 1; j < mControls.GetSize(); ++j)
    {
        IControl* dirty = mControls.Get(j);
        if (!dirty->IsDirty())
            continue;
        mDrawRECT = *dirty->GetRECT();
        for (int k = 0; k < mControls.GetSize(); ++k)
        {
            IControl* control = mControls.Get(k);
            if (!control->IsHidden() && (k == j || control->GetRECT()->Intersects(mDrawRECT)))
                control->Draw(this);
        }
        dirty->SetClean();
    }
}

// ---------------------------------------------------------------- events

int IGraphics::GetMouseControlIdx(int x, int y, bool mo)
{
    for (int i = mControls.GetSize() - 1; i >= 0; --i)
    {
        IControl* control = mControls.Get(i);
        if (control->IsHidden())
            continue;
        if (control->IsGrayed() && !(mo && control->GetMOWhenGrayed()))
            continue;
        if (control->IsHit(x, y))
            return i;
    }
    return -1;
}

void IGraphics::ReleaseMouseCapture()
{
    mMouseCapture = mMouseX = mMouseY = -1;
}

void IGraphics::OnMouseDown(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    ReleaseMouseCapture();
    const int c = GetMouseControlIdx(x, y);
    // The panel itself (not a control on it) offers the zoom on a right-click.
    if (mod.R && (c < 0 || (c == 0 && mControls.Get(0)->ParamIdx() < 0)))
    {
        ShowZoomMenu(x, y);
        return;
    }
    if (c < 0)
        return;
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    IControl* control = mControls.Get(c);
    const int paramIdx = control->ParamIdx();
    if (paramIdx >= 0 && mPlug)
    {
        if (mPlug->GetAPI() == kAPIVST3 && mod.R)
        {
            ReleaseMouseCapture();
            mPlug->PopupHostContextMenuForParam(paramIdx, x, y);
            return;
        }
        mPlug->BeginInformHostOfParamChange(paramIdx);
    }
    control->OnMouseDown(x, y, mod);
}

void IGraphics::ShowZoomMenu(int x, int y)
{
    IPopupMenu menu;
    for (double factor : kZoomFactors)
    {
        char text[32];
        std::snprintf(text, sizeof(text), "Zoom %d%%", int(std::lround(factor * 100.0)));
        menu.AddItem(text)->SetChecked(factor == mScale);
    }
    IPopupMenu* chosen = CreateIPopupMenu(&menu, IRECT(x, y, x + 1, y + 1));
    if (!chosen || chosen != &menu)
        return;
    const int idx = chosen->GetChosenItemIdx();
    if (idx < 0 || idx >= int(sizeof(kZoomFactors) / sizeof(kZoomFactors[0])))
        return;
    SetScale(kZoomFactors[idx]);
    if (mPlug)
        mPlug->ResizeGraphics(ScaledWidth(), ScaledHeight());
}

void IGraphics::OnMouseUp(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    ReleaseMouseCapture();
    IControl* control = mControls.Get(c);
    if (!control)
        return;
    control->OnMouseUp(x, y, mod);
    if (control->ParamIdx() >= 0 && mPlug)
        mPlug->EndInformHostOfParamChange(control->ParamIdx());
}

void IGraphics::OnMouseDrag(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    IControl* control = mControls.Get(mMouseCapture);
    if (!control || (x == mMouseX && y == mMouseY))
        return;
    const int dX = x - mMouseX, dY = y - mMouseY;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDrag(x, y, dX, dY, mod);
}

void IGraphics::OnMouseDblClick(int x, int y, const IMouseMod& mod)
{
    ApplyPendingParamValues();
    ReleaseMouseCapture();
    const int c = GetMouseControlIdx(x, y);
    IControl* control = mControls.Get(c);
    if (!control)
        return;
    if (!control->MouseDblAsSingleClick())
    {
        control->OnMouseDblClick(x, y, mod);
        return;
    }
    mMouseCapture = c;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseDown(x, y, mod);
}

void IGraphics::OnMouseWheel(int x, int y, const IMouseMod& mod, int delta)
{
    ApplyPendingParamValues();
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    if (IControl* control = mControls.Get(c))
        control->OnMouseWheel(x, y, mod, delta);
}

bool IGraphics::OnMouseOver(int x, int y, const IMouseMod& mod)
{
    if (!mHandleMouseOver)
        return false;
    ApplyPendingParamValues();
    const int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y, true);
    IControl* control = mControls.Get(c);
    if (!control)
        return mHandleMouseOver;
    mMouseX = x;
    mMouseY = y;
    control->OnMouseOver(x, y, mod);
    if (mMouseOver >= 0 && mMouseOver != c)
        if (IControl* previous = mControls.Get(mMouseOver))
            previous->OnMouseOut();
    mMouseOver = c;
    return mHandleMouseOver;
}

void IGraphics::OnMouseOut()
{
    for (int i = 0; i < mControls.GetSize(); ++i)
        mControls.Get(i)->OnMouseOut();
    mMouseOver = -1;
}

bool IGraphics::OnKeyDown(int x, int y, int key)
{
    ApplyPendingParamValues();
    int c = mMouseCapture >= 0 ? mMouseCapture : GetMouseControlIdx(x, y);
    if (c <= 0)
        return mKeyCatcher ? mKeyCatcher->OnKeyDown(x, y, key) : false;
    return mControls.Get(c)->OnKeyDown(x, y, key);
}

void IGraphics::OnGUIIdle()
{
    ApplyPendingParamValues();
    for (int i = 0; i < mControls.GetSize(); ++i)
        mControls.Get(i)->OnGUIIdle();
}

void IGraphics::Resize(int width, int height)
{
    mWidth = width;
    mHeight = height;
    ReleaseMouseCapture();
    DeleteControls();
    const bool hadDrawBitmap = mDrawBitmap != nullptr;
    ReleaseDrawBitmap();
    if (hadDrawBitmap)
        MakeDrawBitmap();
    PrepDraw();
    if (mPlug)
        mPlug->ResizeGraphics(ScaledWidth(), ScaledHeight());
}
