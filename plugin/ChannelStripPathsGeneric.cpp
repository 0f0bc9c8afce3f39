#include "plugin/ChannelStrip.h"

// Architectures with one code path only.
ChannelStripPath FastestChannelStripPath()
{
    return BaselineChannelStripPath();
}
