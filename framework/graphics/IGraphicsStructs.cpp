#include "framework/graphics/IGraphicsStructs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

IRECT IRECT::Union(const IRECT& o) const
{
    if (Empty())
        return o;
    if (o.Empty())
        return *this;
    return IRECT(std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B));
}

IRECT IRECT::Intersect(const IRECT& o) const
{
    if (!Intersects(o))
        return IRECT();
    return IRECT(std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B));
}

int BlendToRasterMode(const IChannelBlend* blend)
{
    if (!blend)
        return RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA;
    switch (blend->mMethod)
    {
    case IChannelBlend::kBlendClobber:
        return RASTER_BLIT_MODE_COPY;
    case IChannelBlend::kBlendAdd:
        return RASTER_BLIT_MODE_ADD | RASTER_BLIT_USE_ALPHA;
    case IChannelBlend::kBlendColorDodge:
        return RASTER_BLIT_MODE_DODGE | RASTER_BLIT_USE_ALPHA;
    default:
        return RASTER_BLIT_MODE_COPY | RASTER_BLIT_USE_ALPHA;
    }
}

float BlendWeight(const IChannelBlend* blend)
{
    return blend ? blend->mWeight : 1.0f;
}

IText::IText(int size, const IColor& color, const char* font, int style, int align, int orientation,
             int quality)
    : mSize(size), mColor(color), mStyle(style), mAlign(align), mOrientation(orientation),
      mQuality(quality)
{
    if (font)
    {
        std::strncpy(mFont, font, kFaceLen - 1);
        mFont[kFaceLen - 1] = '\0';
    }
}

bool IsEditorScale(double scale)
{
    return std::isfinite(scale) && scale >= kMinEditorScale && scale <= kMaxEditorScale;
}

int ScaledLength(int length, double scale)
{
    return int(std::lround(double(length) * scale));
}

IRECT ScaledRect(const IRECT& rect, double scale)
{
    if (rect.Empty())
        return rect;
    return IRECT(ScaledLength(rect.L, scale), ScaledLength(rect.T, scale),
                 ScaledLength(rect.R, scale), ScaledLength(rect.B, scale));
}
