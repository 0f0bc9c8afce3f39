// The host side the concurrency tests share: a VELTAR instance opened as a host opens it, with its
// editor on the headless native layer, and one block of stereo audio through its process call.
#pragma once

#include "framework/platform/HeadlessNativeLayer.h"
#include "framework/platform/IGraphicsMac.h"
#include "framework/vst3/PlugModule.h"
#include "plugin/VELTAR.h"

#include "ProcessBlock.h"

#include <cmath>
#include <memory>
#include <vector>

namespace stresstest
{

struct PlugRelease
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};
using PlugPtr = std::unique_ptr<IFxVST3, PlugRelease>;

// Initialised, given the handler, set up for 48 kHz in the given precision and active, with its
// editor open. The editor's bitmaps come from the source tree, so that clicks land on real
// controls.
class StressInstance
{
public:
    static constexpr int kMaxBlock = 512;

    explicit StressInstance(Steinberg::Vst::IComponentHandler* handler)
    {
        SetPlatformResourceRoot(VELTAR_SOURCE_DIR);
        mPlug.reset(MakePlug());
        mPlug->initialize(nullptr);
        mPlug->setComponentHandler(handler);
        mEditor = dynamic_cast<IGraphicsMac*>(mPlug->GetGUI());
        if (mEditor && mEditor->OpenWindow(nullptr))
        {
            mLayer = static_cast<HeadlessNativeLayer*>(mEditor->GetNativeLayer());
            // The first frame draws the whole panel, far slower than the frames after it.
            mLayer->RunFrame();
        }
        SetPlatformResourceRoot(nullptr);
        SetUp(Steinberg::Vst::kSample64);
    }
    ~StressInstance()
    {
        if (mLayer)
            mEditor->CloseWindow();
        mPlug->setComponentHandler(nullptr);
    }
    StressInstance(const StressInstance&) = delete;
    StressInstance& operator=(const StressInstance&) = delete;

    IFxVST3& Plug() const { return *mPlug; }
    // Null when the editor could not be opened; the tests check it before they start threads.
    HeadlessNativeLayer* Layer() const { return mLayer; }

    // As a host changes the setup: never while a block is being processed.
    void SetUp(Steinberg::int32 sampleSize)
    {
        Steinberg::Vst::ProcessSetup setup = {Steinberg::Vst::kRealtime, sampleSize, kMaxBlock,
                                              48000.0};
        mPlug->setActive(false);
        mPlug->setupProcessing(setup);
        mPlug->setActive(true);
        mSampleSize = sampleSize;
    }

    // Processes in (two channels of equal length, at most kMaxBlock frames) in the precision set
    // up, with the given changes; answers the number of output samples that are not finite.
    long Process(const std::vector<double> (&in)[2], Steinberg::Vst::IParameterChanges* changes)
    {
        const auto frames = static_cast<Steinberg::int32>(in[0].size());
        vst3host::MainBusBlock block(Steinberg::Vst::kRealtime, mSampleSize);
        block.data.inputParameterChanges = changes;
        if (mSampleSize == Steinberg::Vst::kSample64)
            return Run(block, in, frames, mOut64, mIn64);
        return Run(block, in, frames, mOut32, mIn32);
    }

private:
    template <class Sample>
    long Run(vst3host::MainBusBlock& block, const std::vector<double> (&in)[2],
             Steinberg::int32 frames, std::vector<Sample> (&out)[2], std::vector<Sample> (&ins)[2])
    {
        const Sample* inPtrs[2];
        Sample* outPtrs[2];
        for (int c = 0; c < 2; ++c)
        {
            ins[c].assign(in[c].begin(), in[c].end());
            out[c].assign(static_cast<size_t>(frames), Sample(0));
            inPtrs[c] = ins[c].data();
            outPtrs[c] = out[c].data();
        }
        mPlug->process(block.Set(inPtrs, outPtrs, 2, frames));
        long nonFinite = 0;
        for (const auto& channel : out)
            for (Sample s : channel)
                nonFinite += std::isfinite(s) ? 0 : 1;
        return nonFinite;
    }

    PlugPtr mPlug;
    IGraphicsMac* mEditor = nullptr;
    HeadlessNativeLayer* mLayer = nullptr;
    Steinberg::int32 mSampleSize = Steinberg::Vst::kSample64;
    std::vector<double> mIn64[2], mOut64[2];
    std::vector<float> mIn32[2], mOut32[2];
};

} // namespace stresstest
