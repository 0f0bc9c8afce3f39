#include "framework/graphics/BitmapStorage.h"
#include "framework/graphics/IGraphics.h"

#include <string>

std::string HiResArtworkName(const char* name)
{
    std::string hiRes = name ? name : "";
    const size_t dot = hiRes.find_last_of("./");
    const size_t at = dot != std::string::npos && hiRes[dot] == '.' ? dot : hiRes.size();
    return hiRes.insert(at, "@2x");
}

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
