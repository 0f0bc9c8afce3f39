#include "plugin/HalfbandLanes.h"

namespace
{

// Four lanes, in the vectors every CPU of the architecture has (SSE2 on x86-64).
using Lanes = halfband::HalfbandLanes<4>;

template <int Stage, typename Out>
__attribute__((flatten)) void Up(const float* in, Out* out, int n)
{
    Lanes::Up<Stage>(in, out, n);
}

template <int Stage, typename Out>
__attribute__((flatten)) void Down(const float* even, const float* odd, Out* out, int n)
{
    Lanes::Down<Stage>(even, odd, out, n);
}

template <typename Sample>
__attribute__((flatten)) void Split(const Sample* in, float* even, float* odd, int n)
{
    Lanes::Split(in, even, odd, n);
}

__attribute__((flatten)) void Narrow(const double* in, float* out, int n)
{
    Lanes::Narrow(in, out, n);
}

const HalfbandPath kBaseline = {{Up<0, float>, Up<1, float>},
                                {Up<0, double>, Up<1, double>, Up<2, double>},
                                {Down<1, float>, Down<2, float>},
                                Down<0, double>,
                                Split<double>,
                                Split<float>,
                                Narrow};

} // namespace

const HalfbandPath& BaselineHalfbandPath()
{
    return kBaseline;
}
