// veltar-render: batch-processes audio through the VELTAR VST 3 bundle, hosted as a DAW hosts it,
// or draws the plug-in's editor into a PNG file.
#include "AudioFile.h"
#include "DemoSignal.h"
#include "Options.h"
#include "ParamSettings.h"
#include "PendingFile.h"
#include "ProgramFile.h"
#include "Progress.h"
#include "SignalStats.h"
#include "Snapshot.h"
#include "Vst3Host.h"

#include "framework/graphics/IGraphics.h"
#include "raster/Raster.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

using namespace veltar_render;

namespace
{

constexpr int kFailure = 2;
// The output was written but holds samples no audio file should: worth a look, not a success.
constexpr int kNonFiniteOutput = 1;
// Renders shorter than this finish before a progress bar would be of use.
constexpr double kProgressSeconds = 10.0;

// The signal that asked the renderer to stop, 0 while none has. The render loop checks it between
// blocks, so that an interrupted render removes its temporary file before the process ends.
volatile std::sig_atomic_t gStopSignal = 0;

void RequestStop(int signal)
{
    gStopSignal = signal;
}

int Fail(const std::string& why)
{
    std::fprintf(stderr, "veltar-render: %s\n", why.c_str());
    return kFailure;
}

// The build puts the renderer in <build>/tools and the bundle in <build>, so the default bundle
// is found from wherever the build tree lies.
std::string DefaultPluginPath()
{
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
    {
        return "VELTAR.vst3";
    }
    std::string exe(path.data(), static_cast<size_t>(length));
    std::string toolsDir = exe.substr(0, exe.find_last_of('/'));
    std::string buildDir = toolsDir.substr(0, toolsDir.find_last_of('/'));
    return buildDir + "/VELTAR.vst3";
}

std::string DbText(double level)
{
    const double db = ToDbfs(level);
    char text[32];
    if (std::isinf(db))
    {
        std::snprintf(text, sizeof text, "%7s", "-inf");
    }
    else
    {
        std::snprintf(text, sizeof text, "%7.2f", db);
    }
    return text;
}

void PrintLevels(const SignalStats& stats)
{
    static const char* const kStereoNames[] = {"left ", "right"};
    for (int c = 0; c < stats.GetChannelCount(); ++c)
    {
        const char* name = stats.GetChannelCount() == 1 ? "mono " : kStereoNames[c];
        std::printf("  %s  peak %s dBFS   RMS %s dBFS\n", name, DbText(stats.GetPeak(c)).c_str(),
                    DbText(stats.GetRms(c)).c_str());
    }
}

// Planar sample buffers for one block and the pointer arrays the host interfaces take.
template <typename Sample> struct BlockBuffers
{
    BlockBuffers(int channels, int frames)
        : data(static_cast<size_t>(channels), std::vector<Sample>(static_cast<size_t>(frames)))
    {
        for (auto& channel : data)
        {
            pointers.push_back(channel.data());
        }
    }
    std::vector<std::vector<Sample>> data;
    std::vector<Sample*> pointers;
};

struct RenderResult
{
    SignalStats input;
    SignalStats output;
    double seconds = 0.0;
};

// Streams the source through the plug-in into the writer, block by block.
bool RenderBlocks(SignalSource& source, Vst3Host& host, AudioFileWriter& writer,
                  const Options& options, RenderResult& result, std::string& error)
{
    const int channels = source.GetChannelCount();
    const int block = options.blockFrames;
    BlockBuffers<double> input(channels, block);
    BlockBuffers<double> output(channels, block);
    BlockBuffers<float> input32(channels, options.doublePrecision ? 0 : block);
    BlockBuffers<float> output32(channels, options.doublePrecision ? 0 : block);

    const int64_t total = source.GetFrameCount();
    ProgressBar progress(stderr,
                         isatty(STDERR_FILENO) != 0 &&
                             static_cast<double>(total) > kProgressSeconds * source.GetSampleRate(),
                         total);
    const auto start = std::chrono::steady_clock::now();
    int64_t done = 0;
    for (;;)
    {
        if (gStopSignal != 0)
        {
            progress.Finish();
            error = "interrupted; nothing written";
            return false;
        }
        const int64_t got = source.Read(input.pointers.data(), block);
        if (got < 0)
        {
            progress.Finish();
            error = source.GetError();
            return false;
        }
        if (got == 0)
        {
            break;
        }
        const int frames = static_cast<int>(got);
        result.input.Add(input.pointers.data(), frames);
        bool processed = false;
        if (options.doublePrecision)
        {
            processed = host.Process(input.pointers.data(), output.pointers.data(), frames);
        }
        else
        {
            for (int c = 0; c < channels; ++c)
            {
                std::copy_n(input.pointers[c], frames, input32.pointers[c]);
            }
            processed = host.Process(input32.pointers.data(), output32.pointers.data(), frames);
            for (int c = 0; c < channels; ++c)
            {
                std::copy_n(output32.pointers[c], frames, output.pointers[c]);
            }
        }
        if (!processed)
        {
            progress.Finish();
            error = host.GetError();
            return false;
        }
        result.output.Add(output.pointers.data(), frames);
        if (!writer.Write(output.pointers.data(), frames))
        {
            progress.Finish();
            error = writer.GetError();
            return false;
        }
        done += frames;
        progress.Update(done);
    }
    progress.Finish();
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return true;
}

// The name a saved program carries: the loaded program's, else the file's own name without
// folder and extension, as a host's preset browser would show it.
std::string ProgramName(const std::string& loadedName, const std::string& savePath)
{
    if (!loadedName.empty())
    {
        return loadedName;
    }
    std::string name = savePath.substr(savePath.find_last_of('/') + 1);
    const size_t dot = name.find_last_of('.');
    return dot == 0 || dot == std::string::npos ? name : name.substr(0, dot);
}

// Loads the plug-in and gives it its parameters: --load-fxp first, then --set, so that a setting
// changes one value of a loaded program. With --save-fxp the resulting values go into a pending
// program file, which the caller commits once everything else has succeeded.
bool PreparePlugin(const Options& options, const std::string& pluginPath, Vst3Host& host,
                   PendingFile& programFile, std::string& error)
{
    if (!host.Load(pluginPath))
    {
        error = host.GetError() + " (name a bundle with --plugin PATH)";
        return false;
    }
    ProgramFile loaded;
    if (!options.loadFxp.empty())
    {
        if (!LoadProgramFile(options.loadFxp, loaded, error))
        {
            return false;
        }
        if (!ApplyProgram(host, loaded, error))
        {
            error = options.loadFxp + ": " + error;
            return false;
        }
    }
    std::vector<ResolvedSetting> settings;
    if (!ResolveSettings(host.GetParameters(), options.settings, settings, error))
    {
        return false;
    }
    for (const ResolvedSetting& setting : settings)
    {
        host.SetParameter(setting.id, setting.value);
    }
    return options.saveFxp.empty() ||
           WriteProgramFile(programFile, options.saveFxp,
                            CaptureProgram(host, ProgramName(loaded.name, options.saveFxp)), error);
}

void PrintParameters(const Vst3Host& host, const std::string& pluginPath)
{
    std::printf("%s hosted from %s\n", host.GetPluginName().c_str(), pluginPath.c_str());
    std::printf("parameters:");
    for (const HostParameter& parameter : host.GetParameters())
    {
        std::printf(" %s=%s", parameter.title.c_str(),
                    FormatValue(host.GetParameter(parameter.id)).c_str());
    }
    std::printf("\n");
}

bool CommitProgram(const Options& options, PendingFile& programFile, std::string& error)
{
    if (options.saveFxp.empty())
    {
        return true;
    }
    if (!programFile.Commit())
    {
        error = "cannot write the program file " + options.saveFxp + ": " + programFile.GetError();
        return false;
    }
    return true;
}

int SaveProgramOnly(const Options& options)
{
    const std::string pluginPath = options.plugin.empty() ? DefaultPluginPath() : options.plugin;
    Vst3Host host;
    PendingFile programFile;
    std::string error;
    if (!PreparePlugin(options, pluginPath, host, programFile, error) ||
        !CommitProgram(options, programFile, error))
    {
        return Fail(error);
    }
    PrintParameters(host, pluginPath);
    std::printf("program: %s (nothing rendered)\n", options.saveFxp.c_str());
    return 0;
}

int Render(const Options& options)
{
    const std::string pluginPath = options.plugin.empty() ? DefaultPluginPath() : options.plugin;
    const std::string outputPath = options.output.empty() ? kDemoOutput : options.output;

    std::unique_ptr<SignalSource> source;
    std::string inputName;
    if (options.input.empty())
    {
        source = std::make_unique<MemorySource>(MakeDemoSignal(), kDemoSampleRate);
        inputName = "built-in demo signal";
    }
    else
    {
        auto reader = std::make_unique<AudioFileReader>();
        if (!reader->Open(options.input))
        {
            return Fail(reader->GetError());
        }
        if (reader->GetChannelCount() < 1 || reader->GetChannelCount() > 2)
        {
            return Fail(options.input + " has " + std::to_string(reader->GetChannelCount()) +
                        " channels; only mono and stereo files can be rendered");
        }
        source = std::move(reader);
        inputName = options.input;
    }
    const int channels = source->GetChannelCount();
    const double sampleRate = source->GetSampleRate();

    Vst3Host host;
    PendingFile programFile;
    std::string error;
    if (!PreparePlugin(options, pluginPath, host, programFile, error))
    {
        return Fail(error);
    }
    if (!host.Start(sampleRate, channels, options.blockFrames, options.doublePrecision))
    {
        return Fail(host.GetError());
    }

    AudioFileWriter writer;
    if (!writer.Open(outputPath, channels, sampleRate))
    {
        return Fail(writer.GetError());
    }
    RenderResult result{SignalStats(channels), SignalStats(channels), 0.0};
    if (!RenderBlocks(*source, host, writer, options, result, error))
    {
        return Fail(error);
    }
    host.Stop();
    if (!writer.Commit())
    {
        return Fail(writer.GetError());
    }
    if (!CommitProgram(options, programFile, error))
    {
        return Fail(error);
    }

    const int64_t frames = result.output.GetFrames();
    const double duration = static_cast<double>(frames) / sampleRate;
    PrintParameters(host, pluginPath);
    std::printf("input:  %s, %s, %.0f Hz, %lld frames (%.2f s)\n", inputName.c_str(),
                channels == 1 ? "mono" : "stereo", sampleRate, static_cast<long long>(frames),
                duration);
    PrintLevels(result.input);
    std::printf("output: %s, 32-bit float WAV\n", outputPath.c_str());
    PrintLevels(result.output);
    if (!options.saveFxp.empty())
    {
        std::printf("program: %s\n", options.saveFxp.c_str());
    }
    std::printf("rendered in %.3f s, %.1fx realtime (%s samples, %d-frame blocks)\n",
                result.seconds, duration / std::max(result.seconds, 1e-9),
                options.doublePrecision ? "64-bit" : "32-bit", options.blockFrames);
    if (result.output.HasNonFinite())
    {
        std::fprintf(stderr,
                     "veltar-render: warning: the plug-in produced NaN or infinite samples; "
                     "they are left in %s\n",
                     outputPath.c_str());
        return kNonFiniteOutput;
    }
    return 0;
}

int Snapshot(const Options& options)
{
    const std::string pluginPath = options.plugin.empty() ? DefaultPluginPath() : options.plugin;
    std::string resources;
    std::string error;
    if (!FindBundleResources(pluginPath, resources, error))
    {
        return Fail(error + " (name a bundle with --plugin PATH)");
    }
    EditorSnapshot snapshot;
    if (!snapshot.Create(resources) || !snapshot.Apply(options.settings))
    {
        return Fail(snapshot.GetError());
    }
    if (options.scale != 0.0)
    {
        snapshot.GetGraphics()->SetScale(options.scale);
    }
    Raster_IBitmap* image = snapshot.Draw();
    if (gStopSignal != 0)
    {
        return Fail("interrupted; nothing written");
    }
    if (!WritePNGFile(options.snapshot, image, error))
    {
        return Fail(error);
    }
    std::printf("editor drawn with the bitmaps of %s\n", pluginPath.c_str());
    std::printf("parameters:");
    for (const HostParameter& parameter : snapshot.GetParameters())
    {
        std::printf(" %s=%s", parameter.title.c_str(),
                    FormatValue(snapshot.GetParameter(parameter.id)).c_str());
    }
    std::printf("\nsnapshot: %s, %d x %d pixels\n", options.snapshot.c_str(), image->getWidth(),
                image->getHeight());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
    {
        Fail(error);
        std::fprintf(stderr, "Try 'veltar-render --help'.\n");
        return kFailure;
    }
    if (options.help)
    {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        std::signal(signal, RequestStop);
    }
    const int status = !options.snapshot.empty()   ? Snapshot(options)
                       : OnlySavesProgram(options) ? SaveProgramOnly(options)
                                                   : Render(options);
    if (gStopSignal != 0)
    {
        // End the way an interrupted program does, so that shells and scripts see the signal.
        std::signal(gStopSignal, SIG_DFL);
        std::raise(gStopSignal);
    }
    return status;
}
