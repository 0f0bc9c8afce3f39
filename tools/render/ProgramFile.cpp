#include "ProgramFile.h"

#include "framework/core/FxpProgram.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace veltar_render
{
namespace
{

// A four-character ID as its characters when they are printable, otherwise in hexadecimal.
std::string IdText(int32_t id)
{
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        const auto c = static_cast<unsigned char>(static_cast<uint32_t>(id) >> shift);
        if (!std::isprint(c))
        {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", static_cast<uint32_t>(id));
            return hex;
        }
        text += static_cast<char>(c);
    }
    return text + "'";
}

// Program files are a few hundred bytes; anything far larger is not one, and is not read whole.
constexpr long kMaxProgramFileSize = 1 << 20;

} // namespace

bool ParseProgramFile(const std::vector<uint8_t>& bytes, ProgramFile& program, std::string& error)
{
    fxp::Reader in(bytes.data(), bytes.size());
    fxp::ProgramHeader header;
    switch (fxp::ReadProgramHeader(in, header))
    {
    case fxp::ProgramForm::kCutShort:
        error = "is not a program file: it ends inside the 56-byte header";
        return false;
    case fxp::ProgramForm::kNotFxFile:
        error = "is not a program file: it does not start with \"CcnK\"";
        return false;
    case fxp::ProgramForm::kBank:
        error = "is a bank file (.fxb), not a program file (.fxp)";
        return false;
    case fxp::ProgramForm::kChunk:
        error = "holds the program as a state chunk (\"FPCh\"), which only plug-ins that keep "
                "their own state format read; this plug-in stores parameter values (\"FxCk\")";
        return false;
    case fxp::ProgramForm::kUnknown:
        error = "is not a program file: it is neither \"FxCk\" nor \"FPCh\"";
        return false;
    case fxp::ProgramForm::kParams:
        break;
    }
    if (header.formatVersion != fxp::kProgramFormatVersion)
    {
        error = "has format version " + std::to_string(header.formatVersion) +
                "; program files have version 1";
        return false;
    }
    program = ProgramFile();
    program.uniqueId = header.uniqueID;
    program.version = header.version;
    program.name = header.name;
    program.values = fxp::ReadProgramValues(in, bytes.size());
    return true;
}

std::vector<uint8_t> EncodeProgramFile(const ProgramFile& program)
{
    fxp::ProgramHeader header;
    header.uniqueID = program.uniqueId;
    header.version = program.version;
    header.SetName(program.name.c_str());
    return fxp::EncodeParamProgram(header, program.values);
}

bool LoadProgramFile(const std::string& path, ProgramFile& program, std::string& error)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
    {
        error = CannotMessage("read", path, std::strerror(errno));
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t piece[4096];
    size_t got = 0;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0 &&
           bytes.size() <= static_cast<size_t>(kMaxProgramFileSize))
    {
        bytes.insert(bytes.end(), piece, piece + got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
    {
        error = CannotMessage("read", path, "read error");
        return false;
    }
    if (bytes.size() > static_cast<size_t>(kMaxProgramFileSize))
    {
        error = path + " is not a program file: it is larger than 1 MiB";
        return false;
    }
    if (!ParseProgramFile(bytes, program, error))
    {
        error = path + " " + error;
        return false;
    }
    return true;
}

bool WriteProgramFile(PendingFile& file, const std::string& path, const ProgramFile& program,
                      std::string& error)
{
    const std::vector<uint8_t> bytes = EncodeProgramFile(program);
    if (!file.Open(path) || !file.Write(bytes.data(), bytes.size()))
    {
        error = file.GetError();
        return false;
    }
    return true;
}

std::vector<uint32_t> ProgramParameterIds(const std::vector<HostParameter>& parameters)
{
    std::vector<uint32_t> ids;
    for (bool found = true; found;)
    {
        found = false;
        for (const HostParameter& parameter : parameters)
        {
            if (parameter.id == ids.size())
            {
                ids.push_back(parameter.id);
                found = true;
                break;
            }
        }
    }
    return ids;
}

bool ApplyProgram(Vst3Host& host, const ProgramFile& program, std::string& error)
{
    if (program.uniqueId != host.GetUniqueId())
    {
        error = "the program belongs to the plug-in with ID " + IdText(program.uniqueId) +
                ", not to " + host.GetPluginName() + " (" + IdText(host.GetUniqueId()) + ")";
        return false;
    }
    const std::vector<uint32_t> ids = ProgramParameterIds(host.GetParameters());
    if (program.values.size() < ids.size())
    {
        const size_t held = program.values.size();
        error = "the program holds " + std::to_string(held) +
                (held == 1 ? " value; " : " values; ") + host.GetPluginName() + " has " +
                std::to_string(ids.size()) + " parameters";
        return false;
    }
    for (size_t i = 0; i < ids.size(); ++i)
    {
        if (!std::isfinite(program.values[i]))
        {
            error = "the program's value for parameter " + std::to_string(i) + " is not a number";
            return false;
        }
    }
    for (size_t i = 0; i < ids.size(); ++i)
    {
        host.SetParameterNormalized(ids[i], program.values[i]);
    }
    return true;
}

ProgramFile CaptureProgram(const Vst3Host& host, const std::string& name)
{
    ProgramFile program;
    program.uniqueId = host.GetUniqueId();
    program.version = host.GetDecimalVersion();
    program.name = name;
    for (uint32_t id : ProgramParameterIds(host.GetParameters()))
    {
        program.values.push_back(static_cast<float>(host.GetParameterNormalized(id)));
    }
    return program;
}

} // namespace veltar_render
