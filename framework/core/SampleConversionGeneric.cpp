#include "framework/core/SampleConversion.h"

// Architectures with one code path only.
SampleConverters FastestSampleConverters()
{
    return BaselineSampleConverters();
}
