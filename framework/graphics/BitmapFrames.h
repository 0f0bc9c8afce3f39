// Which frame of a bitmap strip a control shows, and the area one frame takes.
#pragma once

#include "framework/graphics/IGraphicsStructs.h"

#include <algorithm>

inline IRECT FrameRect(int x, int y, const IBitmap& bitmap)
{
    return IRECT(x, y, x + bitmap.FrameWidth(), y + bitmap.FrameHeight());
}

// Index of the frame that shows value on an n-frame strip, rounded to the nearest frame.
inline int FrameIndex(int n, double value)
{
    const int k = int(double(n - 1) * value + 0.5);
    return std::min(std::max(k, 0), n - 1);
}

// The one-based frame of bitmap that shows value.
inline int FrameOf(const IBitmap& bitmap, double value)
{
    return bitmap.N >= 2 ? FrameIndex(bitmap.N, value) + 1 : 1;
}
