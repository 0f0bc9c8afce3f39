#pragma once

#include <cstdlib>
#include <cstring>

// Growable byte buffer. Growth is geometric (at least half the current size) and rounded up to a
// granularity, so repeated appends stay cheap. A failed allocation keeps the old contents and
// reports failure through a null pointer, because the framework never throws.
class FxHeapBuf
{
public:
    explicit FxHeapBuf(int granularity = 4096) : mGranularity(granularity > 0 ? granularity : 1) {}
    ~FxHeapBuf() { std::free(mData); }
    FxHeapBuf(const FxHeapBuf&) = delete;
    FxHeapBuf& operator=(const FxHeapBuf&) = delete;

    void* Get() const { return mData; }
    int GetSize() const { return mSize; }

    // Returns the buffer (null when memory ran out, leaving size and contents as they were).
    void* Resize(int newSize)
    {
        if (newSize < 0)
            return nullptr;
        if (newSize > mCapacity)
        {
            long grown = static_cast<long>(mCapacity) + mCapacity / 2;
            long wanted = newSize > grown ? newSize : grown;
            long rounded = (wanted + mGranularity - 1) / mGranularity * mGranularity;
            if (rounded > 0x7fffffffL)
                rounded = newSize;
            void* p = std::realloc(mData, static_cast<size_t>(rounded));
            if (!p)
                return nullptr;
            mData = p;
            mCapacity = static_cast<int>(rounded);
        }
        mSize = newSize;
        return mData;
    }

    void Clear() { mSize = 0; }

private:
    void* mData = nullptr;
    int mSize = 0;
    int mCapacity = 0;
    int mGranularity;
};

// Typed view of FxHeapBuf counted in elements of trivially copyable T.
template <class T> class FxTypedBuf
{
public:
    explicit FxTypedBuf(int granularity = 4096) : mBuf(granularity) {}

    T* Get() const { return static_cast<T*>(mBuf.Get()); }
    int GetSize() const { return mBuf.GetSize() / static_cast<int>(sizeof(T)); }
    T* Resize(int count)
    {
        if (count < 0 || count > 0x7fffffff / static_cast<int>(sizeof(T)))
            return nullptr;
        return static_cast<T*>(mBuf.Resize(count * static_cast<int>(sizeof(T))));
    }
    void Zero()
    {
        if (Get())
            std::memset(Get(), 0, static_cast<size_t>(mBuf.GetSize()));
    }

private:
    FxHeapBuf mBuf;
};
