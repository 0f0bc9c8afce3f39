#include "Options.h"

#include "plugin/FactoryPresets.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace veltar_render
{
namespace
{

enum class Use
{
    Any,      // works in every mode
    Render,   // only when audio is rendered
    Snapshot, // only with --snapshot
};

struct OptionSpec
{
    const char* name;
    const char* shortName; // nullptr when there is none
    bool takesValue;
    Use use;
    // Stores the option in options; answers false with a reason for a value it cannot take.
    bool (*apply)(Options& options, const std::string& value, std::string& error);
};

bool ParseWhole(const std::string& text, long low, long high, long& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && errno == 0 && value >= low && value <= high;
}

// Written so that a value that is not a number fails the range test too.
bool ParseReal(const std::string& text, double low, double high, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && value >= low && value <= high;
}

bool SetText(std::string& field, const std::string& name, const std::string& value,
             std::string& error)
{
    if (value.empty())
    {
        error = name + " needs a non-empty value";
        return false;
    }
    field = value;
    return true;
}

#define VELTAR_TEXT_OPTION(NAME, FIELD)                                                            \
    [](Options& o, const std::string& v, std::string& e) { return SetText(o.FIELD, NAME, v, e); }
#define VELTAR_FLAG_OPTION(FIELD, VALUE)                                                           \
    [](Options& o, const std::string&, std::string&)                                               \
    {                                                                                              \
        o.FIELD = VALUE;                                                                           \
        return true;                                                                               \
    }

bool ApplySet(Options& options, const std::string& text, std::string& error)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == text.size())
    {
        error = "--set wants NAME=VALUE, not '" + text + "'";
        return false;
    }
    options.settings.push_back({text.substr(0, equals), text.substr(equals + 1)});
    return true;
}

bool ApplyPreset(Options& options, const std::string& text, std::string& error)
{
    const FactoryPreset* preset = FindFactoryPreset(text.c_str());
    if (preset == nullptr)
    {
        std::string names;
        for (int i = 0; i < kNumFactoryPresets; ++i)
        {
            names += std::string(i == 0 ? "" : ", ") + kFactoryPresets[i].name;
        }
        error = "unknown preset '" + text + "'; the presets are: " + names;
        return false;
    }
    options.preset = preset->name;
    return true;
}

// The preset's values, as settings by parameter ID (the plug-in publishes its parameters under
// their indices), ahead of the --set options, which may change single values of it.
void PutPresetFirst(Options& options)
{
    const FactoryPreset* preset = FindFactoryPreset(options.preset.c_str());
    if (preset == nullptr)
    {
        return;
    }
    std::vector<Setting> settings;
    for (int i = 0; i < kNumParams; ++i)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", preset->values[i]);
        settings.push_back({preset->name, text, i});
    }
    options.settings.insert(options.settings.begin(), settings.begin(), settings.end());
}

bool ApplyBlock(Options& options, const std::string& text, std::string& error)
{
    long value = 0;
    if (!ParseWhole(text, 1, kMaxBlockFrames, value))
    {
        error = "--block wants a whole number of frames from 1 to " +
                std::to_string(kMaxBlockFrames) + ", not '" + text + "'";
        return false;
    }
    options.blockFrames = static_cast<int>(value);
    return true;
}

// Whether the plug-in offers the factor is the plug-in's to say; here only its form is checked.
bool ApplyOversample(Options& options, const std::string& text, std::string& error)
{
    long value = 0;
    if (!ParseWhole(text, 1, kMaxOversample, value) || (value & (value - 1)) != 0)
    {
        error = "--oversample wants a factor of 1, 2, 4 or 8, not '" + text + "'";
        return false;
    }
    options.oversample = static_cast<int>(value);
    return true;
}

bool ApplyJobs(Options& options, const std::string& text, std::string& error)
{
    long value = 0;
    if (!ParseWhole(text, 1, kMaxJobs, value))
    {
        error = "--jobs wants a whole number from 1 to " + std::to_string(kMaxJobs) + ", not '" +
                text + "'";
        return false;
    }
    options.jobs = static_cast<int>(value);
    return true;
}

bool ApplyBits(Options& options, const std::string& text, std::string& error)
{
    if (text != "16" && text != "24" && text != "32" && text != "float")
    {
        error = "--bits takes 16, 24, 32 or float, not '" + text + "'";
        return false;
    }
    options.bits = text;
    return true;
}

bool ApplyQuality(Options& options, const std::string& text, std::string& error)
{
    if (!ParseReal(text, 0.0, 10.0, options.quality))
    {
        error = "--quality wants a number from 0 to 10, not '" + text + "'";
        return false;
    }
    return true;
}

bool ApplyScale(Options& options, const std::string& text, std::string& error)
{
    if (!ParseReal(text, 1.0, 4.0, options.scale))
    {
        error = "--scale wants a factor from 1 to 4, not '" + text + "'";
        return false;
    }
    return true;
}

// Adding an option is one line here and a few in the help text.
const OptionSpec kOptions[] = {
    {"--plugin", nullptr, true, Use::Any, VELTAR_TEXT_OPTION("--plugin", plugin)},
    {"--in", nullptr, true, Use::Render, VELTAR_TEXT_OPTION("--in", input)},
    {"--out", "-o", true, Use::Render, VELTAR_TEXT_OPTION("--out", output)},
    {"--out-dir", nullptr, true, Use::Render, VELTAR_TEXT_OPTION("--out-dir", outDir)},
    {"--jobs", "-j", true, Use::Render, ApplyJobs},
    {"--format", nullptr, true, Use::Render, VELTAR_TEXT_OPTION("--format", format)},
    {"--bits", nullptr, true, Use::Render, ApplyBits},
    {"--quality", nullptr, true, Use::Render, ApplyQuality},
    {"--no-dither", nullptr, false, Use::Render, VELTAR_FLAG_OPTION(dither, false)},
    {"--no-preroll", nullptr, false, Use::Render, VELTAR_FLAG_OPTION(preroll, false)},
    {"--set", nullptr, true, Use::Any, ApplySet},
    {"--load-fxp", nullptr, true, Use::Any, VELTAR_TEXT_OPTION("--load-fxp", loadFxp)},
    {"--preset", nullptr, true, Use::Any, ApplyPreset},
    {"--list-presets", nullptr, false, Use::Any, VELTAR_FLAG_OPTION(listPresets, true)},
    {"--save-fxp", nullptr, true, Use::Render, VELTAR_TEXT_OPTION("--save-fxp", saveFxp)},
    {"--block", nullptr, true, Use::Render, ApplyBlock},
    {"--oversample", nullptr, true, Use::Render, ApplyOversample},
    {"--double", nullptr, false, Use::Render, VELTAR_FLAG_OPTION(doublePrecision, true)},
    {"--demo", nullptr, false, Use::Render, VELTAR_FLAG_OPTION(demo, true)},
    {"--snapshot", nullptr, true, Use::Snapshot, VELTAR_TEXT_OPTION("--snapshot", snapshot)},
    {"--scale", nullptr, true, Use::Snapshot, ApplyScale},
    {"--quiet", "-q", false, Use::Any, VELTAR_FLAG_OPTION(quiet, true)},
    {"--version", nullptr, false, Use::Any, VELTAR_FLAG_OPTION(version, true)},
    {"--help", "-h", false, Use::Any, VELTAR_FLAG_OPTION(help, true)},
};

#undef VELTAR_TEXT_OPTION
#undef VELTAR_FLAG_OPTION

const OptionSpec* FindOption(const std::string& name)
{
    for (const OptionSpec& option : kOptions)
    {
        if (name == option.name || (option.shortName != nullptr && name == option.shortName))
        {
            return &option;
        }
    }
    return nullptr;
}

bool EndsWithPng(const std::string& path)
{
    if (path.size() < 4)
    {
        return false;
    }
    std::string end = path.substr(path.size() - 4);
    for (char& c : end)
    {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return end == ".png";
}

bool CheckCombination(const Options& options, const std::string& renderOnly, std::string& error)
{
    if (!options.preset.empty() && !options.loadFxp.empty())
    {
        error = "--preset and --load-fxp each set every parameter; give one of them";
        return false;
    }
    if (options.scale != 0.0 && options.snapshot.empty())
    {
        error = "--scale goes with --snapshot";
        return false;
    }
    if (!options.snapshot.empty())
    {
        if (!renderOnly.empty())
        {
            error = "--snapshot draws the editor and renders no audio; " + renderOnly +
                    " does not go with it";
            return false;
        }
        if (!EndsWithPng(options.snapshot))
        {
            error =
                "--snapshot writes a PNG picture; name it FILE.png, not '" + options.snapshot + "'";
            return false;
        }
        return true;
    }
    if (!options.outDir.empty() || !options.inputs.empty())
    {
        if (options.outDir.empty())
        {
            error = "unexpected argument '" + options.inputs.front() +
                    "'; name the input with --in, or give --out-dir DIR to render several files";
            return false;
        }
        if (options.inputs.empty())
        {
            error = "--out-dir needs the files to render after the options";
            return false;
        }
        if (!options.input.empty() || !options.output.empty() || options.demo)
        {
            error = "--out-dir renders the files named after the options; it does not go with "
                    "--in, --out or --demo";
            return false;
        }
        return true;
    }
    if (options.demo && !options.input.empty())
    {
        error = "--demo renders the built-in signal; it does not go with --in";
        return false;
    }
    if (!options.input.empty() && options.output.empty())
    {
        error = "--in needs --out FILE to say where the result goes";
        return false;
    }
    if (!options.output.empty() && options.input.empty() && !options.demo)
    {
        error = "--out needs --in FILE (or --demo) to say what to render";
        return false;
    }
    if (options.input.empty() && !options.demo && !OnlySavesProgram(options))
    {
        error = "nothing to render: give --in FILE --out FILE, --out-dir DIR FILE... or --demo";
        return false;
    }
    return true;
}

} // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error)
{
    options = Options();
    // The first option seen that only a render uses, to refuse it next to --snapshot.
    std::string renderOnly;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i)
    {
        std::string name = args[i];
        if (optionsEnded || name == "-" || name.empty() || name[0] != '-')
        {
            options.inputs.push_back(name);
            continue;
        }
        if (name == "--")
        {
            optionsEnded = true;
            continue;
        }
        std::string value;
        bool hasInlineValue = false;
        const size_t equals = name.find('=');
        if (name.rfind("--", 0) == 0 && equals != std::string::npos)
        {
            value = name.substr(equals + 1);
            name.resize(equals);
            hasInlineValue = true;
        }
        const OptionSpec* option = FindOption(name);
        if (option == nullptr)
        {
            error = "unknown option " + name;
            return false;
        }
        if (!option->takesValue && hasInlineValue)
        {
            error = name + " takes no value";
            return false;
        }
        if (option->takesValue && !hasInlineValue)
        {
            if (i + 1 >= args.size())
            {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (option->use == Use::Render && renderOnly.empty())
        {
            renderOnly = option->name;
        }
        if (!option->apply(options, value, error))
        {
            return false;
        }
    }
    if (options.help || options.version || options.listPresets)
    {
        return true;
    }
    if (!CheckCombination(options, renderOnly, error))
    {
        return false;
    }
    PutPresetFirst(options);
    return true;
}

bool OnlySavesProgram(const Options& options)
{
    return !options.saveFxp.empty() && options.input.empty() && options.output.empty() &&
           options.outDir.empty() && !options.demo;
}

std::string ShortUsageText()
{
    return "Usage: veltar-render [OPTIONS] --in FILE --out FILE\n"
           "       veltar-render [OPTIONS] --out-dir DIR FILE...\n"
           "       veltar-render --demo [--out FILE]\n"
           "       veltar-render --snapshot FILE.png [--scale F] [--load-fxp FILE]\n"
           "                     [--set NAME=VALUE ...]\n"
           "Try 'veltar-render --help' for more information.\n";
}

std::string UsageText()
{
    return "Usage: veltar-render [OPTIONS] --in FILE --out FILE\n"
           "       veltar-render [OPTIONS] --out-dir DIR FILE...\n"
           "       veltar-render --demo [--out FILE]\n"
           "       veltar-render --save-fxp FILE [--load-fxp FILE] [--set NAME=VALUE ...]\n"
           "       veltar-render --snapshot FILE.png [--scale F] [--load-fxp FILE]\n"
           "                     [--set NAME=VALUE ...]\n"
           "       veltar-render --list-presets\n"
           "\n"
           "Runs audio files through the VELTAR VST 3 plug-in, hosted as a DAW hosts it. The\n"
           "output has the input's sample rate, channel count (mono or stereo) and length.\n"
           "Before the first sample the plug-in runs on silence until its gain and tone\n"
           "smoothers have settled, so that files do not fade in.\n"
           "\n"
           "  --in FILE         the input, any file libsndfile reads; '-' reads WAV or another\n"
           "                    self-describing format from standard input\n"
           "  -o, --out FILE    the output; '-' writes to standard output. A device or FIFO is\n"
           "                    written into, never replaced; an existing file is replaced only\n"
           "                    once the render succeeded, keeps its permissions, and must not\n"
           "                    be the input or read-only\n"
           "  --out-dir DIR     renders each FILE given after the options into DIR under its\n"
           "                    own name (the extension of --format, else the input's)\n"
           "  -j, --jobs N      files rendered at once with --out-dir, one plug-in each\n"
           "                    (default: the number of cores)\n"
           "  --format NAME     wav, flac, ogg, aiff or caf; default: from the output's\n"
           "                    extension (.wav .flac .ogg .aif .aiff .caf; none: WAV)\n"
           "  --bits B          16, 24, 32 or float; default: float for WAV, AIFF and CAF,\n"
           "                    24 for FLAC (16 or 24 only); Ogg Vorbis takes none\n"
           "  --quality Q       Ogg Vorbis only: 0 (smallest) to 10 (best), fractions allowed,\n"
           "                    as sox's -C counts it; default 4\n"
           "  --no-dither       round 16 and 24-bit output without the default triangular\n"
           "                    dither; clipped samples are counted either way\n"
           "  --no-preroll      start from a freshly created plug-in, as a host's first block\n"
           "                    does: the gains and tone controls fade in over about a second\n"
           "  --set NAME=VALUE  sets a parameter by its name (any case) to a number in its own\n"
           "                    units or to one of its value names; repeatable; see below\n"
           "  --preset NAME     starts from a factory preset (name in any case, '-' for a\n"
           "                    space), before the --set options\n"
           "  --list-presets    lists the factory presets with what each is for\n"
           "  --load-fxp FILE   applies a program file (.fxp, as the plug-in saves it) before\n"
           "                    the --set options; Bypass is not part of a program\n"
           "  --save-fxp FILE   writes the parameter values after --load-fxp and --set as a\n"
           "                    program file once the render succeeded; alone, it only writes\n"
           "                    the file\n"
           "  --demo            renders a built-in demo signal (a few seconds of a plucked chord\n"
           "                    and a drum thump, stereo, 48 kHz); default output: " +
           std::string(kDemoOutput) +
           "\n"
           "  --snapshot FILE   draws the editor with those values into FILE (PNG) instead\n"
           "  --scale F         with --snapshot: draws the editor F times as large, 1 to 4\n"
           "                    (default 1), as a host with that content scale shows it\n"
           "  --plugin PATH     the VST 3 bundle (X.vst3) or its module file; default: the\n"
           "                    VELTAR.vst3 next to this program, else in ~/.vst3,\n"
           "                    /usr/local/lib/vst3 or /usr/lib/vst3\n"
           "  --block N         frames per processing block, 1 to " +
           std::to_string(kMaxBlockFrames) +
           " (default 512)\n"
           "  --double          hands the plug-in 64-bit samples instead of 32-bit\n"
           "  --oversample N    runs the plug-in's signal chain at N times the file's rate,\n"
           "                    N = 1 (default), 2, 4 or 8: fewer aliases from a driven\n"
           "                    chain, N times the work; the output stays aligned with the\n"
           "                    input, the filters' delay compensated\n"
           "  -q, --quiet       prints warnings and errors only\n"
           "  --version         shows the renderer's and the plug-in's versions\n"
           "  -h, --help        shows this text\n"
           "\n"
           "Prints the peak and RMS level of each channel of input and output and how much\n"
           "faster than real time the render ran; warns about cut-short input files, NaN or\n"
           "infinite input samples and clipped output samples.\n"
           "Exit status: 0 on success; 1 when the plug-in produced NaN or infinite samples\n"
           "(the file is kept for inspection); 2 on any error (nothing is written then).\n";
}

std::string PresetListText()
{
    size_t width = 0;
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        width = std::max(width, std::string(kFactoryPresets[i].name).size());
    }
    std::string text;
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        std::string line = std::string("  ") + kFactoryPresets[i].name;
        line.resize(width + 4, ' ');
        text += line + kFactoryPresets[i].description + "\n";
    }
    return text;
}

} // namespace veltar_render
