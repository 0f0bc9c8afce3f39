#include "plugin/HalfbandLanes.h"

// x86-64-v3 (AVX2): eight lanes. Only these functions are built for AVX2, with everything they call
// inlined into them, so no AVX2 code can end up in functions the baseline path shares. Fused
// multiply-adds stay off: they would round differently.

namespace
{

using Lanes = halfband::HalfbandLanes<8>;

template <int Stage>
__attribute__((target("avx2"), flatten)) void Up(const float* in, float* out, int n)
{
    Lanes::Up<Stage>(in, out, n);
}

template <int Stage>
__attribute__((target("avx2"), flatten)) void Down(const float* even, const float* odd, float* out,
                                                   int n)
{
    Lanes::Down<Stage>(even, odd, out, n);
}

template <typename Sample>
__attribute__((target("avx2"), flatten)) void Split(const Sample* in, float* even, float* odd,
                                                    int n)
{
    Lanes::Split(in, even, odd, n);
}

__attribute__((target("avx2"), flatten)) void Widen(const float* in, double* out, int n)
{
    Lanes::Widen(in, out, n);
}

__attribute__((target("avx2"), flatten)) void Narrow(const double* in, float* out, int n)
{
    Lanes::Narrow(in, out, n);
}

const HalfbandPath kAvx2 = {
    {Up<0>, Up<1>, Up<2>}, {Down<0>, Down<1>, Down<2>}, Split<double>, Split<float>, Widen, Narrow};

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
