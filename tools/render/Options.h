#pragma once

#include <string>
#include <vector>

namespace veltar_render
{

// One --set NAME=VALUE: a parameter title and a plain value in the parameter's own units.
struct Setting
{
    std::string name;
    double value = 0.0;
};

struct Options
{
    std::string plugin;   // empty: the bundle built next to the executable
    std::string input;    // empty: the built-in demo signal
    std::string output;   // empty: only allowed for the demo, which then writes kDemoOutput
    std::string snapshot; // non-empty: draw the editor into this PNG file instead of rendering
    std::string loadFxp;  // program file applied before the settings
    std::string saveFxp;  // program file written with the settings of the render
    std::vector<Setting> settings;
    double scale = 0.0; // --scale for --snapshot: the factor the editor is drawn at (0: not given)
    int blockFrames = 512;
    bool doublePrecision = false;
    bool help = false;
};

constexpr const char* kDemoOutput = "veltar-demo.wav";
constexpr int kMaxBlockFrames = 65536;

// Parses the arguments after the program name. Answers false with a one-line reason in error.
// Every option that takes a value accepts it as the next argument or after '='.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// --save-fxp without --in and --out only writes the program file.
bool OnlySavesProgram(const Options& options);

std::string UsageText();

} // namespace veltar_render
