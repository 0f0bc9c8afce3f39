#include "framework/core/Containers.h"

int ByteChunk::PutStr(const char* text)
{
    int len = text ? static_cast<int>(std::strlen(text)) : 0;
    int pos = Put(&len);
    return pos ? PutBytes(text, len) : 0;
}

int ByteChunk::GetStr(char* out, int outSize, int startPos) const
{
    int len = 0;
    int pos = Get(&len, startPos);
    if (pos < 0)
        return -1;
    if (len < 1)
    {
        if (out && outSize > 0)
            out[0] = '\0';
        return pos;
    }
    if (len > Size() - pos)
        return -1;
    if (out && outSize > 0)
    {
        const unsigned char* src = GetBytes() + pos;
        int n = 0;
        while (n < len && n < outSize - 1 && src[n])
        {
            out[n] = static_cast<char>(src[n]);
            ++n;
        }
        out[n] = '\0';
    }
    return pos + len;
}

void InitChunkWithIFxVer(ByteChunk* chunk)
{
    chunk->Clear();
    int magic = kIFxVersionMagic;
    int version = kIFxVersion;
    chunk->Put(&magic);
    chunk->Put(&version);
}

int GetIFxVerFromChunk(const ByteChunk* chunk, int* pos)
{
    int magic = 0;
    int version = 0;
    int next = chunk->Get(&magic, *pos);
    if (next < 0 || magic != kIFxVersionMagic)
        return 0;
    next = chunk->Get(&version, next);
    *pos = next;
    return next < 0 ? 0 : version;
}
