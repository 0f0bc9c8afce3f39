#pragma once

#include <string>
#include <vector>

namespace veltar_render
{

// One --set NAME=VALUE: a parameter title and its value as typed, a number in the parameter's own
// units or one of its value names. A preset's values name their parameter by its ID instead.
struct Setting
{
    std::string name;
    std::string text;
    int paramId = -1; // when not negative, the parameter's ID, and name is not looked at
};

struct Options
{
    std::string plugin; // empty: searched next to the program, then in the VST 3 folders
    std::string input;  // a file, or "-" for standard input
    std::string output; // a file, a device or FIFO, or "-" for standard output
    std::string outDir; // batch: each of inputs goes to this folder under its own name
    std::vector<std::string> inputs;
    std::string snapshot; // non-empty: draw the editor into this PNG file instead of rendering
    std::string loadFxp;  // program file applied before the settings
    std::string preset;   // factory preset whose values come before the settings
    std::string saveFxp;  // program file written with the settings of the render
    std::string format;   // empty: from the output's extension
    std::string bits;     // empty: the format's default
    std::vector<Setting> settings;
    double scale = 0.0; // --scale for --snapshot: the factor the editor is drawn at (0: not given)
    double quality = -1.0; // Ogg Vorbis, 0 to 10 as sox counts it (negative: the encoder's default)
    int blockFrames = 512;
    int oversample = 1; // the factor the plug-in runs at while rendering
    int jobs = 0;       // 0: one a core
    bool doublePrecision = false;
    bool preroll = true;
    bool dither = true;
    bool demo = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
    bool listPresets = false;
};

constexpr const char* kDemoOutput = "veltar-demo.wav";
constexpr int kMaxBlockFrames = 65536;
constexpr int kMaxJobs = 256;
// Beyond any factor a plug-in offers; which ones it does, the plug-in says.
constexpr int kMaxOversample = 64;

// Parses the arguments after the program name. Answers false with a one-line reason in error.
// Every long option that takes a value accepts it as the next argument or after '='.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// --save-fxp with nothing to render only writes the program file.
bool OnlySavesProgram(const Options& options);

// The few lines a bare invocation shows, and the whole help text; the parameters' lines are
// appended by the caller, who knows the plug-in.
std::string ShortUsageText();
std::string UsageText();
// The factory presets with their descriptions, one a line.
std::string PresetListText();

} // namespace veltar_render
