#pragma once

#include "Options.h"
#include "SignalStats.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

namespace veltar_render
{

// The name the renderer gives itself, in messages and to the plug-in it hosts.
constexpr const char* kProgramName = "veltar-render";

constexpr int kSuccess = 0;
// The output was written but holds samples no audio file should: worth a look, not a success.
constexpr int kNonFiniteOutput = 1;
constexpr int kFailure = 2;

// The signal that asked the renderer to stop, 0 while none has. The render loop checks it between
// blocks, so that an interrupted render removes its temporary file before the process ends.
extern volatile std::sig_atomic_t gStopSignal;

// Frames of silence that bring the plug-in's smoothers from a fresh start to within 1e-9 of their
// targets at sampleRate.
int64_t PrerollFrames(double sampleRate);

// The warnings about an input that do not stop its render, as lines for PrintMessage: a file that
// holds fewer frames than its header announces (announcedFrames, 0 when it announces none), and
// samples that are not numbers, as input counted them over the whole file.
std::vector<std::string> InputWarnings(const std::string& inputName, int64_t announcedFrames,
                                       const SignalStats& input);

// Prints "veltar-render: " and the message on standard error.
void PrintMessage(const std::string& message);

// One render: inputPath (empty: the demo signal) through the plug-in at pluginPath into
// outputPath, with the parameters, format and program files of options. The report goes to report
// (nullptr: none); warnings and errors go to standard error. summary gets one line about the
// result for a batch. Answers the exit status.
int RenderFile(const Options& options, const std::string& pluginPath, const std::string& inputPath,
               const std::string& outputPath, std::FILE* report, std::string& summary);

// --save-fxp with nothing to render.
int SaveProgramOnly(const Options& options, const std::string& pluginPath, std::FILE* report);

} // namespace veltar_render
