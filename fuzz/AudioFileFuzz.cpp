// An audio file handed to the renderer: any bytes, which libsndfile reads from memory through its
// virtual I/O and the renderer's reader takes over. The renderer refuses what it cannot render
// (no file, other than one or two channels, a rate the plug-in refuses); otherwise it renders the
// first frames through the plug-in into a file of its own. The reader answers a sane count of
// frames or a reason; finite input gives finite output; a render that fails leaves nothing in the
// output folder, one that succeeds leaves exactly its file, which reads back as written.
#include "FuzzSupport.h"

#include "AudioFile.h"
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

struct Channels
{
    Channels(int n, int frames)
        : data(static_cast<size_t>(n), std::vector<double>(static_cast<size_t>(frames)))
    {
        for (std::vector<double>& channel : data)
            pointers.push_back(channel.data());
    }
    std::vector<std::vector<double>> data;
    std::vector<double*> pointers;
};

// The plug-in set up as the renderer's host sets it up: the file's channels in and out, offline,
// 64-bit, the file's rate. False where the plug-in refuses.
bool StartPlug(IFxVST3& plug, int channels, double sampleRate)
{
    SpeakerArrangement arrangement = channels == 1 ? 0x80000 : 0x3;
    if (plug.setBusArrangements(&arrangement, 1, &arrangement, 1) != kResultOk)
        return false;
    plug.activateBus(kAudio, BusDirections::kInput, 0, true);
    plug.activateBus(kAudio, BusDirections::kOutput, 0, true);
    ProcessSetup setup = {kOffline, kSample64, kBlock, sampleRate};
    if (plug.setupProcessing(setup) != kResultOk)
        return false;
    plug.setActive(true);
    return true;
}

void ProcessBlock(IFxVST3& plug, Channels& in, Channels& out, int frames)
{
    AudioBusBuffers inBus, outBus;
    inBus.numChannels = outBus.numChannels = static_cast<int32>(in.pointers.size());
    inBus.channelBuffers64 = in.pointers.data();
    outBus.channelBuffers64 = out.pointers.data();
    ProcessData data;
    data.processMode = kOffline;
    data.symbolicSampleSize = kSample64;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    FUZZ_CHECK(plug.process(data) == kResultOk);
}

// Reads, renders and writes; false where the renderer gives up.
bool Render(AudioFileReader& reader, IFxVST3& plug, AudioFileWriter& writer, int64_t& written)
{
    const int channels = reader.GetChannelCount();
    Channels in(channels, kBlock), out(channels, kBlock);
    SignalStats inStats(channels), outStats(channels);
    for (written = 0; written < kMaxFrames;)
    {
        const int64_t got = reader.Read(in.pointers.data(), kBlock);
        FUZZ_CHECK(got >= -1 && got <= kBlock);
        if (got < 0)
        {
            FUZZ_CHECK(!reader.GetError().empty());
            return false;
        }
        if (got == 0)
            break;
        const int frames = static_cast<int>(got);
        inStats.Add(in.pointers.data(), frames);
        ProcessBlock(plug, in, out, frames);
        outStats.Add(out.pointers.data(), frames);
        FUZZ_CHECK(inStats.HasNonFinite() || !outStats.HasNonFinite());
        for (int c = 0; c < channels; ++c)
            FUZZ_CHECK(std::isfinite(outStats.GetPeak(c)) && outStats.GetPeak(c) >= 0.0 &&
                       outStats.GetRms(c) >= 0.0);
        if (!writer.Write(out.pointers.data(), frames))
            return false;
        written += frames;
    }
    return true;
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
    SNDFILE* file = sf_open_virtual(&io, SFM_READ, &info, &memory);

    bool rendered = false;
    {
        AudioFileReader reader;
        const bool opened = reader.Open(file, "input");
        FUZZ_CHECK(opened == (file != nullptr));
        FUZZ_CHECK(opened || !reader.GetError().empty());
        const int channels = reader.GetChannelCount();
        const double sampleRate = reader.GetSampleRate();
        IFxVST3& plug = fuzzsupport::PlugRestarted();
        if (opened && channels >= 1 && channels <= 2 && StartPlug(plug, channels, sampleRate))
        {
            AudioFileWriter writer;
            int64_t written = 0;
            if (writer.Open(output.string(), channels, sampleRate) &&
                Render(reader, plug, writer, written) && writer.Commit())
            {
                rendered = true;
                FUZZ_CHECK(EntryCount(folder) == 1);
                CheckWritten(output, channels, sampleRate, written);
            }
            else
                FUZZ_CHECK(!writer.GetError().empty() || !reader.GetError().empty());
        }
        plug.setActive(false);
        fuzzsupport::CheckParams(plug);
    }
    if (rendered)
        fs::remove(output);
    FUZZ_CHECK(EntryCount(folder) == 0);
    return 0;
}
