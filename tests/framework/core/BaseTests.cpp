#include "TestAdapter.h"

#include <gtest/gtest.h>

#include <string>

TEST(IFxBase, ChannelConfigurationText)
{
    TestAdapter plug(1, "1-1 2-2");
    EXPECT_EQ(plug.NInChannels(), 2);
    EXPECT_EQ(plug.NOutChannels(), 2);
    EXPECT_TRUE(plug.LegalIO(2, 2));
    EXPECT_TRUE(plug.LegalIO(1, 1));
    EXPECT_TRUE(plug.LegalIO(-1, 2));
    EXPECT_TRUE(plug.LegalIO(2, -1));
    EXPECT_FALSE(plug.LegalIO(1, 2));

    TestAdapter none(1, nullptr);
    EXPECT_EQ(none.NInChannels(), 0);
    EXPECT_FALSE(none.LegalIO(-1, -1));

    TestAdapter odd(1, "x-y 2-3");
    EXPECT_TRUE(odd.LegalIO(0, 0));
    EXPECT_TRUE(odd.LegalIO(2, 3));
    EXPECT_EQ(odd.NOutChannels(), 3);
}

TEST(IFxBase, DisconnectedChannelsReadAndWriteScratch)
{
    TestAdapter plug(1, "1-1 2-2");
    plug.SetBlockSize(4);
    plug.SetInputChannelConnections(0, 2, true);
    plug.SetOutputChannelConnections(0, 2, true);
    plug.SetInputChannelConnections(0, 1, false);
    plug.SetOutputChannelConnections(1, 1, false);
    EXPECT_FALSE(plug.IsInChannelConnected(0));
    EXPECT_TRUE(plug.IsInChannelConnected(1));
    EXPECT_FALSE(plug.IsInChannelConnected(7));

    double in[4] = {1, 2, 3, 4};
    double out0[4] = {}, out1[4] = {9, 9, 9, 9};
    double* inputs[] = {in};
    double* outputs[] = {out0, out1};
    plug.AttachInputBuffers(0, 2, inputs, 4); // the host's first buffer goes to channel 1
    plug.AttachOutputBuffers(0, 2, outputs);
    plug.ProcessBuffers(0.0, 4);
    // Channel 0 read the zeroed scratch buffer; channel 1's result went to scratch, not out1.
    for (int i = 0; i < 4; ++i)
    {
        EXPECT_EQ(out0[i], 0.0);
        EXPECT_EQ(out1[i], 9.0);
    }
}

TEST(IFxBase, FloatBuffersConvertAccumulateAndNeverOverrunScratch)
{
    TestAdapter plug(1, "2-2");
    plug.SetBlockSize(4);
    plug.SetInputChannelConnections(0, 2, true);
    plug.SetOutputChannelConnections(0, 2, true);
    float inL[8] = {1, 2, 3, 4, 5, 6, 7, 8}, inR[8] = {-1, -2, -3, -4, -5, -6, -7, -8};
    float outL[8] = {10, 10, 10, 10, 10, 10, 10, 10}, outR[8] = {};
    float* ins[] = {inL, inR};
    float* outs[] = {outL, outR};
    plug.AttachInputBuffers(0, 2, ins, 4);
    plug.AttachOutputBuffers(0, 2, outs);
    plug.ProcessBuffersAccumulating(0.0f, 4);
    EXPECT_EQ(outL[0], 11.0f);
    EXPECT_EQ(outR[3], -4.0f);

    // More frames than the block size: cut to the block size, nothing past it touched.
    plug.AttachInputBuffers(0, 2, ins, 8);
    plug.ProcessBuffers(0.0f, 8);
    EXPECT_EQ(outL[3], 4.0f);
    EXPECT_EQ(outL[4], 10.0f);
}

TEST(IFxBase, SetBlockSizeZeroesScratchOnlyWhenTheSizeChanges)
{
    TestAdapter plug(1, "2-2");
    plug.SetBlockSize(2);
    plug.SetInputChannelConnections(0, 2, true);
    plug.SetOutputChannelConnections(0, 2, true);
    float a[2] = {5, 6}, b[2] = {7, 8};
    float* ins[] = {a, b};
    plug.AttachInputBuffers(0, 2, ins, 2); // scratch now holds the converted samples
    plug.SetInputChannelConnections(0, 1, false);
    plug.SetBlockSize(2);
    double out[2], out2[2];
    double* outs[] = {out, out2};
    plug.AttachOutputBuffers(0, 2, outs);
    plug.ProcessBuffers(0.0, 2);
    EXPECT_EQ(out[0], 5.0);
    plug.ZeroScratchBuffers();
    plug.ProcessBuffers(0.0, 2);
    EXPECT_EQ(out[0], 0.0);
}

TEST(IFxBase, BypassCopiesOrDelaysByTheLatency)
{
    TestAdapter plug(1, "2-3");
    plug.SetBlockSize(8);
    plug.SetInputChannelConnections(0, 2, true);
    plug.SetOutputChannelConnections(0, 3, true);
    double l[8] = {1, 2, 3, 4, 5, 6, 7, 8}, r[8] = {8, 7, 6, 5, 4, 3, 2, 1};
    double o0[8], o1[8], o2[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    double* ins[] = {l, r};
    double* outs[] = {o0, o1, o2};
    plug.AttachInputBuffers(0, 2, ins, 8);
    plug.AttachOutputBuffers(0, 3, outs);
    plug.PassThroughBuffers(0.0, 8);
    EXPECT_EQ(o0[7], 8.0);
    EXPECT_EQ(o1[0], 8.0);
    EXPECT_EQ(o2[0], 0.0);

    for (int latency : {1, 3, 11})
    {
        TestAdapter delayed(1, "1-1", 1, latency);
        delayed.CreateBypassDelayLine();
        delayed.SetBlockSize(4);
        delayed.SetInputChannelConnections(0, 1, true);
        delayed.SetOutputChannelConnections(0, 1, true);
        std::vector<double> result;
        for (int block = 0; block < 4; ++block)
        {
            double in[4] = {block == 0 ? 1.0 : 0.0, 0, 0, 0};
            double out[4];
            double* pi[] = {in};
            double* po[] = {out};
            delayed.AttachInputBuffers(0, 1, pi, 4);
            delayed.AttachOutputBuffers(0, 1, po);
            delayed.PassThroughBuffers(0.0, 4);
            result.insert(result.end(), out, out + 4);
        }
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(result[static_cast<size_t>(i)], i == latency ? 1.0 : 0.0)
                << latency << " " << i;
    }
}

TEST(IFxBase, BusLabels)
{
    TestAdapter plug(1, "2-2");
    plug.SetInputBusLabel(2, "ignored");
    EXPECT_STREQ(plug.GetInputBusLabel(2), "");
    plug.SetInputBusLabel(0, "Main Input");
    plug.SetInputBusLabel(0, "Replaced");
    EXPECT_STREQ(plug.GetInputBusLabel(0), "Replaced");
    plug.SetOutputBusLabel(2, "Output");
    EXPECT_STREQ(plug.GetOutputBusLabel(0), "Output");
    plug.SetInputLabel(-1, "x");
    plug.SetOutputLabel(1, "Right");
    EXPECT_STREQ(plug.GetOutputLabel(1), "Right");
}

TEST(IFxBase, SamplesPerBeat)
{
    TestAdapter plug(1, "2-2");
    plug.SetSampleRate(48000.0);
    plug.mTempo = 120.0;
    EXPECT_EQ(plug.GetSamplesPerBeat(), 24000.0);
    plug.mTempo = 0.0;
    EXPECT_EQ(plug.GetSamplesPerBeat(), 0.0);
}

namespace
{
struct RecordingEditor : IEditorLink
{
    RecordingEditor(std::vector<std::pair<int, double>>* l, bool* p, bool* d)
        : log(l), prepped(p), destroyed(d)
    {
    }
    std::vector<std::pair<int, double>>* log;
    bool* prepped;
    bool* destroyed;
    void SetParameterFromPlug(int idx, double v, bool) override { log->push_back({idx, v}); }
    void PrepDraw() override { *prepped = true; }
    ~RecordingEditor() override { *destroyed = true; }
};
} // namespace

TEST(IFxBase, EditorLinkBothWays)
{
    std::vector<std::pair<int, double>> log;
    bool prepped = false, destroyed = false;
    {
        TestAdapter plug(2, "2-2");
        plug.GetParam(0)->InitDouble("Input", 6.0, 0.0, 24.0, 0.01, "", "", 2.0);
        plug.GetParam(1)->InitInt("Model", 1, 0, 2);
        plug.AttachGraphics(nullptr);
        EXPECT_EQ(plug.GetGUI(), nullptr);
        plug.AttachGraphics(new RecordingEditor(&log, &prepped, &destroyed));
        ASSERT_EQ(log.size(), 2u);
        EXPECT_DOUBLE_EQ(log[0].second, 0.5); // normalised
        EXPECT_TRUE(prepped);

        log.clear();
        plug.RedrawParamControls();
        EXPECT_EQ(log[1].second, 1.0); // plain

        plug.SetParameterFromGUI(1, 1.0);
        EXPECT_EQ(plug.GetParam(1)->Value(), 2.0);
        ASSERT_EQ(plug.mEdits.size(), 1u);
        EXPECT_EQ(plug.mEdits[0].kind, 'p');
        EXPECT_EQ(plug.mEdits[0].value, 1.0);
        EXPECT_EQ(plug.mParamChanges.back(), 1);
        plug.SetParameterFromGUI(5, 1.0); // no such parameter: ignored
        EXPECT_EQ(plug.mEdits.size(), 1u);
    }
    EXPECT_TRUE(destroyed);
}

TEST(IMidiMsg, BuildAndRead)
{
    IMidiMsg m;
    m.MakeNoteOnMsg(60, 100, 12, 3);
    EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNoteOn);
    EXPECT_EQ(m.Channel(), 3);
    EXPECT_EQ(m.NoteNumber(), 60);
    EXPECT_EQ(m.Velocity(), 100);
    EXPECT_EQ(m.mOffset, 12);
    EXPECT_EQ(m.Program(), -1);

    m.MakePitchWheelMsg(2.0);
    EXPECT_EQ(m.mData1, 127);
    EXPECT_EQ(m.mData2, 127);
    m.MakePitchWheelMsg(0.0);
    EXPECT_EQ(m.PitchWheel(), 0.0);
    m.MakeControlChangeMsg(7, 1.0, 0);
    EXPECT_EQ(m.ControlChange(7), 1.0);
    EXPECT_EQ(m.ControlChange(8), -1.0);
    m.Clear();
    EXPECT_EQ(m.StatusMsg(), IMidiMsg::kNone);
    EXPECT_STREQ(IMidiMsg::StatusMsgStr(14), "pitchwheel");
    EXPECT_STREQ(IMidiMsg::StatusMsgStr(3), "unknown");

    char buf[9];
    const unsigned char data[] = {0xF0, 0x7E, 0x01, 0xF7};
    SysExStr(buf, sizeof(buf), data, 4);
    EXPECT_STREQ(buf, "F0 7E 01");
    SysExStr(buf, sizeof(buf), nullptr, 0);
    EXPECT_STREQ(buf, "");
}
