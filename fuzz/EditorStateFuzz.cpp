// The controller state a host hands back from its project: any bytes at all. After a restore the
// parameters must be sane, the state must save as 60 bytes that restore to themselves, and the
// plug-in must still produce finite audio.
#include "FuzzSupport.h"

#include "public.sdk/source/common/memorystream.h"

#include <cstring>

using namespace Steinberg;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    IFxVST3* plug = &fuzzsupport::PlugAtBaseline();

    MemoryStream in(const_cast<uint8_t*>(data), static_cast<TSize>(size));
    plug->setEditorState(&in);
    fuzzsupport::CheckParams(*plug);

    MemoryStream saved;
    FUZZ_CHECK(plug->getEditorState(&saved) == kResultOk);
    FUZZ_CHECK(saved.getSize() == 60);

    saved.seek(0, IBStream::kIBSeekSet, nullptr);
    FUZZ_CHECK(plug->setEditorState(&saved) == kResultOk);
    MemoryStream again;
    FUZZ_CHECK(plug->getEditorState(&again) == kResultOk);
    FUZZ_CHECK(again.getSize() == saved.getSize());
    FUZZ_CHECK(
        !std::memcmp(again.getData(), saved.getData(), static_cast<size_t>(saved.getSize())));

    fuzzsupport::CheckProcessesFinite(*plug);
    return 0;
}
