// The host's processing thread pushes parameter values into the editor (under the plug-in mutex,
// as the adapter does) while the user-interface thread edits, ticks and paints. Built with
// -DVELTAR_SANITIZE=thread this must report no data race.
#include "GfxTestSupport.h"

#include "framework/core/IParam.h"

#include <atomic>
#include <thread>

TEST_F(EditorTest, HostUpdatesRaceFreeWithEditing)
{
    std::atomic<bool> stop{false};
    const int kHostRounds = 4000;
    std::thread host(
        [&]
        {
            for (int i = 0; i < kHostRounds; ++i)
            {
                const double v = double(i % 101) / 100.0;
                FxMutexLock lock(mPlug.GetMutex());
                for (int p : {int(kInput), int(kHigh), int(kModel)})
                {
                    mPlug.GetParam(p)->SetNormalized(v);
                    mGraphics->SetParameterFromPlug(p, v, true);
                    mPlug.OnParamChange(p);
                }
                mGraphics->SetParameterFromPlug(kOutput, mPlug.GetParam(kOutput)->Value(), false);
            }
            stop = true;
        });

    const IMouseMod left(true);
    int rounds = 0;
    while (!stop || rounds < 50)
    {
        // Drag the Input knob the host is also moving, click the Model switch, repaint.
        mLayer->MouseDown(110, 60, left);
        mLayer->MouseDrag(110, 50, left);
        mLayer->MouseDrag(110, 70, left);
        mLayer->MouseUp(110, 70, left);
        mLayer->MouseDown(110, 460, left);
        mLayer->MouseUp(110, 460, left);
        mLayer->RunFrame();
        ++rounds;
    }
    host.join();

    // After the last push the controls the user did not touch show the host's last value.
    mLayer->RunFrame();
    const double last = double((kHostRounds - 1) % 101) / 100.0;
    EXPECT_DOUBLE_EQ(Control(kCtlHigh)->GetValue(), last);
    EXPECT_EQ(DrawnFrame(230, 360), int(60 * last + 0.5));
}
