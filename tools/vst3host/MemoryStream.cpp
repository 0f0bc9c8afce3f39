#include "MemoryStream.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace vst3host
{

tresult PLUGIN_API MemoryStream::read(void* buffer, int32 numBytes, int32* numBytesRead)
{
    if (numBytesRead)
        *numBytesRead = 0;
    if (numBytes < 0 || (numBytes > 0 && !buffer))
        return kInvalidArgument;
    int64 available = std::max<int64>(0, static_cast<int64>(mData.size()) - mCursor);
    if (mReadLimit >= 0)
        available = std::min(available, mReadLimit);
    const int64 count = std::min<int64>(numBytes, available);
    if (count > 0)
        std::memcpy(buffer, mData.data() + mCursor, static_cast<size_t>(count));
    mCursor += count;
    if (mReadLimit >= 0)
        mReadLimit -= count;
    if (numBytesRead)
        *numBytesRead = static_cast<int32>(count);
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::write(void* buffer, int32 numBytes, int32* numBytesWritten)
{
    if (numBytesWritten)
        *numBytesWritten = 0;
    if (numBytes < 0 || (numBytes > 0 && !buffer))
        return kInvalidArgument;
    const size_t end = static_cast<size_t>(mCursor) + static_cast<size_t>(numBytes);
    if (end > mData.size())
        mData.resize(end);
    if (numBytes > 0)
        std::memcpy(mData.data() + mCursor, buffer, static_cast<size_t>(numBytes));
    mCursor += numBytes;
    if (numBytesWritten)
        *numBytesWritten = numBytes;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::seek(int64 pos, int32 mode, int64* result)
{
    int64 base = 0;
    if (mode == kIBSeekCur)
        base = mCursor;
    else if (mode == kIBSeekEnd)
        base = static_cast<int64>(mData.size());
    else if (mode != kIBSeekSet)
        return kInvalidArgument;
    if (base + pos < 0)
        return kInvalidArgument;
    mCursor = base + pos;
    if (result)
        *result = mCursor;
    return kResultOk;
}

tresult PLUGIN_API MemoryStream::tell(int64* pos)
{
    if (!pos)
        return kInvalidArgument;
    *pos = mCursor;
    return kResultOk;
}

} // namespace vst3host
