#include "plugin/HalfbandLanes.h"

namespace
{

// Four lanes, in the vectors every CPU of the architecture has (SSE2 on x86-64).
using Lanes = halfband::HalfbandLanes<4>;

template <int Stage> __attribute__((flatten)) void Up(const float* in, float* out, int n)
{
    Lanes::Up<Stage>(in, out, n);
}

template <int Stage>
__attribute__((flatten)) void Down(const float* even, const float* odd, float* out, int n)
{
    Lanes::Down<Stage>(even, odd, out, n);
}

template <typename Sample>
__attribute__((flatten)) void Split(const Sample* in, float* even, float* odd, int n)
{
    Lanes::Split(in, even, odd, n);
}

__attribute__((flatten)) void Widen(const float* in, double* out, int n)
{
    Lanes::Widen(in, out, n);
}

__attribute__((flatten)) void Narrow(const double* in, float* out, int n)
{
    Lanes::Narrow(in, out, n);
}

const HalfbandPath kBaseline = {
    {Up<0>, Up<1>, Up<2>}, {Down<0>, Down<1>, Down<2>}, Split<double>, Split<float>, Widen, Narrow};

} // namespace

const HalfbandPath& BaselineHalfbandPath()
{
    return kBaseline;
}
