#include "LibsndfileWorkarounds.h"

#include <cstring>
#include <initializer_list>

namespace veltar_render
{

namespace
{

constexpr uint32_t Marker(const char (&id)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(id[0])) |
           static_cast<uint32_t>(static_cast<uint8_t>(id[1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(id[3])) << 24;
}

bool IsAnyOf(uint32_t marker, std::initializer_list<uint32_t> markers)
{
    for (uint32_t m : markers)
        if (marker == m)
            return true;
    return false;
}

bool Printable(uint32_t marker)
{
    for (int shift = 0; shift < 32; shift += 8)
    {
        const uint32_t c = (marker >> shift) & 0xFF;
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

// The file's words in its byte order; markers keep their bytes as they stand.
class Words
{
public:
    Words(const ByteReader& read, bool bigEndian) : mRead(read), mBigEndian(bigEndian) {}

    bool ReadMarker(int64_t offset, uint32_t& marker) const
    {
        uint8_t b[4];
        if (!mRead(offset, b, 4))
            return false;
        std::memcpy(&marker, b, 4);
        return true;
    }

    bool ReadSize(int64_t offset, uint32_t& size) const
    {
        uint8_t b[4];
        if (!mRead(offset, b, 4))
            return false;
        size = mBigEndian
                   ? (uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3])
                   : (uint32_t(b[3]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[1]) << 8 | b[0]);
        return true;
    }

private:
    const ByteReader& mRead;
    bool mBigEndian;
};

// Where libsndfile's walk of a LIST chunk ends: in a sub-chunk size that wraps its count around,
// or at a data chunk inside the list, where the header parser carries on (-1: elsewhere).
struct ListEnd
{
    bool wraps = false;
    int64_t dataAt = -1;
};

// The walk of a LIST chunk's contents, step for step as libsndfile takes it (its counts are 32
// bits wide).
ListEnd WalkList(const Words& words, int64_t start, uint32_t size, int64_t length)
{
    if (size <= 8 || start >= length)
        return {};
    const uint32_t chunkLength =
        start + size > length ? static_cast<uint32_t>(length - start) : size;
    int64_t pos = start;
    uint32_t done = 0;
    while (done < chunkLength)
    {
        uint32_t marker = 0;
        if (!words.ReadMarker(pos, marker))
            return {};
        if (marker == Marker("data"))
            return {false, pos};
        pos += 4;
        done += 4;
        if (IsAnyOf(marker, {Marker("adtl"), Marker("INFO")}))
            continue;
        // An exif block is walked by rules of its own; four zero bytes, or a sub-chunk of these
        // three kinds, end the walk.
        if (IsAnyOf(marker, {Marker("exif"), 0, Marker("DISP"), Marker("ltxt"), Marker("note")}))
            return {};
        uint32_t subSize = 0;
        if (!words.ReadSize(pos, subSize))
            return {};
        pos += 4;
        done += 4;
        if (marker == Marker("labl"))
        {
            // A cue point's number, then its label, which must hold something.
            pos += 4;
            done += 4;
            subSize -= 4;
            if (subSize == 0)
                return {};
        }
        subSize += subSize & 1;
        const bool text =
            IsAnyOf(marker, {Marker("ISFT"), Marker("ICOP"), Marker("IARL"), Marker("IART"),
                             Marker("ICMT"), Marker("ICRD"), Marker("IENG"), Marker("IGNR"),
                             Marker("INAM"), Marker("IPRD"), Marker("ISBJ"), Marker("ISRC"),
                             Marker("IAUT"), Marker("ITRK"), Marker("labl")});
        if (text && subSize >= 2048)
            return {};
        if (static_cast<uint32_t>(done + subSize) > chunkLength)
            return {};
        // Past the bounds check with a size beyond it: the sum wrapped around. libsndfile's count
        // then falls back by the skip, and its walk never reaches the end of the list.
        if (static_cast<uint64_t>(done) + subSize > chunkLength)
            return {true, -1};
        pos += subSize;
        done += subSize;
    }
    return {};
}

} // namespace

std::string DamagedWaveList(const ByteReader& read, int64_t length)
{
    uint8_t head[12];
    if (length < 12 || !read(0, head, sizeof head) || std::memcmp(head + 8, "WAVE", 4) != 0)
        return {};
    const bool rf64 = std::memcmp(head, "RF64", 4) == 0;
    const bool bigEndian = std::memcmp(head, "RIFX", 4) == 0;
    if (!rf64 && !bigEndian && std::memcmp(head, "RIFF", 4) != 0)
        return {};
    const Words words(read, bigEndian);
    // The top-level chunks as libsndfile's header parser steps through them.
    int64_t pos = 12;
    while (pos < length - 4)
    {
        uint32_t marker = 0, size = 0;
        if (!words.ReadMarker(pos, marker) || !words.ReadSize(pos + 4, size) || marker == 0)
            return {};
        pos += 8;
        // Where the next chunk starts; an odd size is followed by a pad byte.
        int64_t next = pos + size;
        if (IsAnyOf(marker, {Marker("LIST"), Marker("INFO")}))
        {
            const ListEnd end = WalkList(words, pos, size, length);
            if (end.wraps)
                return "its LIST chunk is damaged (a sub-chunk size runs backwards)";
            // libsndfile backs out of a list at a data chunk and reads it as a chunk of its own.
            if (end.dataAt >= 0)
                next = end.dataAt;
        }
        else if (!Printable(marker))
        {
            // Unless the size looks like the end of the header, libsndfile steps three bytes back
            // from a misaligned marker to find its footing again.
            if (size >= 0xFFFF0000u || (pos & 3) == 0)
                return {};
            next = pos - 3;
        }
        if (size >= static_cast<uint64_t>(length) || (rf64 && size == 0xFFFFFFFFu))
            return {};
        pos = next + (size & 1);
    }
    return {};
}

} // namespace veltar_render
