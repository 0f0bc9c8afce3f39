#include "LibsndfileWorkarounds.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace veltar_render
{
namespace
{

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

} // namespace

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

} // namespace veltar_render
