#include "OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace veltar_render
{
namespace
{

struct FormatEntry
{
    const char* name;
    int major;
    const char* extensions[2];
    SampleFormat defaultSample;
};

constexpr FormatEntry kFormats[] = {
    // WAVE_FORMAT_EXTENSIBLE carries the channel mask, without which readers guess the layout,
    // and the extended format chunk that float samples call for.
    {"wav", SF_FORMAT_WAVEX, {"wav", nullptr}, SampleFormat::Float},
    {"flac", SF_FORMAT_FLAC, {"flac", nullptr}, SampleFormat::Int24},
    {"ogg", SF_FORMAT_OGG, {"ogg", "oga"}, SampleFormat::Vorbis},
    {"aiff", SF_FORMAT_AIFF, {"aiff", "aif"}, SampleFormat::Float},
    {"caf", SF_FORMAT_CAF, {"caf", nullptr}, SampleFormat::Float},
};

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

const FormatEntry* FindFormat(const std::string& name)
{
    for (const FormatEntry& entry : kFormats)
    {
        if (name == entry.name)
        {
            return &entry;
        }
        for (const char* extension : entry.extensions)
        {
            if (extension != nullptr && name == extension)
            {
                return &entry;
            }
        }
    }
    return nullptr;
}

int SubtypeOf(SampleFormat sample)
{
    switch (sample)
    {
    case SampleFormat::Int16:
        return SF_FORMAT_PCM_16;
    case SampleFormat::Int24:
        return SF_FORMAT_PCM_24;
    case SampleFormat::Int32:
        return SF_FORMAT_PCM_32;
    case SampleFormat::Vorbis:
        return SF_FORMAT_VORBIS;
    case SampleFormat::Float:
        break;
    }
    return SF_FORMAT_FLOAT;
}

} // namespace

bool ChooseOutputFormat(const std::string& path, const std::string& formatName,
                        const std::string& bits, OutputFormat& format, std::string& error)
{
    const FormatEntry* entry = nullptr;
    if (!formatName.empty())
    {
        entry = FindFormat(Lower(formatName));
        if (entry == nullptr)
        {
            error =
                "unknown format '" + formatName + "'; the formats are " + SupportedFormatNames();
            return false;
        }
    }
    else
    {
        const std::string name = path.substr(path.find_last_of('/') + 1);
        const size_t dot = name.find_last_of('.');
        entry = dot == std::string::npos || dot == 0 ? &kFormats[0]
                                                     : FindFormat(Lower(name.substr(dot + 1)));
        if (entry == nullptr)
        {
            error = "cannot tell the format of '" + path + "' from its extension; use " +
                    "--format NAME or one of the extensions .wav, .flac, .ogg, .aif, .aiff, .caf";
            return false;
        }
    }
    format.name = entry->name;
    format.sample = entry->defaultSample;
    if (bits.empty())
    {
        return true;
    }
    if (entry->defaultSample == SampleFormat::Vorbis)
    {
        error = "--bits does not apply to Ogg Vorbis, which stores no fixed sample size";
        return false;
    }
    const SampleFormat chosen = bits == "16"      ? SampleFormat::Int16
                                : bits == "24"    ? SampleFormat::Int24
                                : bits == "32"    ? SampleFormat::Int32
                                : bits == "float" ? SampleFormat::Float
                                                  : SampleFormat::Vorbis;
    if (chosen == SampleFormat::Vorbis)
    {
        error = "--bits takes 16, 24, 32 or float, not '" + bits + "'";
        return false;
    }
    if (entry->major == SF_FORMAT_FLAC &&
        (chosen == SampleFormat::Int32 || chosen == SampleFormat::Float))
    {
        error = "FLAC stores 16 or 24 bits, not --bits " + bits;
        return false;
    }
    format.sample = chosen;
    return true;
}

std::string SupportedFormatNames()
{
    std::string names;
    for (const FormatEntry& entry : kFormats)
    {
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    }
    return names;
}

std::string DescribeFormat(const OutputFormat& format)
{
    if (format.sample == SampleFormat::Vorbis)
    {
        return "Ogg Vorbis";
    }
    std::string container = format.name;
    std::transform(container.begin(), container.end(), container.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (format.sample == SampleFormat::Float)
    {
        return "32-bit float " + container;
    }
    return std::to_string(BitsOf(format.sample)) + "-bit " + container +
           (format.dither && format.sample != SampleFormat::Int32 ? ", dithered" : "");
}

int SndfileFormatOf(const OutputFormat& format)
{
    return FindFormat(format.name)->major | SubtypeOf(format.sample);
}

int BitsOf(SampleFormat sample)
{
    return sample == SampleFormat::Int16 ? 16 : sample == SampleFormat::Int24 ? 24 : 32;
}

} // namespace veltar_render
