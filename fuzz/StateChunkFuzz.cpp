// State chunks and preset banks of unknown origin, read at any start position. Whatever they
// hold, the parameters must end up finite and in range, and what the plug-in then writes must
// read back to the very same bytes.
#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool bank = in.ConsumeBool();
    const int start = in.ConsumeIntegralInRange<int>(-2, 13);
    const std::vector<uint8_t> bytes = in.ConsumeRemainingBytes<uint8_t>();
    ByteChunk chunk;
    chunk.PutBytes(bytes.data(), static_cast<int>(bytes.size()));

    IFxVST3* plug = &fuzzsupport::PlugAtBaseline();
    const int end =
        bank ? plug->UnserializePresets(&chunk, start) : plug->UnserializeParams(&chunk, start);
    FUZZ_CHECK(end == -1 || (end >= start && end <= chunk.Size()));
    fuzzsupport::CheckParams(*plug);

    ByteChunk params;
    FUZZ_CHECK(plug->SerializeParams(&params));
    FUZZ_CHECK(params.Size() == 8 * plug->NParams());
    FUZZ_CHECK(plug->UnserializeParams(&params, 0) == params.Size());
    ByteChunk paramsAgain;
    FUZZ_CHECK(plug->SerializeParams(&paramsAgain));
    FUZZ_CHECK(paramsAgain.IsEqual(params));

    ByteChunk presets;
    FUZZ_CHECK(plug->SerializePresets(&presets));
    FUZZ_CHECK(plug->UnserializePresets(&presets, 0) == presets.Size());
    fuzzsupport::CheckParams(*plug);
    ByteChunk presetsAgain;
    FUZZ_CHECK(plug->SerializePresets(&presetsAgain));
    FUZZ_CHECK(presetsAgain.IsEqual(presets));

    fuzzsupport::CheckProcessesFinite(*plug);
    return 0;
}
