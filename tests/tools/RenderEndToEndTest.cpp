// Runs the built veltar-render on generated files, as a user would, against the built bundle.
#include "RenderTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace veltar_render;
using namespace rendertest;
namespace fs = std::filesystem;

namespace
{

void ExpectFinite(const Audio& audio)
{
    for (const auto& channel : audio.channels)
    {
        for (double x : channel)
        {
            ASSERT_TRUE(std::isfinite(x));
        }
    }
}

double MaxDifference(const Channels& a, const Channels& b)
{
    double most = 0.0;
    for (size_t c = 0; c < a.size(); ++c)
    {
        for (size_t i = 0; i < a[c].size(); ++i)
        {
            most = std::max(most, std::fabs(a[c][i] - b[c][i]));
        }
    }
    return most;
}

} // namespace

TEST_F(RenderEndToEnd, StereoFileWithSettingsRendersAndReports)
{
    const RunResult run =
        Render("--in in.wav --out out.wav --set Input=9 --set model=1 --set Bus=0");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("Input=9"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Model=1"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("44100 Hz, 12345 frames"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("output: out.wav, 32-bit float WAV"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("rendered in"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("peak"), std::string::npos) << run.out;

    const Audio input = ReadWav(mInput);
    const Audio output = ReadWav(mDir / "out.wav");
    EXPECT_EQ(output.sampleRate, kRate);
    ASSERT_EQ(output.channels.size(), 2u);
    ASSERT_EQ(output.channels[0].size(), static_cast<size_t>(kFrames));
    ExpectFinite(output);
    EXPECT_GT(MaxDifference(input.channels, output.channels), 0.1);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"out.wav"});
}

TEST_F(RenderEndToEnd, BlockSizeAndSampleSizeDoNotChangeTheResult)
{
    ASSERT_EQ(Render("--in in.wav --out a.wav --set Input=6").status, 0);
    ASSERT_EQ(Render("--in in.wav --out b.wav --set Input=6 --block 7").status, 0);
    ASSERT_EQ(Render("--in in.wav --out c.wav --set Input=6 --double --block 4096").status, 0);
    const Audio a = ReadWav(mDir / "a.wav");
    EXPECT_EQ(ReadWav(mDir / "b.wav").channels, a.channels);
    // The plug-in works in 64 bits either way; only the rounding of its 32-bit output differs.
    EXPECT_LT(MaxDifference(ReadWav(mDir / "c.wav").channels, a.channels), 1e-6);
}

TEST_F(RenderEndToEnd, MonoStaysMonoAndBypassPassesThrough)
{
    WriteWav(mDir / "mono.wav", TestSignal(1, 3000, 22050.0), 22050.0);
    const RunResult run = Render("--in mono.wav --out mono-out.wav --set Bypass=1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("mono"), std::string::npos);
    const Audio output = ReadWav(mDir / "mono-out.wav");
    EXPECT_EQ(output.sampleRate, 22050.0);
    ASSERT_EQ(output.channels.size(), 1u);
    EXPECT_EQ(output.channels, ReadWav(mDir / "mono.wav").channels);
}

TEST_F(RenderEndToEnd, DemoRendersIntoTheCurrentFolder)
{
    const RunResult run = Render("--demo");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("built-in demo"), std::string::npos) << run.out;
    const Audio demo = ReadWav(mDir / "veltar-demo.wav");
    EXPECT_EQ(demo.sampleRate, 48000.0);
    ASSERT_EQ(demo.channels.size(), 2u);
    EXPECT_EQ(demo.channels[0].size(), 6u * 48000u);
    ExpectFinite(demo);
}

TEST_F(RenderEndToEnd, BadParametersFailBeforeAnythingIsWritten)
{
    std::ofstream(mDir / "out.wav") << "previous render";
    const RunResult unknown = Render("--in in.wav --out out.wav --set Drive=3");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown parameter 'Drive'"), std::string::npos) << unknown.err;
    EXPECT_NE(unknown.err.find("Input, Output, Low, High, Transformer, Bus, Model"),
              std::string::npos)
        << unknown.err;

    const RunResult range = Render("--in in.wav --out out.wav --set Output=25");
    EXPECT_EQ(range.status, 2);
    EXPECT_NE(range.err.find("Output takes -24 to 24"), std::string::npos) << range.err;

    EXPECT_EQ(Render("--in in.wav --out out.wav --set Model=3").status, 2);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"out.wav"});
    EXPECT_EQ(Slurp(mDir / "out.wav"), "previous render");

    fs::remove(mDir / "out.wav");
    EXPECT_EQ(Render("--set Drive=3").status, 2);
    EXPECT_TRUE(Leftovers().empty());
}

TEST_F(RenderEndToEnd, UnusableFilesAndOptionsExitWithStatusTwo)
{
    const RunResult missing = Render("--in missing.wav --out out.wav");
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.err, "veltar-render: cannot read 'missing.wav': No such file or directory\n");

    std::ofstream(mDir / "text.wav") << "this is not audio";
    EXPECT_EQ(Render("--in text.wav --out out.wav").status, 2);

    WriteWav(mDir / "three.wav", TestSignal(3, 100, kRate), kRate);
    const RunResult three = Render("--in three.wav --out out.wav");
    EXPECT_EQ(three.status, 2);
    EXPECT_NE(three.err.find("3 channels"), std::string::npos) << three.err;

    const RunResult unwritable = Render("--in in.wav --out no/such/folder/out.wav");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;

    const RunResult plugin = Render("--in in.wav --out out.wav --plugin nowhere.vst3");
    EXPECT_EQ(plugin.status, 2);
    EXPECT_NE(plugin.err.find("nowhere"), std::string::npos) << plugin.err;

    EXPECT_EQ(Render("--block 0").status, 2);
    EXPECT_EQ(Render("--in in.wav").status, 2);

    fs::remove(mDir / "text.wav");
    fs::remove(mDir / "three.wav");
    EXPECT_TRUE(Leftovers().empty());

    const RunResult help = Render("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: veltar-render"), std::string::npos);
}

TEST_F(RenderEndToEnd, SavedProgramReproducesTheRender)
{
    // Every normalised position here is exact in single precision (Input has shape 2, so 6 dB
    // lies at 0.5), so the program holds the render's values exactly.
    const RunResult first = Render("--in in.wav --out a.wav --set Input=6 --set Output=-6 "
                                   "--set Low=0.75 --set High=0.25 --set Transformer=0 "
                                   "--set Model=2 --save-fxp warm.fxp");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("program: warm.fxp"), std::string::npos) << first.out;
    const std::string program = Slurp(mDir / "warm.fxp");
    ASSERT_EQ(program.size(), 56u + 7 * 4);
    EXPECT_EQ(program.substr(0, 12), std::string("CcnK\0\0\0\0FxCk", 12));
    EXPECT_EQ(program.substr(16, 12), std::string("Vtr1\0\0\x27\x74\0\0\0\x07", 12));
    EXPECT_EQ(program.substr(28, 5), std::string("warm\0", 5));

    const RunResult second = Render("--in in.wav --out b.wav --load-fxp warm.fxp");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.out.find("Input=6 Output=-6 Low=0.75 High=0.25 Transformer=0 Bus=1 Model=2"),
              std::string::npos)
        << second.out;
    // Sample for sample; the files' bytes differ in the time stamp of their PEAK chunk.
    EXPECT_EQ(ReadWav(mDir / "b.wav").channels, ReadWav(mDir / "a.wav").channels);

    // A loaded program keeps its name when it is saved again; --set changes one value of it.
    ASSERT_EQ(Render("--load-fxp warm.fxp --set Model=0 --save-fxp cold.fxp").status, 0);
    std::string expected = program;
    expected[56 + 6 * 4] = 0;
    expected[56 + 6 * 4 + 1] = 0;
    EXPECT_EQ(Slurp(mDir / "cold.fxp"), expected);
}

TEST_F(RenderEndToEnd, SaveProgramWithoutInAndOutRendersNothing)
{
    const RunResult run = Render("--save-fxp only.fxp --set Model=1");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("nothing rendered"), std::string::npos) << run.out;
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"only.fxp"});
    // Model 1 of 0 to 2 is at 0.5.
    EXPECT_EQ(Slurp(mDir / "only.fxp").substr(56 + 6 * 4), std::string("\x3F\0\0\0", 4));
}

TEST_F(RenderEndToEnd, UnusableProgramFilesExitWithStatusTwoAndWriteNothing)
{
    ASSERT_EQ(Render("--save-fxp good.fxp").status, 0);
    const std::string good = Slurp(mDir / "good.fxp");
    const auto write = [&](const char* name, std::string bytes)
    { std::ofstream(mDir / name, std::ios::binary) << bytes; };
    write("foreign.fxp", std::string(good).replace(16, 4, "Othr"));
    write("chunk.fxp", std::string(good).replace(8, 4, "FPCh"));
    write("short.fxp", good.substr(0, good.size() - 4));
    write("nan.fxp", std::string(good).replace(60, 4, "\x7F\xC0\0\0", 4));
    write("text.fxp", "not a program");
    struct Case
    {
        const char* file;
        const char* says;
    };
    for (const Case& c : {Case{"missing.fxp", "cannot read 'missing.fxp': No such file"},
                          Case{"foreign.fxp", "plug-in with ID 'Othr', not to VELTAR ('Vtr1')"},
                          Case{"chunk.fxp", "state chunk"},
                          Case{"short.fxp", "holds 6 values; VELTAR has 7 parameters"},
                          Case{"nan.fxp", "parameter 1 is not a number"},
                          Case{"text.fxp", "ends inside the 56-byte header"}})
    {
        const RunResult run = Render(
            std::string("--in in.wav --out out.wav --save-fxp again.fxp --load-fxp ") + c.file);
        EXPECT_EQ(run.status, 2) << c.file;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(mDir / "out.wav")) << c.file;
        EXPECT_FALSE(fs::exists(mDir / "again.fxp")) << c.file;
    }

    const RunResult unwritable = Render("--in in.wav --out out.wav --save-fxp no/such/p.fxp");
    EXPECT_EQ(unwritable.status, 2);
    EXPECT_NE(unwritable.err.find("cannot write 'no/such/p.fxp': No such file or directory"),
              std::string::npos)
        << unwritable.err;
    EXPECT_FALSE(fs::exists(mDir / "out.wav"));
}

TEST_F(RenderEndToEnd, TheInputIsNeverTheOutput)
{
    const std::string before = Slurp(mInput);
    fs::create_symlink("in.wav", mDir / "link.wav");
    for (const char* output : {"in.wav", "./in.wav", "link.wav"})
    {
        const RunResult run = Render(std::string("--in in.wav --out ") + output);
        EXPECT_EQ(run.status, 2) << output;
        EXPECT_NE(run.err.find("it is the input"), std::string::npos) << run.err;
    }
    const RunResult viaLink = Render("--in link.wav --out in.wav");
    EXPECT_EQ(viaLink.status, 2);
    EXPECT_EQ(Slurp(mInput), before);
    EXPECT_EQ(Leftovers(), std::vector<std::string>{"link.wav"});
}

TEST_F(RenderEndToEnd, PipesCarryWavBothWays)
{
    ASSERT_EQ(Render("-q --in in.wav --out file.wav --set Input=6").status, 0);
    const RunResult run = Run("cat in.wav | $R --in - --out - --set Input=6 > piped.wav");
    ASSERT_EQ(run.status, 0) << run.err;
    // The report goes to standard error when the audio takes standard output.
    EXPECT_NE(run.err.find("input:  standard input"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("output: standard output"), std::string::npos) << run.err;
    EXPECT_EQ(ReadWav(mDir / "piped.wav").channels, ReadWav(mDir / "file.wav").channels);

    // What /dev/stdout is, through a link of our own: written into, the link left alone.
    fs::create_symlink("/proc/self/fd/1", mDir / "stdout.wav");
    const RunResult link =
        Run("$R -q --in in.wav --out stdout.wav --set Input=6 | cat > linked.wav");
    ASSERT_EQ(link.status, 0) << link.err;
    EXPECT_TRUE(fs::is_symlink(mDir / "stdout.wav"));
    EXPECT_EQ(ReadWav(mDir / "linked.wav").channels, ReadWav(mDir / "file.wav").channels);
}

TEST_F(RenderEndToEnd, RendersStartSettledUnlessAskedNotTo)
{
    const double rate = 48000.0;
    WriteWav(mDir / "dc.wav", Channels(2, std::vector<double>(4800, 0.001)), rate);
    ASSERT_EQ(Render("-q --in dc.wav --out settled.wav").status, 0);
    const Audio settled = ReadWav(mDir / "settled.wav");
    ASSERT_EQ(settled.channels[0].size(), 4800u);
    // The settled gain from the first sample on, on both channels.
    for (const auto& channel : settled.channels)
    {
        EXPECT_NEAR(channel.front(), 0.0010225, 2e-7);
        EXPECT_NEAR(channel.front(), channel.back(), 1e-9);
    }

    // A freshly created plug-in fades in, the left channel one smoother step behind the right.
    ASSERT_EQ(Render("-q --in dc.wav --out fresh.wav --no-preroll").status, 0);
    const Audio fresh = ReadWav(mDir / "fresh.wav");
    EXPECT_NEAR(fresh.channels[0][0], 1.1041756e-12, 1e-18);
    EXPECT_NEAR(fresh.channels[1][0], 4.4177942e-12, 1e-18);
    EXPECT_NEAR(fresh.channels[0][2], 3.4765395e-11, 1e-17);
    EXPECT_NEAR(fresh.channels[1][2], 5.3656818e-11, 1e-17);
}

TEST_F(RenderEndToEnd, ProblemsOfTheInputAreReported)
{
    ASSERT_EQ(Render("-q --in in.wav --out cut.wav --bits 16").status, 0);
    fs::resize_file(mDir / "cut.wav", fs::file_size(mDir / "cut.wav") - 345 * 4);
    const RunResult cut = Render("-q --in cut.wav --out a.wav");
    EXPECT_EQ(cut.status, 0) << cut.err;
    EXPECT_EQ(cut.err, "veltar-render: warning: 'cut.wav' is cut short: its header announces "
                       "12345 frames, it holds 12000; rendered what it holds\n");

    Channels bad = TestSignal(2, 1000, kRate);
    bad[1][700] = std::nan("");
    bad[0][800] = INFINITY;
    bad[1][900] = -INFINITY;
    WriteWav(mDir / "bad.wav", bad, kRate);
    const RunResult nonFinite = Render("-q --in bad.wav --out b.wav");
    EXPECT_EQ(nonFinite.status, 0) << nonFinite.err;
    EXPECT_EQ(nonFinite.err, "veltar-render: warning: 'bad.wav' holds 3 NaN or infinite samples, "
                             "the first at frame 700; the plug-in renders them as silence\n");
    ExpectFinite(ReadWav(mDir / "b.wav"));

    WriteWav(mDir / "loud.wav", Channels(2, std::vector<double>(1000, 0.9)), kRate);
    const RunResult clipped = Render("-q --in loud.wav --out c.wav --bits 24 --set Output=12");
    EXPECT_EQ(clipped.status, 0) << clipped.err;
    EXPECT_EQ(clipped.err, "veltar-render: warning: 2000 samples clipped at full scale in the "
                           "24-bit WAV, dithered output; lower Output to avoid it\n");
    const RunResult peak = Render("--in loud.wav --out d.wav --set Output=12");
    EXPECT_NE(peak.err.find("note: the output peaks at +"), std::string::npos) << peak.err;
}

TEST_F(RenderEndToEnd, SoxAndFfmpegReadEveryFormatWithoutComplaint)
{
    if (std::system("command -v sox >/dev/null && command -v ffmpeg >/dev/null") != 0)
    {
        GTEST_SKIP() << "sox and ffmpeg are needed (scripts/install-deps.sh installs them)";
    }
    WriteWav(mDir / "mono.wav", TestSignal(1, 3000, 22050.0), 22050.0);
    for (const char* input : {"in.wav", "mono.wav"})
    {
        for (const char* output : {"a.wav --bits float", "a.wav --bits 16", "a.wav --bits 24",
                                   "a.wav --bits 32", "a.flac", "a.flac --bits 16", "a.ogg",
                                   "a.aiff", "a.aif --bits 24", "a.caf", "a.caf --bits 16"})
        {
            ASSERT_EQ(Render(std::string("-q --in ") + input + " --out " + output).status, 0);
            const std::string file = std::string(output).substr(0, std::string(output).find(' '));
            const RunResult sox = Run("sox " + file + " -n stat");
            EXPECT_EQ(sox.status, 0) << output;
            EXPECT_EQ(sox.err.find("WARN"), std::string::npos) << output << ": " << sox.err;
            EXPECT_NE(sox.err.find(std::string("Samples read:") + (input == std::string("in.wav")
                                                                       ? "             24690"
                                                                       : "              3000")),
                      std::string::npos)
                << output << ": " << sox.err;
            // ffmpeg guesses the duration of every PCM CAF file, its own too.
            const RunResult ffmpeg = Run("ffmpeg -nostdin -v warning -i " + file +
                                         " -f null - 2>&1 | grep -v 'from bitrate'");
            EXPECT_EQ(ffmpeg.out, "") << output;
            fs::remove(mDir / file);
        }
    }
}

TEST_F(RenderEndToEnd, OggQualityTradesSizeForFidelityAndIsRefusedElsewhere)
{
    if (std::system("command -v sox >/dev/null") != 0)
    {
        GTEST_SKIP() << "sox is needed (scripts/install-deps.sh installs it)";
    }
    // Five seconds, so that the encoded audio outweighs the Vorbis headers. The encoder's
    // default is quality 4: the option given as 4 changes nothing.
    WriteWav(mDir / "long.wav", TestSignal(2, 5 * 44100, kRate), kRate);
    for (const char* output :
         {"low.ogg --quality 0", "high.ogg --quality 10", "default.ogg", "four.ogg --quality 4"})
    {
        ASSERT_EQ(Render(std::string("-q --in long.wav --out ") + output).status, 0) << output;
    }
    EXPECT_GT(fs::file_size(mDir / "high.ogg"), 2 * fs::file_size(mDir / "low.ogg"));
    EXPECT_EQ(fs::file_size(mDir / "default.ogg"), fs::file_size(mDir / "four.ogg"));
    for (const char* file : {"low.ogg", "high.ogg"})
    {
        const RunResult sox = Run(std::string("sox ") + file + " -n stat");
        EXPECT_EQ(sox.status, 0) << file;
        EXPECT_EQ(sox.err.find("WARN"), std::string::npos) << file << ": " << sox.err;
        EXPECT_NE(sox.err.find("Samples read:            441000"), std::string::npos)
            << file << ": " << sox.err;
    }

    for (const char* output : {"out.wav", "out.flac", "out --format caf"})
    {
        const RunResult refused = Render(std::string("--in in.wav --quality 6 --out ") + output);
        EXPECT_EQ(refused.status, 2) << output;
        EXPECT_NE(refused.err.find("veltar-render: --quality applies to Ogg Vorbis only"),
                  std::string::npos)
            << refused.err;
        EXPECT_FALSE(
            fs::exists(mDir / std::string(output).substr(0, std::string(output).find(' '))))
            << output;
    }
}

TEST_F(RenderEndToEnd, SwitchesTakeThePanelsNames)
{
    ASSERT_EQ(Render("-q --in in.wav --out n.wav --set Model=QUAD --set Transformer=in "
                     "--set bus=OUT --set Bypass=off")
                  .status,
              0);
    ASSERT_EQ(Render("-q --in in.wav --out v.wav --set Model=1 --set Transformer=0 --set Bus=1 "
                     "--set Bypass=0")
                  .status,
              0);
    EXPECT_EQ(ReadWav(mDir / "n.wav").channels, ReadWav(mDir / "v.wav").channels);

    const RunResult preset = Render("--in in.wav --out p.wav --set Preset=1");
    EXPECT_EQ(preset.status, 2);
    EXPECT_NE(preset.err.find("Preset cannot be set from the command line"), std::string::npos)
        << preset.err;

    const RunResult bypass = Render("-q --save-fxp b.fxp --set Bypass=on");
    EXPECT_EQ(bypass.status, 0);
    EXPECT_EQ(bypass.err, "veltar-render: warning: Bypass is not part of a program; 'b.fxp' does "
                          "not keep it\n");
}

TEST_F(RenderEndToEnd, ConventionsOfACommandLineTool)
{
    const RunResult bare = Render("");
    EXPECT_EQ(bare.status, 2);
    EXPECT_EQ(bare.out, "");
    EXPECT_NE(bare.err.find("Usage: veltar-render"), std::string::npos);
    EXPECT_TRUE(Leftovers().empty());

    const RunResult version = Render("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("veltar-render 1."), std::string::npos) << version.out;
    EXPECT_NE(version.out.find("VELTAR 1."), std::string::npos) << version.out;

    const RunResult help = Render("-h");
    EXPECT_EQ(help.status, 0);
    for (const char* line : {"  Model        SRPP (0), QUAD (1), NK (2); default 0\n",
                             "  Input        0 to 24 dB; default 0 dB\n",
                             "  Bypass       off (0), on (1); default 0\n"})
    {
        EXPECT_NE(help.out.find(line), std::string::npos) << line;
    }

    const RunResult usage = Render("--frobnicate");
    EXPECT_EQ(usage.err, "veltar-render: unknown option --frobnicate\n"
                         "Try 'veltar-render --help' for more information.\n");
    // Problems with files are no usage errors: no hint.
    EXPECT_EQ(Render("--in missing.wav --out a.wav").err.find("--help"), std::string::npos);

    const RunResult quiet = Render("-q --in in.wav --out q.wav");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
    // Too short to time: no realtime factor; long enough: one.
    EXPECT_EQ(Render("--in in.wav --out r.wav").out.find("realtime"), std::string::npos);
    WriteWav(mDir / "long.wav", TestSignal(1, 12 * 8000, 8000.0), 8000.0);
    EXPECT_NE(Render("--in long.wav --out r.wav").out.find("x realtime"), std::string::npos);
}

TEST_F(RenderEndToEnd, BatchRendersEachFileLikeASingleRender)
{
    fs::create_directory(mDir / "done");
    WriteWav(mDir / "mono.wav", TestSignal(1, 3000, 22050.0), 22050.0);
    std::ofstream(mDir / "broken.wav") << "not audio";
    ASSERT_EQ(Render("-q --in in.wav --out single.wav --set Model=NK").status, 0);
    ASSERT_EQ(Render("-q --in mono.wav --out single-mono.wav --set Model=NK").status, 0);

    const RunResult batch =
        Render("--out-dir done -j 2 --set Model=NK in.wav broken.wav mono.wav missing.wav");
    EXPECT_EQ(batch.status, 2);
    EXPECT_NE(batch.out.find("in.wav -> done/in.wav: 32-bit float WAV"), std::string::npos)
        << batch.out;
    EXPECT_NE(batch.out.find("mono.wav -> done/mono.wav: 32-bit float WAV"), std::string::npos)
        << batch.out;
    EXPECT_NE(batch.out.find("broken.wav -> done/broken.wav: failed: cannot read"),
              std::string::npos)
        << batch.out;
    EXPECT_NE(batch.out.find("4 files, 2 rendered, 2 failed"), std::string::npos) << batch.out;
    EXPECT_NE(batch.err.find("cannot read 'missing.wav'"), std::string::npos) << batch.err;
    EXPECT_EQ(Slurp(mDir / "done" / "in.wav"), Slurp(mDir / "single.wav"));
    EXPECT_EQ(Slurp(mDir / "done" / "mono.wav"), Slurp(mDir / "single-mono.wav"));
    EXPECT_FALSE(fs::exists(mDir / "done" / "broken.wav"));

    const RunResult flac = Render("-q --out-dir done --format flac in.wav");
    EXPECT_EQ(flac.status, 0) << flac.err;
    EXPECT_TRUE(fs::exists(mDir / "done" / "in.flac"));

    // Two files of one name would overwrite each other: refused before any is rendered.
    fs::create_directory(mDir / "other");
    fs::copy_file(mInput, mDir / "other" / "in.wav");
    const RunResult clash = Render("--out-dir done in.wav other/in.wav");
    EXPECT_EQ(clash.status, 2);
    EXPECT_NE(clash.err.find("would both be written to 'done/in.wav'"), std::string::npos)
        << clash.err;
    EXPECT_EQ(Slurp(mDir / "done" / "in.wav"), Slurp(mDir / "single.wav"));
}
