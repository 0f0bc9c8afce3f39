#include "framework/core/ChannelLevels.h"

// Architectures with one code path only.
ChannelLevelScan FastestChannelLevelScan()
{
    return ScanChannelLevels;
}
