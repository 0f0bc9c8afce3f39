#pragma once

#include <string>

namespace veltar_render
{

// How the samples of an output file are stored.
enum class SampleFormat
{
    Float,
    Int16,
    Int24,
    Int32,
    Vorbis,
};

struct OutputFormat
{
    std::string name = "wav";
    SampleFormat sample = SampleFormat::Float;
    // Reductions to 16 and 24 bits add triangular dither of one step, as mastering tools do.
    bool dither = true;
    // Ogg Vorbis only: 0 (smallest) to 10 (best), as sox counts it; negative: the encoder's
    // default.
    double quality = -1.0;
};

// The format for an output path: formatName if given, else the path's extension; bits ("16",
// "24", "32", "float" or empty for the format's default). A path without an extension, such as
// "-" or a device, gets WAV. Answers false with a message naming what is supported.
bool ChooseOutputFormat(const std::string& path, const std::string& formatName,
                        const std::string& bits, OutputFormat& format, std::string& error);

// The format names --format takes, for messages and the help text.
std::string SupportedFormatNames();
// "24-bit FLAC", "32-bit float WAV" and the like.
std::string DescribeFormat(const OutputFormat& format);

// libsndfile's code for a format ChooseOutputFormat gave: container and sample type.
int SndfileFormatOf(const OutputFormat& format);
// The width of an integer sample format; 32 for the others.
int BitsOf(SampleFormat sample);

} // namespace veltar_render
