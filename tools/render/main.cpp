// veltar-render: renders audio files through the VELTAR VST 3 bundle, hosted as a DAW hosts it,
// or draws the plug-in's editor into a PNG file.
#include "Options.h"
#include "ParamSettings.h"
#include "ProgramFile.h"
#include "Render.h"
#include "Snapshot.h"
#include "Vst3Host.h"

#include "framework/graphics/IGraphics.h"
#include "raster/Raster.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace veltar_render;

namespace
{

constexpr const char* kBundleName = "VELTAR.vst3";

void RequestStop(int signal)
{
    gStopSignal = signal;
}

int UsageError(const std::string& why)
{
    PrintMessage(why);
    std::fprintf(stderr, "Try 'veltar-render --help' for more information.\n");
    return kFailure;
}

bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string FolderOfExecutable()
{
    std::vector<char> path(4096);
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
    {
        return ".";
    }
    const std::string exe(path.data(), static_cast<size_t>(length));
    return exe.substr(0, exe.find_last_of('/'));
}

// The bundle --plugin names; else one next to this program (beside it, in the build folder above
// tools/, or in lib/vst3 of the prefix it is installed in); else the first in the VST 3 folders
// of Linux, searched in a host's order.
std::string FindPlugin(const Options& options)
{
    if (!options.plugin.empty())
    {
        return options.plugin;
    }
    const std::string here = FolderOfExecutable();
    std::vector<std::string> candidates = {here + "/" + kBundleName, here + "/../" + kBundleName,
                                           here + "/../lib/vst3/" + kBundleName};
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    {
        candidates.push_back(std::string(home) + "/.vst3/" + kBundleName);
    }
    candidates.push_back(std::string("/usr/local/lib/vst3/") + kBundleName);
    candidates.push_back(std::string("/usr/lib/vst3/") + kBundleName);
    for (const std::string& candidate : candidates)
    {
        if (IsFolder(candidate))
        {
            char* resolved = realpath(candidate.c_str(), nullptr);
            const std::string found = resolved != nullptr ? resolved : candidate;
            std::free(resolved);
            return found;
        }
    }
    return kBundleName;
}

int ShowVersion(const Options& options)
{
    std::printf("veltar-render %s\n", VELTAR_VERSION);
    const std::string pluginPath = FindPlugin(options);
    Vst3Host host(kProgramName);
    if (!host.Load(pluginPath))
    {
        std::printf("no plug-in loaded: %s\n", host.GetError().c_str());
        return kSuccess;
    }
    std::printf("%s %s, from %s\n", host.GetPluginName().c_str(),
                host.GetVersion().empty() ? "(no version)" : host.GetVersion().c_str(),
                pluginPath.c_str());
    return kSuccess;
}

int ShowHelp(const Options& options)
{
    std::fputs(UsageText().c_str(), stdout);
    const std::string pluginPath = FindPlugin(options);
    Vst3Host host(kProgramName);
    if (!host.Load(pluginPath))
    {
        std::printf("\nThe parameters are listed here once a bundle is found: %s\n",
                    host.GetError().c_str());
        return kSuccess;
    }
    std::printf("\nParameters of %s (%s); a program sets all but Bypass:\n%s",
                host.GetPluginName().c_str(), pluginPath.c_str(),
                DescribeParameters(host.GetParameters()).c_str());
    std::printf("\nFactory presets (--preset NAME):\n%s", PresetListText().c_str());
    return kSuccess;
}

// The values a program and the settings give, as settings the snapshot's plug-in takes.
bool ProgramSettings(const Options& options, std::vector<Setting>& settings, std::string& error)
{
    const std::string pluginPath = FindPlugin(options);
    Vst3Host host(kProgramName);
    ProgramFile program;
    if (!host.Load(pluginPath))
    {
        error = host.GetError() + " (name a bundle with --plugin PATH)";
        return false;
    }
    if (!LoadProgramFile(options.loadFxp, program, error))
    {
        return false;
    }
    if (!ApplyProgram(host, program, error))
    {
        error = options.loadFxp + ": " + error;
        return false;
    }
    settings.clear();
    for (const HostParameter& parameter : host.GetParameters())
    {
        if (!parameter.isBypass && !parameter.isProgramChange)
        {
            char text[40];
            std::snprintf(text, sizeof text, "%.17g", host.GetParameter(parameter.id));
            settings.push_back({parameter.title, text});
        }
    }
    settings.insert(settings.end(), options.settings.begin(), options.settings.end());
    return true;
}

int Snapshot(const Options& options, std::FILE* report)
{
    const std::string pluginPath = FindPlugin(options);
    std::string resources;
    std::string error;
    std::vector<Setting> settings = options.settings;
    if (!options.loadFxp.empty() && !ProgramSettings(options, settings, error))
    {
        PrintMessage(error);
        return kFailure;
    }
    if (!FindBundleResources(pluginPath, resources, error))
    {
        PrintMessage(error + " (name a bundle with --plugin PATH)");
        return kFailure;
    }
    EditorSnapshot snapshot;
    if (!snapshot.Create(resources) || !snapshot.Apply(settings))
    {
        PrintMessage(snapshot.GetError());
        return kFailure;
    }
    if (options.scale != 0.0)
    {
        snapshot.GetGraphics()->SetScale(options.scale);
    }
    Raster_IBitmap* image = snapshot.Draw();
    if (gStopSignal != 0)
    {
        PrintMessage("interrupted; nothing written");
        return kFailure;
    }
    if (!WritePNGFile(options.snapshot, image, error))
    {
        PrintMessage(error);
        return kFailure;
    }
    if (report != nullptr)
    {
        std::fprintf(report, "editor drawn with the bitmaps of %s\n", pluginPath.c_str());
        std::fprintf(report, "parameters:");
        for (const HostParameter& parameter : snapshot.GetParameters())
        {
            std::fprintf(report, " %s=%s", parameter.title.c_str(),
                         FormatValue(snapshot.GetParameter(parameter.id)).c_str());
        }
        std::fprintf(report, "\nsnapshot: %s, %d x %d pixels\n", options.snapshot.c_str(),
                     image->getWidth(), image->getHeight());
    }
    return kSuccess;
}

// DIR/NAME with the extension of --format, else the input's.
std::string BatchOutputPath(const Options& options, const std::string& input)
{
    std::string name = input.substr(input.find_last_of('/') + 1);
    if (!options.format.empty())
    {
        const size_t dot = name.find_last_of('.');
        name = (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + "." +
               options.format;
    }
    return options.outDir + "/" + name;
}

// Renders every input into --out-dir, --jobs at a time, each in a process of its own with its own
// plug-in instance, so that one file's failure or crash leaves the others alone.
int RenderBatch(const Options& options, std::FILE* report)
{
    if (!IsFolder(options.outDir))
    {
        PrintMessage("cannot write into '" + options.outDir + "': not a folder");
        return kFailure;
    }
    std::vector<std::string> outputs;
    for (const std::string& input : options.inputs)
    {
        if (input == "-")
        {
            PrintMessage("standard input cannot be part of a batch; name the files");
            return kFailure;
        }
        outputs.push_back(BatchOutputPath(options, input));
        if (std::count(outputs.begin(), outputs.end(), outputs.back()) > 1)
        {
            PrintMessage("two of the files would both be written to '" + outputs.back() +
                         "'; render them into different folders");
            return kFailure;
        }
    }
    const std::string pluginPath = FindPlugin(options);
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const int jobs = options.jobs > 0 ? options.jobs : static_cast<int>(std::max(cores, 1L));
    size_t next = 0;
    int running = 0;
    int failed = 0;
    std::fflush(nullptr);
    while (next < options.inputs.size() || running > 0)
    {
        if (next < options.inputs.size() && running < jobs && gStopSignal == 0)
        {
            const std::string input = options.inputs[next++];
            const pid_t child = fork();
            if (child == 0)
            {
                std::string summary;
                const std::string output = BatchOutputPath(options, input);
                const int status = RenderFile(options, pluginPath, input, output, nullptr, summary);
                if (report != nullptr)
                {
                    // One write a line, so that lines of files rendered at once do not mix.
                    const std::string line = input + " -> " + output + ": " + summary + "\n";
                    std::fputs(line.c_str(), report);
                    std::fflush(report);
                }
                _exit(status);
            }
            if (child < 0)
            {
                PrintMessage("cannot start a render of '" + input + "'");
                ++failed;
                continue;
            }
            ++running;
            continue;
        }
        int status = 0;
        if (wait(&status) < 0)
        {
            break;
        }
        --running;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != kSuccess)
        {
            ++failed;
        }
    }
    if (report != nullptr)
    {
        std::fprintf(report, "%zu files, %zu rendered, %d failed (%s)\n", options.inputs.size(),
                     options.inputs.size() - static_cast<size_t>(failed), failed,
                     pluginPath.c_str());
    }
    return failed == 0 ? kSuccess : kFailure;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 1)
    {
        std::fputs(ShortUsageText().c_str(), stderr);
        return kFailure;
    }
    Options options;
    std::string error;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, error))
    {
        return UsageError(error);
    }
    if (options.help)
    {
        return ShowHelp(options);
    }
    if (options.version)
    {
        return ShowVersion(options);
    }
    if (options.listPresets)
    {
        std::fputs(PresetListText().c_str(), stdout);
        return kSuccess;
    }
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
    {
        std::signal(signal, RequestStop);
    }
    // Audio on standard output leaves the report to standard error.
    std::FILE* report = options.quiet ? nullptr : options.output == "-" ? stderr : stdout;
    std::string summary;
    const int status =
        !options.snapshot.empty()   ? Snapshot(options, report)
        : OnlySavesProgram(options) ? SaveProgramOnly(options, FindPlugin(options), report)
        : !options.outDir.empty()
            ? RenderBatch(options, report)
            : RenderFile(options, FindPlugin(options), options.input,
                         options.output.empty() ? kDemoOutput : options.output, report, summary);
    if (gStopSignal != 0)
    {
        // End the way an interrupted program does, so that shells and scripts see the signal.
        std::signal(gStopSignal, SIG_DFL);
        std::raise(gStopSignal);
    }
    return status;
}
