#include "plugin/ChannelStripLanes.h"

// x86-64-v3 (AVX2): four lanes, two frames at a time through the lookups and the coefficient
// formulas. Only this function is built for AVX2, with everything it calls inlined into it, so
// no AVX2 code can end up in functions the baseline path shares. Fused multiply-adds stay off:
// they would round differently.

namespace
{

__attribute__((target("avx2"), flatten)) void RunAvx2(ChannelStrip& strip,
                                                      const ChannelStripBlock& block)
{
    ChannelStripLanes<4>::Run(strip, block);
}

ChannelStripPath Select()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? RunAvx2 : BaselineChannelStripPath();
}

const ChannelStripPath kFastest = Select();

} // namespace

ChannelStripPath FastestChannelStripPath()
{
    return kFastest;
}
