#include "Render.h"

#include "AudioFileReader.h"
#include "AudioFileWriter.h"
#include "DemoSignal.h"
#include "Oversample.h"
#include "ParamSettings.h"
#include "PendingFile.h"
#include "ProgramFile.h"
#include "Progress.h"
#include "SignalStats.h"
#include "Vst3Host.h"

#include "Coeffs/ParamSmoother.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <unistd.h>
#include <vector>

namespace veltar_render
{

volatile std::sig_atomic_t gStopSignal = 0;

namespace
{

// Renders shorter than this finish before a progress bar would be of use.
constexpr double kProgressSeconds = 10.0;
constexpr int kChunkFrames = 16384;
// Inputs shorter than this render in a few milliseconds, too short to time: the start-up and the
// pre-roll would make up most of the figure.
constexpr double kMinTimedSeconds = 10.0;
// The settled start runs the plug-in until its gain and tone smoothers are within this share of
// their targets.
constexpr double kSettledShare = 1e-9;

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

void PrintLevels(std::FILE* report, const SignalStats& stats)
{
    static const char* const kStereoNames[] = {"left ", "right"};
    for (int c = 0; c < stats.GetChannelCount(); ++c)
    {
        const char* name = stats.GetChannelCount() == 1 ? "mono " : kStereoNames[c];
        std::fprintf(report, "  %s  peak %s dBFS   RMS %s dBFS\n", name,
                     DbText(stats.GetPeak(c)).c_str(), DbText(stats.GetRms(c)).c_str());
    }
}

double Peak(const SignalStats& stats)
{
    double peak = 0.0;
    for (int c = 0; c < stats.GetChannelCount(); ++c)
    {
        peak = std::max(peak, stats.GetPeak(c));
    }
    return peak;
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

// Streams the source through the plug-in into the writer, block by block, after running the
// plug-in on silence for preroll frames whose output is dropped. The first latency frames the
// plug-in puts out answer the silence before the input: they are dropped too, and as many frames
// of silence after the input bring its end out, so that the output lines up with the input.
template <typename Sample>
bool RenderBlocks(SignalSource& source, Vst3Host& host, AudioFileWriter& writer, int block,
                  int64_t preroll, int64_t latency, ProgressBar& progress, RenderResult& result,
                  std::string& error)
{
    const int channels = source.GetChannelCount();
    // Files are read and written in chunks of whole blocks: one system call per block would
    // cost more than the plug-in's work on it.
    const int chunk = block * std::max(1, kChunkFrames / block);
    BlockBuffers<Sample> input(channels, chunk);
    BlockBuffers<Sample> output(channels, chunk);
    std::vector<const Sample*> blockInputs(static_cast<size_t>(channels));
    std::vector<Sample*> blockOutputs(static_cast<size_t>(channels));
    // Runs frames of the chunk buffers through the plug-in in blocks.
    const auto process = [&](int64_t frames)
    {
        for (int64_t at = 0; at < frames; at += block)
        {
            for (int c = 0; c < channels; ++c)
            {
                blockInputs[static_cast<size_t>(c)] = input.pointers[static_cast<size_t>(c)] + at;
                blockOutputs[static_cast<size_t>(c)] = output.pointers[static_cast<size_t>(c)] + at;
            }
            if (!host.Process(blockInputs.data(), blockOutputs.data(),
                              static_cast<int>(std::min<int64_t>(block, frames - at))))
            {
                error = host.GetError();
                return false;
            }
        }
        return true;
    };
    std::vector<Sample*> kept(static_cast<size_t>(channels));
    int64_t toDrop = latency;
    // Writes the output of frames frames of the chunk, less what is still to be dropped.
    const auto emit = [&](int64_t frames)
    {
        const int64_t skip = std::min(toDrop, frames);
        toDrop -= skip;
        for (int c = 0; c < channels; ++c)
            kept[static_cast<size_t>(c)] = output.pointers[static_cast<size_t>(c)] + skip;
        result.output.Add(kept.data(), frames - skip);
        if (frames > skip && !writer.Write(kept.data(), frames - skip))
        {
            error = writer.GetError();
            return false;
        }
        return true;
    };
    const auto start = std::chrono::steady_clock::now();
    for (int64_t left = preroll; left > 0;)
    {
        const int64_t frames = std::min<int64_t>(left, chunk);
        if (!process(frames))
        {
            return false;
        }
        left -= frames;
    }
    int64_t done = 0;
    for (;;)
    {
        if (gStopSignal != 0)
        {
            error = "interrupted; nothing written";
            return false;
        }
        const int64_t frames = source.Read(input.pointers.data(), chunk);
        if (frames < 0)
        {
            error = source.GetError();
            return false;
        }
        if (frames == 0)
        {
            break;
        }
        result.input.Add(input.pointers.data(), frames);
        if (!process(frames) || !emit(frames))
        {
            return false;
        }
        done += frames;
        progress.Update(done);
    }
    for (int64_t left = latency; left > 0;)
    {
        const int64_t frames = std::min<int64_t>(left, chunk);
        for (auto& channel : input.data)
            std::fill(channel.begin(), channel.begin() + frames, Sample(0));
        if (!process(frames) || !emit(frames))
        {
            return false;
        }
        left -= frames;
    }
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
        const auto& parameters = host.GetParameters();
        const bool bypass = std::any_of(parameters.begin(), parameters.end(),
                                        [&](const HostParameter& parameter) {
                                            return parameter.id == setting.id && parameter.isBypass;
                                        });
        if (bypass && !options.saveFxp.empty())
        {
            PrintMessage("warning: " + setting.title + " is not part of a program; '" +
                         options.saveFxp + "' does not keep it");
        }
    }
    return options.saveFxp.empty() ||
           WriteProgramFile(programFile, options.saveFxp,
                            CaptureProgram(host, ProgramName(loaded.name, options.saveFxp)), error);
}

void PrintParameters(std::FILE* report, const Vst3Host& host, const std::string& pluginPath)
{
    std::fprintf(report, "%s hosted from %s\n", host.GetPluginName().c_str(), pluginPath.c_str());
    std::fprintf(report, "parameters:");
    for (const HostParameter& parameter : host.GetParameters())
    {
        if (!parameter.isProgramChange)
        {
            std::fprintf(report, " %s=%s", parameter.title.c_str(),
                         FormatValue(host.GetParameter(parameter.id)).c_str());
        }
    }
    std::fprintf(report, "\n");
}

bool CommitProgram(const Options& options, PendingFile& programFile, std::string& error)
{
    if (options.saveFxp.empty() || programFile.Commit())
    {
        return true;
    }
    error = programFile.GetError();
    return false;
}

int Fail(const std::string& why, std::string& summary)
{
    PrintMessage(why);
    summary = "failed: " + why;
    return kFailure;
}

// Warnings about the input and the output that do not stop the render.
void WarnAboutSignals(const std::string& inputName, const AudioFileReader* reader,
                      const RenderResult& result, const AudioFileWriter& writer,
                      const OutputFormat& format, std::FILE* report)
{
    for (const std::string& warning : InputWarnings(
             inputName, reader != nullptr ? reader->GetAnnouncedFrameCount() : 0, result.input))
        PrintMessage(warning);
    if (writer.GetClippedSamples() > 0)
    {
        PrintMessage("warning: " + std::to_string(writer.GetClippedSamples()) +
                     " samples clipped at full scale in the " + DescribeFormat(format) +
                     " output; lower Output to avoid it");
    }
    else if (report != nullptr && Peak(result.output) > 1.0)
    {
        char text[160];
        std::snprintf(text, sizeof text,
                      "note: the output peaks at %+.2f dBFS, above full scale; kept in the float "
                      "file, an integer format would clip it",
                      ToDbfs(Peak(result.output)));
        PrintMessage(text);
    }
}

} // namespace

std::vector<std::string> InputWarnings(const std::string& inputName, int64_t announcedFrames,
                                       const SignalStats& input)
{
    std::vector<std::string> warnings;
    const int64_t frames = input.GetFrames();
    if (announcedFrames > frames)
    {
        warnings.push_back("warning: " + inputName + " is cut short: its header announces " +
                           std::to_string(announcedFrames) + " frames, it holds " +
                           std::to_string(frames) + "; rendered what it holds");
    }
    if (input.HasNonFinite())
    {
        const int64_t count = input.GetNonFiniteCount();
        warnings.push_back("warning: " + inputName + " holds " + std::to_string(count) +
                           (count == 1 ? " NaN or infinite sample" : " NaN or infinite samples") +
                           ", the first at frame " +
                           std::to_string(input.GetFirstNonFiniteFrame()) +
                           "; the plug-in renders them as silence");
    }
    return warnings;
}

int64_t PrerollFrames(double sampleRate)
{
    return static_cast<int64_t>(
        std::ceil(ParamSmoother::SecondsToSettle(kSettledShare) * sampleRate));
}

void PrintMessage(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgramName, message.c_str());
}

int SaveProgramOnly(const Options& options, const std::string& pluginPath, std::FILE* report)
{
    Vst3Host host(kProgramName);
    PendingFile programFile;
    std::string error;
    std::string summary;
    if (!PreparePlugin(options, pluginPath, host, programFile, error) ||
        !CommitProgram(options, programFile, error))
    {
        return Fail(error, summary);
    }
    if (report != nullptr)
    {
        PrintParameters(report, host, pluginPath);
        std::fprintf(report, "program: %s (nothing rendered)\n", options.saveFxp.c_str());
    }
    return kSuccess;
}

int RenderFile(const Options& options, const std::string& pluginPath, const std::string& inputPath,
               const std::string& outputPath, std::FILE* report, std::string& summary)
{
    std::string error;
    OutputFormat format;
    if (!ChooseOutputFormat(outputPath, options.format, options.bits, format, error))
    {
        return Fail(error, summary);
    }
    format.dither = options.dither;
    if (options.quality >= 0.0 && format.sample != SampleFormat::Vorbis)
    {
        return Fail("--quality applies to Ogg Vorbis only, not to " + DescribeFormat(format) +
                        " ('" + outputPath + "'); --bits chooses the samples of other formats",
                    summary);
    }
    format.quality = options.quality;

    std::unique_ptr<SignalSource> source;
    AudioFileReader* reader = nullptr;
    std::string inputName;
    if (inputPath.empty())
    {
        source = std::make_unique<MemorySource>(MakeDemoSignal(), kDemoSampleRate);
        inputName = "built-in demo signal";
    }
    else
    {
        auto file = std::make_unique<AudioFileReader>();
        if (!file->Open(inputPath))
        {
            return Fail(file->GetError(), summary);
        }
        inputName = inputPath == "-" ? "standard input" : "'" + inputPath + "'";
        if (file->GetChannelCount() < 1 || file->GetChannelCount() > 2)
        {
            return Fail(inputName + " has " + std::to_string(file->GetChannelCount()) +
                            " channels; only mono and stereo files can be rendered",
                        summary);
        }
        reader = file.get();
        source = std::move(file);
    }
    if (!inputPath.empty() && inputPath != "-" && IsSameFile(inputPath, outputPath))
    {
        return Fail(CannotMessage("write", outputPath,
                                  (outputPath == inputPath ? std::string("it is the input")
                                                           : "it is the input " + inputName) +
                                      "; write the result to another file"),
                    summary);
    }
    const int channels = source->GetChannelCount();
    const double sampleRate = source->GetSampleRate();

    Vst3Host host(kProgramName);
    PendingFile programFile;
    if (!PreparePlugin(options, pluginPath, host, programFile, error) ||
        !SetOversampling(host, options.oversample, error))
    {
        return Fail(error, summary);
    }
    if (!host.Start(sampleRate, channels, options.blockFrames, options.doublePrecision))
    {
        return Fail(host.GetError(), summary);
    }
    const int64_t latency = host.GetLatencySamples();

    AudioFileWriter writer;
    if (!writer.Open(outputPath, channels, sampleRate, format))
    {
        return Fail(writer.GetError(), summary);
    }
    RenderResult result{SignalStats(channels), SignalStats(channels), 0.0};
    const int64_t total = source->GetFrameCount();
    ProgressBar progress(stderr,
                         report != nullptr && isatty(STDERR_FILENO) != 0 &&
                             static_cast<double>(total) > kProgressSeconds * sampleRate,
                         total, TerminalColumns(STDERR_FILENO));
    const int64_t preroll = options.preroll ? PrerollFrames(sampleRate) : 0;
    const bool rendered = options.doublePrecision
                              ? RenderBlocks<double>(*source, host, writer, options.blockFrames,
                                                     preroll, latency, progress, result, error)
                              : RenderBlocks<float>(*source, host, writer, options.blockFrames,
                                                    preroll, latency, progress, result, error);
    progress.Finish();
    if (!rendered)
    {
        return Fail(error, summary);
    }
    host.Stop();
    if (!writer.Commit())
    {
        return Fail(writer.GetError(), summary);
    }
    if (!CommitProgram(options, programFile, error))
    {
        return Fail(error, summary);
    }

    const int64_t frames = result.output.GetFrames();
    const double duration = static_cast<double>(frames) / sampleRate;
    const std::string outputName = outputPath == "-" ? "standard output" : outputPath;
    if (report != nullptr)
    {
        PrintParameters(report, host, pluginPath);
        std::fprintf(report, "input:  %s, %s, %.0f Hz, %lld frames (%.2f s)\n",
                     inputPath.empty()  ? inputName.c_str()
                     : inputPath == "-" ? "standard input"
                                        : inputPath.c_str(),
                     channels == 1 ? "mono" : "stereo", sampleRate, static_cast<long long>(frames),
                     duration);
        PrintLevels(report, result.input);
        std::fprintf(report, "output: %s, %s\n", outputName.c_str(),
                     DescribeFormat(format).c_str());
        PrintLevels(report, result.output);
        if (!options.saveFxp.empty())
        {
            std::fprintf(report, "program: %s\n", options.saveFxp.c_str());
        }
        std::fprintf(report, "rendered in %.3f s", result.seconds);
        if (duration >= kMinTimedSeconds && result.seconds > 0.0)
        {
            std::fprintf(report, ", %.1fx realtime", duration / result.seconds);
        }
        std::fprintf(report, " (%s samples, %d-frame blocks%s",
                     options.doublePrecision ? "64-bit" : "32-bit", options.blockFrames,
                     options.preroll ? "" : ", no pre-roll");
        if (options.oversample > 1)
        {
            std::fprintf(report, ", %dx oversampling, %lld frames of latency compensated",
                         options.oversample, static_cast<long long>(latency));
        }
        std::fprintf(report, ")\n");
    }
    WarnAboutSignals(inputName, reader, result, writer, format, report);

    char text[160];
    std::snprintf(text, sizeof text, "%s, %.2f s, peak %s dBFS, %.3f s",
                  DescribeFormat(format).c_str(), duration, DbText(Peak(result.output)).c_str(),
                  result.seconds);
    summary = text;
    if (result.output.HasNonFinite())
    {
        PrintMessage("warning: the plug-in produced NaN or infinite samples; they are left in " +
                     outputName);
        summary += ", NaN or infinite samples in the output";
        return kNonFiniteOutput;
    }
    return kSuccess;
}

} // namespace veltar_render
