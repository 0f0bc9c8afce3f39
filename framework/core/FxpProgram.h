#pragma once

// Reading and writing a program file (.fxp), the one implementation for the plug-in base and for
// host-side tools: which form a file holds, the values of the parameter form ("FxCk") and its
// bytes. Plain C++ on top of the byte layout, without dependencies, like it.

#include "framework/core/FxpLayout.h"

#include <vector>

namespace fxp
{

// What the 56-byte header of a file says it holds, by its magic numbers alone; the format
// version and the plug-in ID are for the caller to check.
enum class ProgramForm
{
    kCutShort,  // the data ends inside the header
    kNotFxFile, // it does not start with "CcnK"
    kBank,      // "FxBk" or "FBCh": a bank, not a program
    kChunk,     // "FPCh": a state block that only the plug-in reads
    kParams,    // "FxCk": one normalised position per parameter
    kUnknown,   // any other magic
};

// Reads the header at the reader's position, which then stands after it.
inline ProgramForm ReadProgramHeader(Reader& in, ProgramHeader& header)
{
    int32_t magic = 0;
    if (!in.ReadProgramHeader(header, magic))
        return ProgramForm::kCutShort;
    if (magic != kChunkMagic)
        return ProgramForm::kNotFxFile;
    switch (header.fxMagic)
    {
    case kBankMagic:
    case kBankChunkMagic:
        return ProgramForm::kBank;
    case kProgramChunkMagic:
        return ProgramForm::kChunk;
    case kProgramMagic:
        return ProgramForm::kParams;
    default:
        return ProgramForm::kUnknown;
    }
}

// The positions of the parameter form after its header: every whole value there is, up to
// maxCount. The count field is not examined (the plug-in base never has), so the caller decides
// how many it needs.
inline std::vector<float> ReadProgramValues(Reader& in, size_t maxCount)
{
    std::vector<float> values;
    float value = 0.0f;
    while (values.size() < maxCount && in.ReadFloat(value))
        values.push_back(value);
    return values;
}

// A file in the parameter form: the header (its count set to the number of values), then the
// values.
inline std::vector<unsigned char> EncodeParamProgram(ProgramHeader header,
                                                     const std::vector<float>& values)
{
    header.fxMagic = kProgramMagic;
    header.numParams = static_cast<int32_t>(values.size());
    std::vector<unsigned char> bytes(kProgramHeaderSize + kValueSize * values.size());
    EncodeProgramHeader(header, bytes.data());
    for (size_t i = 0; i < values.size(); ++i)
        PutFloat(bytes.data() + kProgramHeaderSize + kValueSize * i, values[i]);
    return bytes;
}

} // namespace fxp
