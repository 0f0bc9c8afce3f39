#include "framework/core/StateExtension.h"

namespace
{

constexpr uint8_t kOversamplingTag[4] = {'O', 'v', 's', 'm'};
constexpr uint32_t kOversamplingVersion = 1;
// Realtime factor, offline factor.
constexpr uint32_t kOversamplingFieldsSize = 8;
constexpr size_t kHeaderSize = 12;

void PutUint32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t GetUint32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool IsTag(const uint8_t* p, const uint8_t (&tag)[4])
{
    return p[0] == tag[0] && p[1] == tag[1] && p[2] == tag[2] && p[3] == tag[3];
}

} // namespace

std::vector<uint8_t> EncodeOversamplingSection(const OversamplingChoice& choice)
{
    std::vector<uint8_t> out;
    if (choice.IsDefault())
        return out;
    out.assign(kOversamplingTag, kOversamplingTag + 4);
    PutUint32(out, kOversamplingVersion);
    PutUint32(out, kOversamplingFieldsSize);
    PutUint32(out, static_cast<uint32_t>(choice.realtime));
    PutUint32(out, static_cast<uint32_t>(choice.offline));
    return out;
}

OversamplingChoice DecodeOversamplingSection(const uint8_t* data, size_t size, bool* found)
{
    *found = false;
    OversamplingChoice choice;
    for (size_t at = 0; data && size - at >= kHeaderSize;)
    {
        const uint8_t* header = data + at;
        const uint32_t version = GetUint32(header + 4);
        const uint32_t length = GetUint32(header + 8);
        // A length past the end means the bytes are not sections after all.
        if (length > size - at - kHeaderSize)
            return choice;
        if (IsTag(header, kOversamplingTag))
        {
            if (version != kOversamplingVersion || length < kOversamplingFieldsSize)
                return choice;
            const uint32_t realtime = GetUint32(header + kHeaderSize);
            const uint32_t offline = GetUint32(header + kHeaderSize + 4);
            // Factors beyond any plug-in's are not numbers to carry into an int.
            if (realtime > 0xffff || offline > 0xffff)
                return choice;
            choice.realtime = static_cast<int>(realtime);
            choice.offline = static_cast<int>(offline);
            *found = true;
            return choice;
        }
        at += kHeaderSize + length;
    }
    return choice;
}
