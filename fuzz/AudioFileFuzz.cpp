// An audio file handed to the renderer: any bytes, which libsndfile reads from memory through its
// virtual I/O and the renderer's reader takes over, unless the renderer's check of WAV headers
// refuses them first, as it does for a file. The renderer refuses what it cannot render
// (no file, other than one or two channels, a rate the plug-in refuses); otherwise it renders the
// first frames through the plug-in, in 32-bit or 64-bit samples, into a file of its own. The reader
// answers a sane count of frames or a reason; a file read to its end gets the renderer's warnings
// about a short file and samples that are not numbers exactly when they apply; finite input gives
// finite output; a render that fails leaves nothing in the output folder, one that succeeds leaves
// exactly its file, which reads back as written.
#include "FuzzSupport.h"

#include "AudioFileReader.h"
#include "AudioFileWriter.h"
#include "LibsndfileWorkarounds.h"
#include "ProcessBlock.h"
#include "Render.h"
#include "SignalStats.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdlib.h>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using namespace veltar_render;
namespace fs = std::filesystem;

namespace
{
constexpr int kBlock = 512;
// A short render: enough blocks for the chain to run, few enough to keep the run fast.
constexpr int64_t kMaxFrames = 4 * kBlock;

// The input as a read-only file in memory.
struct MemoryFile
{
    const uint8_t* data;
    sf_count_t size;
    sf_count_t position = 0;

    static sf_count_t Length(void* user) { return static_cast<MemoryFile*>(user)->size; }
    static sf_count_t Seek(sf_count_t offset, int whence, void* user)
    {
        MemoryFile& f = *static_cast<MemoryFile*>(user);
        const sf_count_t base = whence == SEEK_CUR ? f.position : whence == SEEK_END ? f.size : 0;
        if (offset < -base || offset > f.size - base)
            return -1;
        f.position = base + offset;
        return f.position;
    }
    static sf_count_t Read(void* ptr, sf_count_t count, void* user)
    {
        MemoryFile& f = *static_cast<MemoryFile*>(user);
        const sf_count_t n = std::max<sf_count_t>(0, std::min(count, f.size - f.position));
        if (n > 0)
            std::memcpy(ptr, f.data + f.position, static_cast<size_t>(n));
        f.position += n;
        return n;
    }
    static sf_count_t Write(const void*, sf_count_t, void*) { return 0; }
    static sf_count_t Tell(void* user) { return static_cast<MemoryFile*>(user)->position; }
};

// The folder the renders go to, made once per run and removed with everything in it at its end.
const fs::path& OutputFolder()
{
    struct Folder
    {
        Folder()
        {
            std::string pattern =
                (fs::temp_directory_path() / "veltar-fuzz-render-XXXXXX").string();
            FUZZ_CHECK(mkdtemp(pattern.data()) != nullptr);
            path = pattern;
        }
        ~Folder()
        {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
        fs::path path;
    };
    static const Folder folder;
    return folder.path;
}

size_t EntryCount(const fs::path& folder)
{
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), {}));
}

template <class Sample> struct Channels
{
    Channels(int n, int frames)
        : data(static_cast<size_t>(n), std::vector<Sample>(static_cast<size_t>(frames)))
    {
        for (std::vector<Sample>& channel : data)
            pointers.push_back(channel.data());
    }
    std::vector<std::vector<Sample>> data;
    std::vector<Sample*> pointers;
};

template <class Sample> constexpr int32 kSampleSize = kSample64;
template <> constexpr int32 kSampleSize<float> = kSample32;

// The plug-in set up as the renderer's host sets it up: the file's channels in and out, offline,
// the file's rate. False where the plug-in refuses.
template <class Sample> bool StartPlug(IFxVST3& plug, int channels, double sampleRate)
{
    SpeakerArrangement arrangement = channels == 1 ? 0x80000 : 0x3;
    if (plug.setBusArrangements(&arrangement, 1, &arrangement, 1) != kResultOk)
        return false;
    plug.activateBus(kAudio, BusDirections::kInput, 0, true);
    plug.activateBus(kAudio, BusDirections::kOutput, 0, true);
    ProcessSetup setup = {kOffline, kSampleSize<Sample>, kBlock, sampleRate};
    if (plug.setupProcessing(setup) != kResultOk)
        return false;
    plug.setActive(true);
    return true;
}

template <class Sample>
void ProcessBlock(IFxVST3& plug, Channels<Sample>& in, Channels<Sample>& out, int frames)
{
    vst3host::MainBusBlock block(kOffline, kSampleSize<Sample>);
    const auto channels = static_cast<int32>(in.pointers.size());
    FUZZ_CHECK(plug.process(block.Set(in.pointers.data(), out.pointers.data(), channels, frames)) ==
               kResultOk);
}

// At the file's end, the renderer's warnings about its input: one when the file holds fewer frames
// than its header announces, one when it holds samples that are not numbers, nothing else.
void CheckInputWarnings(const AudioFileReader& reader, const SignalStats& input)
{
    const bool cutShort = reader.GetAnnouncedFrameCount() > input.GetFrames();
    const std::vector<std::string> warnings =
        InputWarnings("'input'", reader.GetAnnouncedFrameCount(), input);
    FUZZ_CHECK(warnings.size() == (cutShort ? 1u : 0u) + (input.HasNonFinite() ? 1u : 0u));
    for (const std::string& warning : warnings)
        FUZZ_CHECK(warning.rfind("warning: 'input' ", 0) == 0);
    FUZZ_CHECK(!input.HasNonFinite() || (input.GetFirstNonFiniteFrame() >= 0 &&
                                         input.GetFirstNonFiniteFrame() < input.GetFrames()));
}

// Reads, renders in Sample (as the renderer hands samples to the plug-in) and writes; false
// where the renderer gives up.
template <class Sample>
bool Render(AudioFileReader& reader, IFxVST3& plug, AudioFileWriter& writer, int64_t& written)
{
    const int channels = reader.GetChannelCount();
    Channels<double> read(channels, kBlock), played(channels, kBlock);
    Channels<Sample> in(channels, kBlock), out(channels, kBlock);
    SignalStats inStats(channels), outStats(channels);
    for (written = 0; written < kMaxFrames;)
    {
        const int64_t got = reader.Read(read.pointers.data(), kBlock);
        FUZZ_CHECK(got >= -1 && got <= kBlock);
        if (got < 0)
        {
            FUZZ_CHECK(!reader.GetError().empty());
            return false;
        }
        if (got == 0)
        {
            CheckInputWarnings(reader, inStats);
            break;
        }
        const int frames = static_cast<int>(got);
        // What the plug-in is handed, which in 32 bit may have overflowed to infinity.
        for (int c = 0; c < channels; ++c)
            for (int n = 0; n < frames; ++n)
                read.data[c][n] = in.data[c][n] = static_cast<Sample>(read.data[c][n]);
        inStats.Add(read.pointers.data(), frames);
        ProcessBlock(plug, in, out, frames);
        for (int c = 0; c < channels; ++c)
            std::copy_n(out.pointers[c], frames, played.pointers[c]);
        outStats.Add(played.pointers.data(), frames);
        FUZZ_CHECK(inStats.HasNonFinite() || !outStats.HasNonFinite());
        for (int c = 0; c < channels; ++c)
            FUZZ_CHECK(std::isfinite(outStats.GetPeak(c)) && outStats.GetPeak(c) >= 0.0 &&
                       outStats.GetRms(c) >= 0.0);
        if (!writer.Write(played.pointers.data(), frames))
            return false;
        written += frames;
    }
    return true;
}

// Opens the plug-in and the writer and renders; true for a committed render.
template <class Sample>
bool RenderInto(AudioFileReader& reader, IFxVST3& plug, const fs::path& output, int64_t& written)
{
    const int channels = reader.GetChannelCount();
    const double sampleRate = reader.GetSampleRate();
    if (channels < 1 || channels > 2 || !StartPlug<Sample>(plug, channels, sampleRate))
        return false;
    AudioFileWriter writer;
    if (writer.Open(output.string(), channels, sampleRate) &&
        Render<Sample>(reader, plug, writer, written) && writer.Commit())
        return true;
    FUZZ_CHECK(!writer.GetError().empty() || !reader.GetError().empty());
    return false;
}

// A committed render holds what was written.
void CheckWritten(const fs::path& path, int channels, double sampleRate, int64_t frames)
{
    AudioFileReader back;
    FUZZ_CHECK(back.Open(path.string()));
    FUZZ_CHECK(back.GetChannelCount() == channels);
    FUZZ_CHECK(back.GetSampleRate() == std::lround(sampleRate));
    FUZZ_CHECK(back.GetFrameCount() == frames);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fs::path& folder = OutputFolder();
    const fs::path output = folder / "rendered.wav";

    MemoryFile memory{data, static_cast<sf_count_t>(size)};
    SF_VIRTUAL_IO io = {MemoryFile::Length, MemoryFile::Seek, MemoryFile::Read, MemoryFile::Write,
                        MemoryFile::Tell};
    SF_INFO info{};
    const std::string damage = DamagedWaveList(
        [&](int64_t offset, void* dst, size_t n)
        {
            if (offset < 0 || offset > memory.size || n > static_cast<size_t>(memory.size - offset))
                return false;
            std::memcpy(dst, data + offset, n);
            return true;
        },
        memory.size);
    SNDFILE* file = damage.empty() ? sf_open_virtual(&io, SFM_READ, &info, &memory) : nullptr;

    bool rendered = false;
    {
        AudioFileReader reader;
        const bool opened = reader.Open(file, "input");
        FUZZ_CHECK(opened == (file != nullptr));
        FUZZ_CHECK(opened || !reader.GetError().empty());
        IFxVST3& plug = fuzzsupport::PlugRestarted();
        // The renderer hands the plug-in 32-bit samples unless told otherwise; inputs of odd
        // length take the 64-bit way.
        int64_t written = 0;
        if (opened)
            rendered = size % 2 == 0 ? RenderInto<float>(reader, plug, output, written)
                                     : RenderInto<double>(reader, plug, output, written);
        if (rendered)
        {
            FUZZ_CHECK(EntryCount(folder) == 1);
            CheckWritten(output, reader.GetChannelCount(), reader.GetSampleRate(), written);
        }
        plug.setActive(false);
        fuzzsupport::CheckParams(plug);
    }
    if (rendered)
        fs::remove(output);
    FUZZ_CHECK(EntryCount(folder) == 0);
    return 0;
}
