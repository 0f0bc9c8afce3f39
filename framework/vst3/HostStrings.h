#pragma once

#include "pluginterfaces/base/ftypes.h"

// The framework's texts are 8-bit; the host's are UTF-16 of at most 128 units. Both conversions
// go byte by byte, as the host-facing names are plain ASCII.
inline void WidenToHost(const char* text, Steinberg::char16* out, int outUnits = 128)
{
    int i = 0;
    for (; text && text[i] && i < outUnits - 1; ++i)
        out[i] = static_cast<Steinberg::char16>(static_cast<unsigned char>(text[i]));
    out[i] = 0;
}

// Units outside 8 bits become '?', so a foreign name never turns into a different ASCII one.
inline void NarrowFromHost(const Steinberg::char16* text, char* out, int outSize)
{
    int i = 0;
    for (; text && text[i] && i < outSize - 1; ++i)
        out[i] = text[i] < 0x100 ? static_cast<char>(text[i]) : '?';
    out[i] = '\0';
}

// A framework text as a host string, for the SDK calls that take one.
struct HostString
{
    explicit HostString(const char* text) { WidenToHost(text, units); }
    Steinberg::char16 units[128];
};
