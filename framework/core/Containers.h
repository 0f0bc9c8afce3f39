#pragma once

#include "util/heapbuf.h"

#include <cstring>
#include <type_traits>

// Growable byte buffer for state and preset data. Values are appended as they lie in memory
// (little-endian on every platform we build for). Reads take a byte position and return the
// position after the value, or -1; a -1 passed in makes the read fail too, so a run of reads can
// be chained and tested once at the end. No read ever touches memory outside the chunk.
class ByteChunk
{
public:
    ByteChunk() : mBytes(4096) {}

    int Size() const { return mBytes.GetSize(); }
    unsigned char* GetBytes() const { return static_cast<unsigned char*>(mBytes.Get()); }
    void Clear() { mBytes.Clear(); }
    // Returns the new size, or 0 when memory ran out (the chunk then stays as it was).
    int PutBytes(const void* data, int size)
    {
        if (size <= 0)
            return Size();
        int oldSize = Size();
        if (size > 0x7fffffff - oldSize || !mBytes.Resize(oldSize + size))
            return 0;
        std::memcpy(GetBytes() + oldSize, data, static_cast<size_t>(size));
        return Size();
    }

    template <class T> int Put(const T* value)
    {
        static_assert(std::is_trivially_copyable<T>::value, "raw bytes only");
        return PutBytes(value, static_cast<int>(sizeof(T)));
    }

    template <class T> int Get(T* value, int startPos) const
    {
        static_assert(std::is_trivially_copyable<T>::value, "raw bytes only");
        return GetBytes(value, static_cast<int>(sizeof(T)), startPos);
    }

    int GetBytes(void* out, int size, int startPos) const
    {
        if (startPos < 0 || size < 0 || startPos > Size() - size)
            return -1;
        std::memcpy(out, GetBytes() + startPos, static_cast<size_t>(size));
        return startPos + size;
    }

    int PutStr(const char* text);
    // Reads a length-prefixed text into out (at most outSize - 1 characters kept, always
    // terminated); the position still advances past the whole stored text.
    int GetStr(char* out, int outSize, int startPos) const;

    int PutBool(bool flag)
    {
        unsigned char byte = flag ? 1 : 0;
        return Put(&byte);
    }
    int GetBool(bool* flag, int startPos) const
    {
        unsigned char byte = 0;
        int pos = Get(&byte, startPos);
        if (pos >= 0)
            *flag = byte != 0;
        return pos;
    }

    int PutChunk(const ByteChunk* other) { return PutBytes(other->GetBytes(), other->Size()); }

    bool IsEqual(const ByteChunk& other) const
    {
        return Size() == other.Size() && (Size() == 0 || !std::memcmp(GetBytes(), other.GetBytes(),
                                                                      static_cast<size_t>(Size())));
    }

private:
    FxHeapBuf mBytes;
};

// Framework version header of program and bank files: the bytes "tffp", then the version.
constexpr int kIFxVersionMagic = 0x70666674;
constexpr int kIFxVersion = 0x00010000;

void InitChunkWithIFxVer(ByteChunk* chunk);
// Returns the version and advances *pos by 8 when the header is at *pos; sets *pos to -1 when the
// magic is there but the version is cut off; otherwise returns 0 and leaves *pos alone.
int GetIFxVerFromChunk(const ByteChunk* chunk, int* pos);
