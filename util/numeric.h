#pragma once

#include <climits>

// Truncation toward zero that is defined for every double: NaN and values below the int range
// give INT_MIN, values above it INT_MAX (a plain cast is undefined behaviour there).
inline int TruncToInt(double v)
{
    if (v >= -2147483648.0 && v < 2147483648.0)
        return static_cast<int>(v);
    return v > 0.0 ? INT_MAX : INT_MIN;
}
