// The controller state a host hands back from its project: any bytes at all. After a restore the
// parameters must be sane, the oversampling choice one the plug-in offers with its own latency,
// the state must save as the 60-byte record (and the oversampling section when it is not off) that
// restores to itself, and the plug-in must still produce finite audio.
#include "FuzzSupport.h"

#include "public.sdk/source/common/memorystream.h"

using namespace Steinberg;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IFxVST3* plug = &fuzzsupport::PlugAtBaseline();

    MemoryStream in(const_cast<uint8_t*>(data), static_cast<TSize>(size));
    plug->setEditorState(&in);
    fuzzsupport::CheckParams(*plug);
    fuzzsupport::CheckOversampling(*plug);
    fuzzsupport::CheckStateRoundTrips(*plug);
    fuzzsupport::CheckProcessesFinite(*plug);
    return 0;
}
