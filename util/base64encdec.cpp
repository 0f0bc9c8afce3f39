#include "util/base64encdec.h"

#include <cstring>

namespace
{
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DecodeChar(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}
} // namespace

std::string base64encode(const unsigned char* data, int size)
{
    std::string out;
    if (!data || size <= 0)
        return out;
    out.reserve(static_cast<size_t>((size + 2) / 3 * 4));
    for (int i = 0; i < size; i += 3)
    {
        unsigned bits = static_cast<unsigned>(data[i]) << 16;
        if (i + 1 < size)
            bits |= static_cast<unsigned>(data[i + 1]) << 8;
        if (i + 2 < size)
            bits |= data[i + 2];
        out += kAlphabet[(bits >> 18) & 63];
        out += kAlphabet[(bits >> 12) & 63];
        out += i + 1 < size ? kAlphabet[(bits >> 6) & 63] : '=';
        out += i + 2 < size ? kAlphabet[bits & 63] : '=';
    }
    return out;
}

int base64decode(const char* text, unsigned char* out, int outSize)
{
    if (!out || outSize <= 0)
        return 0;
    std::memset(out, 0, static_cast<size_t>(outSize));
    if (!text)
        return 0;
    unsigned bits = 0;
    int nBits = 0;
    int written = 0;
    for (const char* p = text; *p && written < outSize; ++p)
    {
        int v = DecodeChar(*p);
        if (v < 0)
            break;
        bits = (bits << 6) | static_cast<unsigned>(v);
        nBits += 6;
        if (nBits >= 8)
        {
            nBits -= 8;
            out[written++] = static_cast<unsigned char>((bits >> nBits) & 0xff);
        }
    }
    return written;
}
