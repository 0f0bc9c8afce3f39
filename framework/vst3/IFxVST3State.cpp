// The saved state: one record for component and controller, with the bypass flag after it and the
// settings of the session after that.
#include "IFxVST3.h"

#include "HostCallGuards.h"

#include "pluginterfaces/base/ibstream.h"

#include <algorithm>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace
{
// What follows the record is a few settings; a stream longer than this holds something else.
constexpr int32 kMaxExtension = 65536;

std::vector<unsigned char> ReadRest(IBStream* state)
{
    std::vector<unsigned char> rest;
    unsigned char buffer[1024];
    int32 nRead = 0;
    while (rest.size() < static_cast<size_t>(kMaxExtension) &&
           state->read(buffer, sizeof(buffer), &nRead) == kResultOk && nRead > 0)
        rest.insert(rest.end(), buffer, buffer + std::min<int32>(nRead, sizeof(buffer)));
    return rest;
}
} // namespace

tresult IFxVST3::WriteState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    FxMutexLock lock(mMutex);
    ByteChunk chunk;
    if (!SerializeState(&chunk))
        return kResultFalse;
    if (chunk.Size())
        state->write(chunk.GetBytes(), chunk.Size(), nullptr);
    int32 bypassed = GetIsBypassed() ? 1 : 0;
    state->write(&bypassed, sizeof(bypassed), nullptr);
    ByteChunk extension;
    AppendStateExtension(&extension);
    if (extension.Size())
        state->write(extension.GetBytes(), extension.Size(), nullptr);
    return kResultOk;
}

tresult IFxVST3::ReadState(IBStream* state)
{
    if (!state)
        return kInvalidArgument;
    AnnouncementHold hold(*this);
    FxMutexLock lock(mMutex);
    // The stored chunk is as long as the present state; bytes the stream lacks keep the
    // present values.
    ByteChunk chunk;
    SerializeState(&chunk);
    if (chunk.Size() <= 0)
        return kResultFalse;
    state->read(chunk.GetBytes(), chunk.Size(), nullptr);
    UnserializeState(&chunk, 0);
    AnnounceValuesChanged();

    int32 bypassed = 0;
    int32 nRead = 0;
    // A stream that ends before the bypass flag is a failed restore, even if the stream answers
    // ok for a short read.
    if (state->read(&bypassed, sizeof(bypassed), &nRead) != kResultOk || nRead != sizeof(bypassed))
        return kResultFalse;
    SetIsBypassed(bypassed != 0);
    const std::vector<unsigned char> extension = ReadRest(state);
    ApplyStateExtension(extension.data(), extension.size());
    RedrawParamControls();
    return kResultOk;
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
