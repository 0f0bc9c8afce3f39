// The saved state: one record for component and controller, with the bypass flag after it and the
// settings of the session after that.
#include "IFxVST3.h"

#include "HostCallGuards.h"

#include "pluginterfaces/base/ibstream.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// The record is 60 bytes; later versions may add a little after it. A stream that goes on beyond
// this is not ours to read whole.
constexpr int kMaxStateBytes = 1 << 20;
constexpr int32 kReadPiece = 4096;

// Everything the stream holds up to the bound, read without the plug-in's lock. It ends at a read
// that delivers nothing or does not answer ok.
void ReadStream(IBStream* state, ByteChunk* bytes)
{
    unsigned char piece[kReadPiece];
    while (bytes->Size() < kMaxStateBytes)
    {
        int32 got = 0;
        const int32 want = std::min(kReadPiece, kMaxStateBytes - bytes->Size());
        if (state->read(piece, want, &got) != kResultOk || got <= 0)
            return;
        if (!bytes->PutBytes(piece, std::min(got, want)))
            return;
    }
}
} // namespace

bool IFxVST3::BuildStateRecord(ByteChunk* record)
{
    FxMutexLock lock(mMutex);
    const int32 bypassed = GetIsBypassed() ? 1 : 0;
    if (!SerializeState(record) || !record->Put(&bypassed))
        return false;
    AppendStateExtension(record);
    return true;
}

// The bytes beyond the record are the settings of the session (framework/core/StateExtension.h).
tresult IFxVST3::ApplyStateRecord(const ByteChunk& bytes)
{
    FxMutexLock lock(mMutex);
    // The stored chunk is as long as the present state; bytes the stream lacked keep the present
    // values.
    ByteChunk chunk;
    SerializeState(&chunk);
    if (chunk.Size() <= 0)
        return kResultFalse;
    if (bytes.Size() > 0)
        std::memcpy(chunk.GetBytes(), bytes.GetBytes(),
                    static_cast<size_t>(std::min(chunk.Size(), bytes.Size())));
    UnserializeState(&chunk, 0);
    AnnounceValuesChanged();

    // A stream that ends before the bypass flag is a failed restore.
    int32 bypassed = 0;
    if (bytes.Get(&bypassed, chunk.Size()) < 0)
        return kResultFalse;
    SetIsBypassed(bypassed != 0);
    const int after = chunk.Size() + static_cast<int>(sizeof(bypassed));
    ApplyStateExtension(bytes.GetBytes() + after, static_cast<size_t>(bytes.Size() - after));
    RedrawParamControls();
    return kResultOk;
}

// The host's stream is written and read outside the lock that process takes: a slow stream (a
// project on a network disk) must not hold up the audio thread.
tresult IFxVST3::WriteState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    ByteChunk record;
    if (!BuildStateRecord(&record))
        return kResultFalse;
    state->write(record.GetBytes(), record.Size(), nullptr);
    return kResultOk;
}

tresult IFxVST3::ReadState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    ByteChunk bytes;
    ReadStream(state, &bytes);
    AnnouncementHold hold(*this);
    return ApplyStateRecord(bytes);
}

tresult PLUGIN_API IFxVST3::getState(IBStream* state)
{
    return WriteState(state);
}

tresult PLUGIN_API IFxVST3::setState(IBStream* state)
{
    return ReadState(state);
}

tresult PLUGIN_API IFxVST3::getEditorState(IBStream* state)
{
    return WriteState(state);
}

tresult PLUGIN_API IFxVST3::setEditorState(IBStream* state)
{
    return ReadState(state);
}

// Processor and controller are one object, so the component's record handed to the controller is
// applied again: the same settings, also for a host that hands it to the controller only.
tresult PLUGIN_API IFxVST3::setComponentState(IBStream* state)
{
    return ReadState(state);
}
