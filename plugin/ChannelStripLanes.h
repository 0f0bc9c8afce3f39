#pragma once

// The chain's frame loop, written once for vectors of Width doubles: the left and right channel
// of Width / 2 consecutive frames side by side (L, R, L, R ...). Each code path includes this and
// instantiates it for its own instruction set. Every lane operation is the IEEE double operation
// the per-frame formulas describe, in the same order, so each path's results are those of the
// scalar curves and filters bit for bit (the tests compare them).
//
// The frames go through the chain in chunks, and the stages of consecutive chunks run in one
// loop: the recursive filters of one chunk (bound by the latency of their feedback division) side
// by side with the smoothers, coefficient formulas and curve lookups of the chunks ahead of it
// and the output transformer of the chunk behind it (bound by throughput), so that the
// out-of-order core overlaps them instead of running them one after the other. Each stage is a
// short chain of dependent operations, so that the chains of many frames fit in the core's
// window at once.

#include "plugin/ChannelStrip.h"
#include "plugin/ChannelStripShelves.h"

// Width: doubles per vector of the lookups and the coefficient formulas (2 or 4); the filters
// run one frame at a time, on four lanes the two shelves side by side.
template <int Width> struct ChannelStripLanes
{
    using Lanes = typename lanes::Types<Width>::Lanes;
    using Pair = lanes::Pair;
    using Chunk = strip_lanes::Chunk;
    using State = strip_lanes::State;

    static void Run(ChannelStrip& strip, const ChannelStripBlock& b)
    {
        // One set of chunk buffers for every model: a compiler that does not share the stack
        // slots of the cases (sanitizer builds) would otherwise reserve one set per model.
        Chunk chunks[kStages];
        switch (b.model)
        {
        case 0:
            Run<0>(strip, b, chunks);
            break;
        case 1:
            Run<1>(strip, b, chunks);
            break;
        case 2:
            Run<2>(strip, b, chunks);
            break;
        default:
            Run<-1>(strip, b, chunks);
            break;
        }
    }

private:
    // Smoothers, input transformer (and filter coefficients), amplifier index, amplifier,
    // filters, output transformer.
    static constexpr int kStages = 6;
    static constexpr int kFilterStage = 4;

    template <int Model>
    static LANE_INLINE void Run(ChannelStrip& strip, const ChannelStripBlock& b,
                                Chunk (&chunks)[kStages])
    {
        State st = Load(strip, b);
        // Read before an output written in place can overwrite it.
        const Pair lastInput = {b.inputs[0][b.nFrames - 1], b.inputs[1][b.nFrames - 1]};
        const Chunk* last = Pipeline<Model>(st, chunks, b.nFrames / strip_lanes::kChunk);
        if (const int rest = b.nFrames % strip_lanes::kChunk; rest > 0)
        {
            Partial<Model>(st, chunks[0], b.nFrames - rest, rest);
            last = &chunks[0];
        }
        HoldLastFrame<Model>(st, *last, lastInput);
        Save(st, strip);
        if (b.levels)
        {
            strip_lanes::MergeLevels(st.inPeakSquared, st.inSum, b.levels->in);
            strip_lanes::MergeLevels(st.outPeakSquared, st.outSum, b.levels->out);
        }
    }

    // The stages that can hold their last frame's result, for the next blocks: the output stage
    // as written out; the input transformer and the amplifier recomputed for the last frame,
    // cheaper than keeping them at every step.
    template <int Model>
    static LANE_INLINE void HoldLastFrame(State& st, const Chunk& last, Pair lastInput)
    {
        using namespace strip_lanes;
        const int k = last.count - 1;
        st.out = Pair{st.outLeft[last.start + k], st.outRight[last.start + k]};
        if (st.transformer == 0)
            st.stage1 = TransformerStage(lastInput);
        else if (st.transformer == 1)
            st.stage1 = lastInput;
        if constexpr (Model >= 0)
            st.tube = Amplifier<Model>::Stage(
                Amplifier<Model>::Index(st.stage1 * last.inputGain.At<Pair>(k)));
    }

    // The full chunks, the stages of consecutive ones side by side: at each step every chunk
    // moves on one stage and the next one enters, into the buffer the last one out has left.
    // Returns the last chunk out.
    template <int Model>
    static LANE_INLINE const Chunk* Pipeline(State& st, Chunk (&chunks)[kStages], int full)
    {
        using strip_lanes::kChunk;
        const Chunk* last = nullptr;
        Chunk* c[kStages] = {};
        const int steps = full > 0 ? full + kStages - 1 : 0;
        for (int entering = 0; entering < steps; ++entering)
        {
            for (int stage = kStages - 1; stage > 0; --stage)
                c[stage] = c[stage - 1];
            c[0] = entering < full ? &chunks[entering % kStages] : nullptr;
            if (c[0])
                Start<Model>(st, *c[0], entering * kChunk, kChunk);
            if (c[1])
                LastCoefficients(st, *c[1]);
            if (c[kStages - 1])
                last = c[kStages - 1];
            if (c[0] && c[kStages - 1])
                AllStages<Model>(st, c);
            else
                SomeStages<Model>(st, c);
        }
        return last;
    }

    // A last partial chunk, on its own.
    template <int Model> static LANE_INLINE void Partial(State& st, Chunk& c, int start, int count)
    {
        using namespace strip_lanes;
        Start<Model>(st, c, start, count);
        for (int k = 0; k < count; ++k)
            Smoothers<Model, Pair>(st, c, k);
        LastCoefficients(st, c);
        for (int k = 0; k < count; ++k)
        {
            InputTransformer<Pair>(st, c, k);
            AmplifierIndex<Model, Pair>(c, k);
            AmplifierCurve<Model, Pair>(st, c, k);
            SetCoefficients(st, c, c.moving ? k : 0);
            Filters(st, c, k);
            OutputTransformer<Pair>(st, c, k);
        }
    }

    // A chunk entering the chain: whether its smoothers move, and if not their values.
    template <int Model> static LANE_INLINE void Start(State& st, Chunk& c, int start, int count)
    {
        c.start = start;
        c.count = count;
        const auto settled = [&](double z, double step) { return (z * st.a) + step == z; };
        c.moving =
            !(settled(st.zOut, st.outputStep) && settled(st.zLow, st.lowStep) &&
              settled(st.zHigh, st.highStep) && (Model < 0 || settled(st.zIn, st.inputStep)));
        if (!c.moving && !c.holdsSettled)
            for (int i = 0; i < 2 * count; ++i)
            {
                c.inputGain.v[i] = st.zIn;
                c.outputGain.v[i] = st.zOut;
                c.low.v[i] = st.zLow;
                c.high.v[i] = st.zHigh;
            }
    }

    // A chunk whose smoothed positions are all known: the coefficient sets of its last frame,
    // computed only when the positions differ from the last ones, and for a chunk that does not
    // move the sets of all its frames.
    static LANE_INLINE void LastCoefficients(State& st, Chunk& c)
    {
        using namespace strip_lanes;
        const auto last = [&](auto shelf, ShelfCoefficients& sets, const Smoothed& v,
                              BasicBiquad<Pair>& computed, Pair& from)
        {
            const Pair position = v.At<Pair>(c.count - 1);
            const auto differs = position != from;
            if (differs[0] | differs[1])
            {
                decltype(shelf)::Coefficients(computed, lanes::Broadcast<Pair>(st.fs), position);
                from = position;
            }
            if (!c.moving && !c.holdsSettled)
                sets.Put(computed, 0);
        };
        last(L7360{}, c.lowCoefficients, c.low, st.lastLow, st.lowFrom);
        last(H73{}, c.highCoefficients, c.high, st.lastHigh, st.highFrom);
        c.holdsSettled = !c.moving;
    }

    // Every stage has a chunk: one loop for the cases where the smoothers, the coefficients and
    // the filters all move, all do not, or some do.
    template <int Model> static LANE_INLINE void AllStages(State& st, Chunk* (&c)[kStages])
    {
        const bool filterMoving = c[kFilterStage]->moving;
        if (!filterMoving && !st.filtersHoldSettled)
            strip_lanes::SetCoefficients(st, *c[kFilterStage], 0);
        st.filtersHoldSettled = !filterMoving;
        if (filterMoving && c[0]->moving && c[1]->moving)
            AllStages<Model, 1>(st, c);
        else if (!filterMoving && !c[0]->moving && !c[1]->moving)
            AllStages<Model, 0>(st, c);
        else
            AllStages<Model, -1>(st, c);
    }

    template <int Model, int Moving>
    static LANE_INLINE void AllStages(State& st, Chunk* (&c)[kStages])
    {
        using namespace strip_lanes;
        constexpr int kFrames = Width / 2;
        SideBySide shelves;
        for (int k = 0; k < kChunk; k += kFrames)
        {
            Smoothers<Model, Lanes, Moving>(st, *c[0], k);
            InputTransformer<Lanes, Moving>(st, *c[1], k);
            AmplifierIndex<Model, Lanes>(*c[2], k);
            AmplifierCurve<Model, Lanes>(st, *c[3], k);
            if constexpr (Width == 4)
                FiltersSideBySide<Moving>(st, *c[4], k, shelves);
            else
            {
                if constexpr (Moving == 1)
                    SetCoefficients(st, *c[4], k);
                else if constexpr (Moving < 0)
                    SetCoefficients(st, *c[4], c[4]->moving ? k : 0);
                Filters(st, *c[4], k);
            }
            OutputTransformer<Lanes>(st, *c[5], k);
        }
        if constexpr (Width == 4)
            FinishSideBySide<Moving>(st, *c[4], shelves);
    }

    // While the pipeline fills and drains: the stages that have a chunk.
    template <int Model> static LANE_INLINE void SomeStages(State& st, Chunk* (&c)[kStages])
    {
        using namespace strip_lanes;
        constexpr int kFrames = Width / 2;
        for (int k = 0; k < kChunk; k += kFrames)
        {
            if (c[0])
                Smoothers<Model, Lanes>(st, *c[0], k);
            if (c[1])
                InputTransformer<Lanes>(st, *c[1], k);
            if (c[2])
                AmplifierIndex<Model, Lanes>(*c[2], k);
            if (c[3])
                AmplifierCurve<Model, Lanes>(st, *c[3], k);
            if (c[4])
                for (int j = 0; j < kFrames; ++j)
                {
                    SetCoefficients(st, *c[4], c[4]->moving ? k + j : 0);
                    Filters(st, *c[4], k + j);
                }
            if (c[5])
                OutputTransformer<Lanes>(st, *c[5], k);
        }
    }

    // The chain's state into the loop's, and back.
    static LANE_INLINE State Load(const ChannelStrip& strip, const ChannelStripBlock& b)
    {
        State st;
        st.inLeft = b.inputs[0];
        st.inRight = b.inputs[1];
        st.outLeft = b.outputs[0];
        st.outRight = b.outputs[1];
        st.fs = b.fs;
        st.a = b.a;
        st.inputStep = b.inputStep;
        st.outputStep = b.outputStep;
        st.lowStep = b.lowStep;
        st.highStep = b.highStep;
        st.filtersHoldSettled = false;
        st.measure = b.levels != nullptr;
        st.inPeakSquared = st.inSum = st.outPeakSquared = st.outSum = strip_lanes::Quad{};
        st.transformer = b.transformer;
        st.bus = b.bus;
        st.zIn = strip.mInputGainSmoother.z;
        st.zOut = strip.mOutputGainSmoother.z;
        st.zLow = strip.mLowSmoother.z;
        st.zHigh = strip.mHighSmoother.z;
        const auto pair = [](Pair& p, double left, double right) { p = Pair{left, right}; };
        ForEachField(pair, st.high, strip.mHighL, strip.mHighR);
        ForEachField(pair, st.low, strip.mLowL, strip.mLowR);
        st.lastHigh = st.high;
        st.lastLow = st.low;
        pair(st.highFrom, strip.mHighLFrom, strip.mHighRFrom);
        pair(st.lowFrom, strip.mLowLFrom, strip.mLowRFrom);
        pair(st.stage1, strip.mStage1L, strip.mStage1R);
        pair(st.tube, strip.mTubeL, strip.mTubeR);
        pair(st.out, strip.mOutL, strip.mOutR);
        return st;
    }

    static LANE_INLINE void Save(const State& st, ChannelStrip& strip)
    {
        strip.mInputGainSmoother.z = st.zIn;
        strip.mOutputGainSmoother.z = st.zOut;
        strip.mLowSmoother.z = st.zLow;
        strip.mHighSmoother.z = st.zHigh;
        const auto split = [](Pair p, double& left, double& right)
        {
            left = p[0];
            right = p[1];
        };
        ForEachField(split, st.high, strip.mHighL, strip.mHighR);
        ForEachField(split, st.low, strip.mLowL, strip.mLowR);
        split(st.highFrom, strip.mHighLFrom, strip.mHighRFrom);
        split(st.lowFrom, strip.mLowLFrom, strip.mLowRFrom);
        split(st.stage1, strip.mStage1L, strip.mStage1R);
        split(st.tube, strip.mTubeL, strip.mTubeR);
        split(st.high.lastInput, strip.mFilterInL, strip.mFilterInR);
        split(st.low.lastOutput, strip.mFilterOutL, strip.mFilterOutR);
        split(st.out, strip.mOutL, strip.mOutR);
    }
};
