#include "AudioFile.h"

#include "WaveListGuard.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

int BitsOf(SampleFormat sample)
{
    return sample == SampleFormat::Int16 ? 16 : sample == SampleFormat::Int24 ? 24 : 32;
}

// Bytes a frame takes in the uncompressed subtypes, 0 for the others.
int BytesPerSample(int format)
{
    switch (format & SF_FORMAT_SUBMASK)
    {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return 1;
    case SF_FORMAT_PCM_16:
        return 2;
    case SF_FORMAT_PCM_24:
        return 3;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT:
        return 4;
    case SF_FORMAT_DOUBLE:
        return 8;
    default:
        return 0;
    }
}

// libsndfile reads what a cut-short file holds and notes in its log what the header claimed:
// "data : 192000 (should be 99956)". The claim in bytes gives the announced length.
int64_t AnnouncedFrames(SNDFILE* file, const SF_INFO& info)
{
    const int bytes = BytesPerSample(info.format) * info.channels;
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    for (const char* line = log; bytes > 0 && *line != '\0';)
    {
        long long claimed = 0;
        long long present = 0;
        if ((std::strncmp(line, "data", 4) == 0 || std::strncmp(line, "SSND", 4) == 0) &&
            std::sscanf(line + 4, " : %lld (should be %lld)", &claimed, &present) == 2 &&
            claimed > present)
        {
            return std::max<int64_t>(info.frames, claimed / bytes);
        }
        const char* next = std::strchr(line, '\n');
        line = next == nullptr ? "" : next + 1;
    }
    return info.frames;
}

// Triangular noise of one step peak, from two uniform numbers; xorshift keeps it cheap and the
// same from run to run, so a render repeated gives the same file.
double TriangularNoise(uint64_t& state)
{
    const auto next = [&state]
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) * (1.0 / 9007199254740992.0);
    };
    return next() - next();
}

uint32_t Le32(const uint8_t* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void PutLe32(uint8_t* bytes, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// sox warns about every extensible float WAV whose format chunk ends with the extension, as
// libsndfile writes it ("wave header missing extended part of fmt chunk"): it looks for a second
// size field. Two zero bytes more at the end of the format chunk satisfy it and every other
// reader, which skip a chunk by its size. libsndfile follows the chunk with a 'fact' chunk and a
// 'PAD ' chunk; the two bytes come out of the padding, so nothing else of the file moves.
void ExtendFloatFormatChunk(int fd)
{
    constexpr size_t kFmt = 12;
    constexpr size_t kFact = kFmt + 8 + 40;
    constexpr size_t kPad = kFact + 12;
    uint8_t head[kPad + 8 + 64];
    if (pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
        std::memcmp(head + kFmt, "fmt ", 4) != 0 || Le32(head + kFmt + 4) != 40 ||
        std::memcmp(head + kFact, "fact", 4) != 0 || Le32(head + kFact + 4) != 4 ||
        std::memcmp(head + kPad, "PAD ", 4) != 0)
    {
        return;
    }
    const uint32_t padSize = Le32(head + kPad + 4);
    if (padSize < 2 || padSize > 64)
    {
        return;
    }
    uint8_t patched[sizeof head];
    std::memcpy(patched, head, kFact);
    PutLe32(patched + kFmt + 4, 42);
    patched[kFact] = 0;
    patched[kFact + 1] = 0;
    std::memcpy(patched + kFact + 2, head + kFact, 12);
    std::memcpy(patched + kPad + 2, "PAD ", 4);
    PutLe32(patched + kPad + 6, padSize - 2);
    std::memset(patched + kPad + 10, 0, padSize - 2);
    pwrite(fd, patched, kPad + 8 + padSize, 0);
}

} // namespace

AudioFileReader::~AudioFileReader()
{
    if (mFile != nullptr)
    {
        sf_close(mFile);
    }
}

bool AudioFileReader::Open(const std::string& path)
{
    SF_INFO info{};
    SNDFILE* file = nullptr;
    bool announcesLength = true;
    struct stat status;
    if (path == "-")
    {
        // A stream's header cannot know the length when the writer could not seek back (ffmpeg
        // then claims 4 GB): only a file announces one.
        announcesLength = fstat(STDIN_FILENO, &status) == 0 && S_ISREG(status.st_mode);
        if (announcesLength && RefuseDamagedHeader(STDIN_FILENO, status.st_size, path))
        {
            return false;
        }
        file = sf_open_fd(STDIN_FILENO, SFM_READ, &info, SF_FALSE);
    }
    else
    {
        if (stat(path.c_str(), &status) != 0)
        {
            mError = CannotMessage("read", path, std::strerror(errno));
            return false;
        }
        if (S_ISDIR(status.st_mode))
        {
            mError = CannotMessage("read", path, std::strerror(EISDIR));
            return false;
        }
        // libsndfile opens the file by its name, which it needs for formats without a header.
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool damaged = fd >= 0 && RefuseDamagedHeader(fd, status.st_size, path);
        if (fd >= 0)
        {
            close(fd);
        }
        if (damaged)
        {
            return false;
        }
        file = sf_open(path.c_str(), SFM_READ, &info);
    }
    if (file == nullptr)
    {
        mError = CannotMessage("read", path, "not an audio file libsndfile knows");
        return false;
    }
    Adopt(file, path, announcesLength);
    return true;
}

bool AudioFileReader::RefuseDamagedHeader(int fd, int64_t length, const std::string& path)
{
    const std::string damage = DamagedWaveList(
        [fd](int64_t offset, void* dst, size_t n)
        { return pread(fd, dst, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n); },
        length);
    if (damage.empty())
    {
        return false;
    }
    mError = CannotMessage("read", path, damage);
    return true;
}

bool AudioFileReader::Open(SNDFILE* file, const std::string& name)
{
    if (file == nullptr)
    {
        mError = CannotMessage("read", name, sf_strerror(nullptr));
        return false;
    }
    Adopt(file, name, true);
    return true;
}

void AudioFileReader::Adopt(SNDFILE* file, const std::string& name, bool announcesLength)
{
    if (mFile != nullptr)
    {
        sf_close(mFile);
    }
    mFile = file;
    mPath = name;
    SF_INFO info{};
    sf_command(mFile, SFC_GET_CURRENT_SF_INFO, &info, sizeof(info));
    mChannels = info.channels;
    mSampleRate = info.samplerate;
    mFrames = !announcesLength || info.frames == SF_COUNT_MAX ? 0 : info.frames;
    mAnnounced = mFrames == 0 ? 0 : AnnouncedFrames(mFile, info);
}

template <typename Sample> int64_t AudioFileReader::ReadAny(Sample* const* channels, int64_t frames)
{
    constexpr bool kFloat = std::is_same_v<Sample, float>;
    auto& interleaved = [this]() -> std::vector<Sample>&
    {
        if constexpr (kFloat)
        {
            return mFloats;
        }
        else
        {
            return mDoubles;
        }
    }();
    interleaved.resize(static_cast<size_t>(frames * mChannels));
    sf_count_t got = 0;
    if constexpr (kFloat)
    {
        got = sf_readf_float(mFile, interleaved.data(), frames);
    }
    else
    {
        got = sf_readf_double(mFile, interleaved.data(), frames);
    }
    if (got < frames && sf_error(mFile) != SF_ERR_NO_ERROR)
    {
        mError = CannotMessage("read", mPath, sf_strerror(mFile));
        return -1;
    }
    if (mChannels == 1)
    {
        std::copy_n(interleaved.data(), got, channels[0]);
        return got;
    }
    for (sf_count_t i = 0; i < got; ++i)
    {
        for (int c = 0; c < mChannels; ++c)
        {
            channels[c][i] = interleaved[static_cast<size_t>(i * mChannels + c)];
        }
    }
    return got;
}

int64_t AudioFileReader::Read(float* const* channels, int64_t frames)
{
    return ReadAny(channels, frames);
}

int64_t AudioFileReader::Read(double* const* channels, int64_t frames)
{
    return ReadAny(channels, frames);
}

MemorySource::MemorySource(std::vector<std::vector<double>> channels, double sampleRate)
    : mChannels(std::move(channels)), mSampleRate(sampleRate)
{
}

int64_t MemorySource::GetFrameCount() const
{
    return mChannels.empty() ? 0 : static_cast<int64_t>(mChannels[0].size());
}

template <typename Sample> int64_t MemorySource::ReadAny(Sample* const* channels, int64_t frames)
{
    const int64_t count = std::min(frames, GetFrameCount() - mPosition);
    for (size_t c = 0; c < mChannels.size(); ++c)
    {
        std::copy_n(mChannels[c].begin() + mPosition, count, channels[c]);
    }
    mPosition += count;
    return count;
}

int64_t MemorySource::Read(float* const* channels, int64_t frames)
{
    return ReadAny(channels, frames);
}

int64_t MemorySource::Read(double* const* channels, int64_t frames)
{
    return ReadAny(channels, frames);
}

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

AudioFileWriter::~AudioFileWriter()
{
    Discard();
}

bool AudioFileWriter::Open(const std::string& path, int channels, double sampleRate,
                           const OutputFormat& format)
{
    Discard();
    mPath = path;
    mChannels = channels;
    mFormat = format;
    mClipped = 0;
    mNoiseState = 0x9E3779B97F4A7C15ull;
    if (!mTarget.Open(path))
    {
        return Fail(mTarget.GetError());
    }
    SF_INFO info{};
    info.channels = channels;
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.format = FindFormat(format.name)->major | SubtypeOf(format.sample);
    mFile = sf_open_fd(mTarget.GetFd(), SFM_WRITE, &info, SF_FALSE);
    if (mFile == nullptr)
    {
        return Fail(CannotMessage("write", path, sf_strerror(nullptr)));
    }
    int map[2] = {SF_CHANNEL_MAP_LEFT, SF_CHANNEL_MAP_RIGHT};
    if (channels == 1)
    {
        map[0] = SF_CHANNEL_MAP_MONO;
    }
    sf_command(mFile, SFC_SET_CHANNEL_MAP_INFO, map, static_cast<int>(sizeof(int) * channels));
    // The PEAK chunk carries the time of writing, so the same render would never give the same
    // bytes twice; its peaks are in the renderer's report anyway.
    sf_command(mFile, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // libsndfile counts Vorbis quality from 0 to 1.
    double quality = format.quality / 10.0;
    if (format.quality >= 0.0 &&
        sf_command(mFile, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality) != SF_TRUE)
    {
        return Fail(CannotMessage("write", path, "the encoder refused the quality"));
    }
    return true;
}

template <typename Sample>
void AudioFileWriter::Quantise(const Sample* const* channels, int64_t frames)
{
    const int bits = BitsOf(mFormat.sample);
    const double scale = std::ldexp(1.0, bits - 1);
    const double highest = scale - 1.0;
    const bool dither = mFormat.dither && bits < 32;
    const int shift = 32 - bits;
    mInts.resize(static_cast<size_t>(frames * mChannels));
    for (int64_t i = 0; i < frames; ++i)
    {
        for (int c = 0; c < mChannels; ++c)
        {
            double x = static_cast<double>(channels[c][i]) * scale;
            if (dither)
            {
                x += TriangularNoise(mNoiseState);
            }
            x = std::nearbyint(std::isnan(x) ? 0.0 : x);
            if (x > highest || x < -scale)
            {
                ++mClipped;
                x = std::clamp(x, -scale, highest);
            }
            mInts[static_cast<size_t>(i * mChannels + c)] =
                static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(x)) << shift);
        }
    }
}

template <typename Sample>
bool AudioFileWriter::WriteAny(const Sample* const* channels, int64_t frames)
{
    if (mFile == nullptr)
    {
        return Fail(CannotMessage("write", mPath, "the file is not open"));
    }
    sf_count_t written = 0;
    if (mFormat.sample == SampleFormat::Float || mFormat.sample == SampleFormat::Vorbis)
    {
        mFloats.resize(static_cast<size_t>(frames * mChannels));
        for (int64_t i = 0; i < frames; ++i)
        {
            for (int c = 0; c < mChannels; ++c)
            {
                mFloats[static_cast<size_t>(i * mChannels + c)] =
                    static_cast<float>(channels[c][i]);
            }
        }
        written = sf_writef_float(mFile, mFloats.data(), frames);
    }
    else
    {
        Quantise(channels, frames);
        written = sf_writef_int(mFile, mInts.data(), frames);
    }
    if (written != frames)
    {
        return Fail(CannotMessage("write", mPath, sf_strerror(mFile)));
    }
    return true;
}

bool AudioFileWriter::Write(const float* const* channels, int64_t frames)
{
    return WriteAny(channels, frames);
}

bool AudioFileWriter::Write(const double* const* channels, int64_t frames)
{
    return WriteAny(channels, frames);
}

bool AudioFileWriter::Commit()
{
    if (mFile == nullptr)
    {
        return Fail(CannotMessage("write", mPath, "the file is not open"));
    }
    // Closing writes the final header; a full disk can still show up here.
    const int closed = sf_close(mFile);
    mFile = nullptr;
    if (closed != 0)
    {
        return Fail(CannotMessage("write", mPath, sf_error_number(closed)));
    }
    if (mFormat.name == "wav" && mFormat.sample == SampleFormat::Float)
    {
        ExtendFloatFormatChunk(mTarget.GetFd());
    }
    if (!mTarget.Commit())
    {
        return Fail(mTarget.GetError());
    }
    return true;
}

bool AudioFileWriter::Fail(const std::string& why)
{
    mError = why;
    Discard();
    return false;
}

void AudioFileWriter::Discard()
{
    if (mFile != nullptr)
    {
        sf_close(mFile);
        mFile = nullptr;
    }
    mTarget.Discard();
}

} // namespace veltar_render
