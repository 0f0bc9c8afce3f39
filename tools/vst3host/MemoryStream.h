#pragma once

#include "RefCount.h"

#include "pluginterfaces/base/ibstream.h"

#include <vector>

namespace vst3host
{

// A growable in-memory IBStream for the plug-in's states. Reads stop at the end of the data; a
// test can also cap the number of bytes that reads deliver, to play a host whose stream ends
// early.
class MemoryStream : public Steinberg::IBStream
{
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<char> data) : mData(std::move(data)) {}
    virtual ~MemoryStream() = default;

    const std::vector<char>& GetData() const { return mData; }
    Steinberg::int64 GetPosition() const { return mCursor; }
    // From now on, reads deliver at most limit more bytes in total (negative: no cap).
    void SetReadLimit(Steinberg::int64 limit) { mReadLimit = limit; }

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        return QueryOwnInterface<Steinberg::IBStream>(this, queried, obj);
    }
    VST3HOST_REFCOUNT_METHODS

private:
    std::vector<char> mData;
    Steinberg::int64 mCursor = 0;
    Steinberg::int64 mReadLimit = -1;
    RefCount mRefs;
};

} // namespace vst3host
