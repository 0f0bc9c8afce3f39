#include "Options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace veltar_render
{
namespace
{

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
    {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(value);
}

bool ParseBlock(const std::string& text, int& frames, std::string& error)
{
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > kMaxBlockFrames)
    {
        error = "--block wants a whole number of frames from 1 to " +
                std::to_string(kMaxBlockFrames) + ", not '" + text + "'";
        return false;
    }
    frames = static_cast<int>(value);
    return true;
}

bool ParseScale(const std::string& text, double& scale, std::string& error)
{
    if (!ParseNumber(text, scale) || scale < 1.0 || scale > 4.0)
    {
        error = "--scale wants a factor from 1 to 4, not '" + text + "'";
        return false;
    }
    return true;
}

bool ParseSetting(const std::string& text, Setting& setting, std::string& error)
{
    const size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
    {
        error = "--set wants NAME=VALUE, not '" + text + "'";
        return false;
    }
    setting.name = text.substr(0, equals);
    const std::string value = text.substr(equals + 1);
    if (!ParseNumber(value, setting.value))
    {
        error = "--set " + setting.name + " wants a number, not '" + value + "'";
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
    for (size_t i = 0; i < args.size(); ++i)
    {
        std::string name = args[i];
        std::string value;
        bool hasInlineValue = false;
        if (name.rfind("--", 0) == 0)
        {
            const size_t equals = name.find('=');
            if (equals != std::string::npos)
            {
                value = name.substr(equals + 1);
                name.resize(equals);
                hasInlineValue = true;
            }
        }

        if (name == "--help" || name == "-h" || name == "--double")
        {
            if (hasInlineValue)
            {
                error = name + " takes no value";
                return false;
            }
            (name == "--double" ? options.doublePrecision : options.help) = true;
            if (name == "--double" && renderOnly.empty())
            {
                renderOnly = name;
            }
            continue;
        }
        if (name != "--plugin" && name != "--in" && name != "--out" && name != "--set" &&
            name != "--block" && name != "--snapshot" && name != "--load-fxp" &&
            name != "--save-fxp" && name != "--scale")
        {
            error = name.rfind("-", 0) == 0 ? "unknown option " + name
                                            : "unexpected argument '" + name + "'";
            return false;
        }
        if (!hasInlineValue)
        {
            if (i + 1 >= args.size())
            {
                error = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if ((name == "--in" || name == "--out" || name == "--block" || name == "--load-fxp" ||
             name == "--save-fxp") &&
            renderOnly.empty())
        {
            renderOnly = name;
        }
        if (name == "--set")
        {
            Setting setting;
            if (!ParseSetting(value, setting, error))
            {
                return false;
            }
            options.settings.push_back(setting);
        }
        else if (name == "--scale")
        {
            if (!ParseScale(value, options.scale, error))
            {
                return false;
            }
        }
        else if (name == "--block")
        {
            if (!ParseBlock(value, options.blockFrames, error))
            {
                return false;
            }
        }
        else if (value.empty())
        {
            error = name + " needs a non-empty value";
            return false;
        }
        else
        {
            (name == "--plugin"     ? options.plugin
             : name == "--in"       ? options.input
             : name == "--snapshot" ? options.snapshot
             : name == "--load-fxp" ? options.loadFxp
             : name == "--save-fxp" ? options.saveFxp
                                    : options.output) = value;
        }
    }
    if (!options.snapshot.empty() && !renderOnly.empty())
    {
        error = "--snapshot draws the editor and renders no audio; " + renderOnly +
                " does not go with it";
        return false;
    }
    if (options.scale != 0.0 && options.snapshot.empty())
    {
        error = "--scale goes with --snapshot";
        return false;
    }
    if (!options.input.empty() && options.output.empty())
    {
        error = "--in needs --out FILE to say where the result goes";
        return false;
    }
    return true;
}

bool OnlySavesProgram(const Options& options)
{
    return !options.saveFxp.empty() && options.input.empty() && options.output.empty();
}

std::string UsageText()
{
    return std::string(
               "Usage: veltar-render [--plugin PATH] [--in FILE] [--out FILE]\n"
               "                     [--load-fxp FILE] [--set NAME=VALUE ...] [--save-fxp FILE]\n"
               "                     [--block N] [--double] [--help]\n"
               "       veltar-render --save-fxp FILE [--load-fxp FILE] [--set NAME=VALUE ...]\n"
               "       veltar-render --snapshot FILE.png [--scale F] [--set NAME=VALUE ...]\n"
               "                     [--plugin PATH]\n"
               "\n"
               "Runs an audio file through the VELTAR VST 3 plug-in, hosted as a DAW hosts it,\n"
               "and writes the result as a 32-bit float WAV file at the input's sample rate\n"
               "and channel count. With --snapshot it renders no audio: it draws the plug-in's\n"
               "editor off screen, as a host shows it with those parameter values, and writes\n"
               "the 352 x 568 picture as a PNG file.\n"
               "\n"
               "  --plugin PATH     the VST 3 bundle (X.vst3) or its module file; default: the\n"
               "                    VELTAR.vst3 bundle built next to this program; for\n"
               "                    --snapshot, the bundle whose resources hold the bitmaps\n"
               "  --in FILE         the input: any file libsndfile reads, mono or stereo;\n"
               "                    without --in a built-in demo signal is rendered (a few\n"
               "                    seconds of a plucked chord and a drum thump, stereo, 48 kHz)\n"
               "  --out FILE        the output WAV file; required with --in; for the demo it\n"
               "                    defaults to ") +
           kDemoOutput +
           " in the current folder\n"
           "  --set NAME=VALUE  sets a parameter by its name (any case) to a value in its own\n"
           "                    units, e.g. Input=12 (dB), Output=-6 (dB), Low=0.7, High=0.3,\n"
           "                    Transformer=0, Bus=0, Model=1, Bypass=1 (the editor has no\n"
           "                    Bypass, so --snapshot does not take it); repeatable\n"
           "  --load-fxp FILE   applies a program file (.fxp, parameter form \"FxCk\", as\n"
           "                    the plug-in saves it) before the --set options, which then\n"
           "                    change single values of it; Bypass is not part of a program\n"
           "  --save-fxp FILE   writes the plug-in's parameter values, after --load-fxp and\n"
           "                    --set, as a program file (.fxp) once the render succeeded;\n"
           "                    without --in and --out it only writes the file and renders\n"
           "                    nothing. Programs hold single-precision positions, so a\n"
           "                    value comes back within about 1e-7 of its range\n"
           "  --block N         frames per processing block, 1 to " +
           std::to_string(kMaxBlockFrames) +
           " (default 512)\n"
           "  --double          hand the plug-in 64-bit samples instead of 32-bit\n"
           "  --snapshot FILE   draw the editor into FILE (PNG) instead of rendering; the\n"
           "                    plug-in object built into this program draws it, the\n"
           "                    bitmaps come from the bundle\n"
           "  --scale F         with --snapshot: draw the editor F times as large, 1 to 4\n"
           "                    (default 1), as a host with that content scale shows it\n"
           "  --help            shows this text\n"
           "\n"
           "Prints the peak and RMS level (dBFS) of each channel of input and output, the\n"
           "length, the sample rate and how much faster than real time the render ran.\n"
           "Exit status: 0 on success; 1 when the plug-in produced NaN or infinite samples\n"
           "(the file is kept for inspection); 2 on any error (nothing is written then).\n";
}

} // namespace veltar_render
