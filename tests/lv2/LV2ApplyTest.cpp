// lv2apply, the file processor of lilv-utils, finds the bundle through LV2_PATH and renders a
// file exactly as the VST 3 module renders the same samples.
#include "HostedPlugin.h"
#include "LilvHost.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using veltartest::FirstDifference;
using veltartest::Stereo;

namespace
{
bool WriteWav(const std::string& path, const Stereo& s)
{
    SF_INFO info = {};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<float> frames;
    for (size_t i = 0; i < s.Size(); ++i)
    {
        frames.push_back(static_cast<float>(s.left[i]));
        frames.push_back(static_cast<float>(s.right[i]));
    }
    const bool ok = sf_writef_float(f, frames.data(), static_cast<sf_count_t>(s.Size())) ==
                    static_cast<sf_count_t>(s.Size());
    return sf_close(f) == 0 && ok;
}

Stereo ReadWav(const std::string& path)
{
    SF_INFO info = {};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f || info.channels != 2)
    {
        if (f)
            sf_close(f);
        return Stereo();
    }
    std::vector<float> frames(static_cast<size_t>(info.frames) * 2);
    sf_readf_float(f, frames.data(), info.frames);
    sf_close(f);
    Stereo s(static_cast<size_t>(info.frames));
    for (size_t i = 0; i < s.Size(); ++i)
    {
        s.left[i] = frames[2 * i];
        s.right[i] = frames[2 * i + 1];
    }
    return s;
}

TEST(VeltarLV2Apply, RendersAFileIdenticalToTheVST3Module)
{
    const std::string dir = ::testing::TempDir() + "veltar_lv2apply_" + std::to_string(getpid());
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    const std::string in = dir + "/in.wav", out = dir + "/out.wav";
    const Stereo signal = veltartest::ToFloatPrecision(veltartest::TestSignal(9600));
    ASSERT_TRUE(WriteWav(in, signal));

    const std::string command = "LV2_PATH='" VELTAR_LV2_PATH "' lv2apply -i '" + in + "' -o '" +
                                out +
                                "' -c input 6 -c output -12 -c model 1 -c bus 0 "
                                "urn:com.QuillstoneAudio:VELTAR";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const Stereo rendered = ReadWav(out);
    ASSERT_EQ(rendered.Size(), signal.Size());

    veltartest::HostedPlugin vst3;
    ASSERT_EQ(vst3.Setup(48000.0, Steinberg::Vst::kSample32, 512), Steinberg::kResultOk);
    vst3.Set(0, 0.5);  // input 6 dB
    vst3.Set(1, 0.25); // output -12 dB
    vst3.Set(6, 0.5);  // model QUAD
    vst3.Set(5, 0.0);  // bus in
    EXPECT_EQ(FirstDifference(rendered, vst3.Process32(signal, {512})), -1);
    EXPECT_NE(FirstDifference(rendered, signal), -1);
    std::system(("rm -rf '" + dir + "'").c_str());
}
} // namespace
