#include "plugin/ChannelStripLanes.h"

namespace
{

// Two lanes: one frame at a time, in the vectors every CPU of the architecture has (SSE2 on
// x86-64).
__attribute__((flatten)) void RunBaseline(ChannelStrip& strip, const ChannelStripBlock& block)
{
    ChannelStripLanes<2>::Run(strip, block);
}

} // namespace

ChannelStripPath BaselineChannelStripPath()
{
    return RunBaseline;
}
