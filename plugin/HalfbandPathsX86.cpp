#include "plugin/HalfbandLanes.h"

// x86-64-v3 (AVX2): eight lanes. Only these functions are built for AVX2, with everything they call
// inlined into them, so no AVX2 code can end up in functions the baseline path shares. Fused
// multiply-adds stay off: they would round differently.

namespace
{

using Lanes = halfband::HalfbandLanes<8>;

struct Avx2
{
    template <int Stage, typename Out>
    __attribute__((target("avx2"), flatten)) static void Up(const float* in, Out* out, int n)
    {
        Lanes::Up<Stage>(in, out, n);
    }

    template <int Stage, typename Out>
    __attribute__((target("avx2"), flatten)) static void Down(const float* even, const float* odd,
                                                              Out* out, int n)
    {
        Lanes::Down<Stage>(even, odd, out, n);
    }

    template <typename Sample>
    __attribute__((target("avx2"), flatten)) static void Split(const Sample* in, float* even,
                                                               float* odd, int n)
    {
        Lanes::Split(in, even, odd, n);
    }

    __attribute__((target("avx2"), flatten)) static void Narrow(const double* in, float* out, int n)
    {
        Lanes::Narrow(in, out, n);
    }
};

const HalfbandPath kAvx2 = halfband::PathOf<Avx2>();

const HalfbandPath& Select()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") ? kAvx2 : BaselineHalfbandPath();
}

const HalfbandPath& kFastest = Select();

} // namespace

const HalfbandPath& FastestHalfbandPath()
{
    return kFastest;
}
