#include "plugin/HalfbandLanes.h"

namespace
{

// Four lanes, in the vectors every CPU of the architecture has (SSE2 on x86-64).
using Lanes = halfband::HalfbandLanes<4>;

struct Baseline
{
    template <int Stage, typename Out>
    __attribute__((flatten)) static void Up(const float* in, Out* out, int n)
    {
        Lanes::Up<Stage>(in, out, n);
    }

    template <int Stage, typename Out>
    __attribute__((flatten)) static void Down(const float* even, const float* odd, Out* out, int n)
    {
        Lanes::Down<Stage>(even, odd, out, n);
    }

    template <typename Sample>
    __attribute__((flatten)) static void Split(const Sample* in, float* even, float* odd, int n)
    {
        Lanes::Split(in, even, odd, n);
    }

    __attribute__((flatten)) static void Narrow(const double* in, float* out, int n)
    {
        Lanes::Narrow(in, out, n);
    }
};

const HalfbandPath kBaseline = halfband::PathOf<Baseline>();

} // namespace

const HalfbandPath& BaselineHalfbandPath()
{
    return kBaseline;
}
