#include "raster/Raster.h"

#include <new>

Raster_MemBitmap::Raster_MemBitmap(int width, int height, unsigned int lineAlignment)
    : mLineAlignment(lineAlignment)
{
    resize(width, height);
}

bool Raster_MemBitmap::resize(int width, int height)
{
    if (width == mWidth && height == mHeight)
        return true;
    mPixels.clear();
    mWidth = mHeight = mRowSpan = 0;
    if (width < 0 || height < 0 || width > RASTER_MAX_DIMENSION || height > RASTER_MAX_DIMENSION)
        return false;

    const long long align = mLineAlignment > 1 ? mLineAlignment : 1;
    const long long span = (width + align - 1) / align * align;
    if (span > RASTER_MAX_DIMENSION * 2LL)
        return false;
    try
    {
        mPixels.assign(std::size_t(span) * std::size_t(height), 0);
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    mWidth = width;
    mHeight = height;
    mRowSpan = int(span);
    return true;
}
