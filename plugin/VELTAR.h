#pragma once

#include "IFxPlug.h"
#include "plugin/ChannelStrip.h"
#include "plugin/Oversampler.h"
#include "plugin/VELTARParams.h"

class IGraphics;

// The console channel: input transformer, amplifier curve, gain, shelves, output transformer.
class VELTAR : public IFxPlug
{
public:
    explicit VELTAR(IFxInstanceInfo instanceInfo);
    ~VELTAR() override;

    void Reset() override;
    void OnParamChange(int paramIdx) override;
    void ProcessDoubleReplacing(double** inputs, double** outputs, int nFrames) override;
    int OversamplingLatency(int factor) const override;

    // Puts the signal chain back as construction leaves it (smoothers at 0, filters empty, the
    // oversampler's too), so
    // that one object can stand in for a new one; no host call does this, the chain otherwise
    // runs for the object's lifetime.
    void RestartSignalChain();

private:
    // Cached from the parameters by OnParamChange; the chain reads them every block.
    double mInputGain = 1.0;
    double mOutputGain = 1.0;
    double mLow = 0.5;
    double mHigh = 0.5;
    ChannelStrip mChain;
    // Runs the chain at the factor in effect; at 1 the chain gets the host's buffers themselves.
    Oversampler mOversampler;
};

// The editor's graphics context for a plug-in, on this platform's native layer.
IGraphics* MakeGraphics(IFxPlug* plug, int width, int height, int fps);
