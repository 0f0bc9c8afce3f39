#pragma once

#include "PendingFile.h"
#include "Vst3Host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace veltar_render
{

using vst3host::HostParameter;
using vst3host::Vst3Host;

// A program file (.fxp) in its parameter form: one normalised position per plug-in parameter, in
// index order. The plug-in publishes its parameter i to VST 3 hosts under ID i with the same
// normalised position, so a host maps the file onto the hosted plug-in value by value, exactly as
// the plug-in's own loader does. The chunk form ("FPCh") holds a state block that only plug-ins
// keeping their own state format write and read; VELTAR is not one, so it is refused here as
// VELTAR's own loader refuses it.
struct ProgramFile
{
    int32_t uniqueId = 0;
    int32_t version = 0; // decimal form, 10100 for 1.1.0
    std::string name;    // at most 27 characters are stored
    std::vector<float> values;
};

// Reads a parameter-form program with the plug-in base's own reader: "CcnK", "FxCk", format
// version 1, then every whole value after the 56-byte header, whatever the count field says.
// Answers false with a reason.
bool ParseProgramFile(const std::vector<uint8_t>& bytes, ProgramFile& program, std::string& error);
std::vector<uint8_t> EncodeProgramFile(const ProgramFile& program);

// Reads and parses a file. Errors name the path.
bool LoadProgramFile(const std::string& path, ProgramFile& program, std::string& error);
// Writes the program into a pending file for path, which appears once the caller commits it, so
// a render that fails later leaves no program file behind.
bool WriteProgramFile(PendingFile& file, const std::string& path, const ProgramFile& program,
                      std::string& error);

// The plug-in's own parameters among the published ones: IDs 0, 1, 2, ... The host-side ones
// (Bypass, Preset) have four-character IDs and are not part of a program.
std::vector<uint32_t> ProgramParameterIds(const std::vector<HostParameter>& parameters);

// Checks that the program is the hosted plug-in's and holds a value for each of its parameters,
// then sets them. Nothing is set when the program is refused.
bool ApplyProgram(Vst3Host& host, const ProgramFile& program, std::string& error);
// The hosted plug-in's current parameter values as a program of that name.
ProgramFile CaptureProgram(const Vst3Host& host, const std::string& name);

} // namespace veltar_render
