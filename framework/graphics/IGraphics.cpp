#include "framework/graphics/IGraphics.h"

#include "framework/core/IFxBase.h"
#include "framework/core/IParam.h"
#include "raster/RasterFont.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace
{

// Decoded images shared by every editor in the process, keyed by resource ID; derived images
// (scaled, cropped, retained) are kept under −1. The cache owns them until the process ends.
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
    void Add(Raster_IBitmap* bitmap, int id)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mEntries.push_back(Entry{id, std::unique_ptr<Raster_IBitmap>(bitmap)});
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

private:
    struct Entry
    {
        int mID;
        std::unique_ptr<Raster_IBitmap> mBitmap;
    };
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
    mDrawBitmap.reset(new Raster_SysBitmap(mWidth, mHeight));
    mTmpBitmap.reset(new Raster_MemBitmap(0, 0, 4));
    ApplyPendingParamValues();
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
        s_bitmapCache.Add(data, ID);
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

// ---------------------------------------------------------------- drawing

bool IGraphics::DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY,
                           const IChannelBlend* blend)
{
    const IRECT visible = dest.Intersect(mDrawRECT);
    if (visible.Empty())
        return true;
    Raster_Blit(mDrawBitmap.get(), bitmap.mData, visible.L, visible.T, srcX + visible.L - dest.L,
                srcY + visible.T - dest.T, visible.W(), visible.H(), BlendWeight(blend),
                BlendToRasterMode(blend));
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
    const int w = bitmap.W, h = bitmap.H;
    const int x = destCtrX - w / 2, y = destCtrY - h / 2;
    Raster_RotatedBlit(mDrawBitmap.get(), bitmap.mData, x, y, w, h, 0.0f, 0.0f, float(w), float(h),
                       float(angle), false, BlendWeight(blend),
                       BlendToRasterMode(blend) | RASTER_BLIT_FILTER_BILINEAR, 0.0f,
                       float(yOffsetZeroDeg));
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
    Raster_PutPixel(mDrawBitmap.get(), int(x + 0.5f), int(y + 0.5f), color.Pack(),
                    BlendWeight(blend), BlendToRasterMode(blend));
    return true;
}

bool IGraphics::ForcePixel(const IColor& color, int x, int y)
{
    Raster_IBitmap* bitmap = mDrawBitmap.get();
    if (!bitmap || x < 0 || y < 0 || x >= bitmap->getWidth() || y >= bitmap->getHeight())
        return false;
    bitmap->getBits()[y * bitmap->getRowSpan() + x] = color.Pack();
    return true;
}

IColor IGraphics::GetPoint(int x, int y)
{
    return IColor::FromPixel(Raster_GetPixel(mDrawBitmap.get(), x, y));
}

bool IGraphics::DrawLine(const IColor& color, float x1, float y1, float x2, float y2,
                         const IChannelBlend* blend, bool antiAlias)
{
    Raster_Line(mDrawBitmap.get(), x1, y1, x2, y2, color.Pack(), BlendWeight(blend),
                BlendToRasterMode(blend), antiAlias);
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
    Raster_Arc(mDrawBitmap.get(), cx, cy, r, minAngle, maxAngle, color.Pack(), BlendWeight(blend),
               BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::DrawCircle(const IColor& color, float cx, float cy, float r,
                           const IChannelBlend* blend, bool antiAlias)
{
    Raster_Circle(mDrawBitmap.get(), cx, cy, r, color.Pack(), BlendWeight(blend),
                  BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::RoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                          int cornerRadius, bool antiAlias)
{
    Raster_RoundRect(mDrawBitmap.get(), rect.L, rect.T, rect.W(), rect.H(), cornerRadius,
                     color.Pack(), BlendWeight(blend), BlendToRasterMode(blend), antiAlias);
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
    Raster_FillRect(mDrawBitmap.get(), rect.L, rect.T, rect.W(), rect.H(), color.Pack(),
                    BlendWeight(blend), BlendToRasterMode(blend));
    return true;
}

bool IGraphics::FillRoundRect(const IColor& color, const IRECT& rect, const IChannelBlend* blend,
                              int cornerRadius, bool antiAlias)
{
    const int r = cornerRadius;
    const int x1 = rect.L, y1 = rect.T, w = rect.W(), h = rect.H();
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
    Raster_FillCircle(mDrawBitmap.get(), float(cx), float(cy), r, color.Pack(), BlendWeight(blend),
                      BlendToRasterMode(blend), antiAlias);
    return true;
}

bool IGraphics::FillTriangle(const IColor& color, int x1, int y1, int x2, int y2, int x3, int y3,
                             const IChannelBlend* blend)
{
    Raster_FillTriangle(mDrawBitmap.get(), x1, y1, x2, y2, x3, y3, color.Pack(), BlendWeight(blend),
                        BlendToRasterMode(blend));
    return true;
}

bool IGraphics::FillIConvexPolygon(const IColor& color, const int* x, const int* y, int npoints,
                                   const IChannelBlend* blend)
{
    Raster_FillConvexPolygon(mDrawBitmap.get(), x, y, npoints, color.Pack(), BlendWeight(blend),
                             BlendToRasterMode(blend));
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
    RECT r = {rect->L, rect->T, rect->R, rect->B};
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
    if (!mControls.GetSize() || !mDrawBitmap)
        return;
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
    mDrawBitmap.reset();
    mTmpBitmap.reset();
    PrepDraw();
    if (mPlug)
        mPlug->ResizeGraphics(width, height);
}
