// Presets written into a plug-in's source as base64 text with a stated size: whatever the text,
// the preset holds exactly that many bytes, the decoded ones first and zeros after them.
#include "FuzzSupport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int chunkSize = in.ConsumeIntegralInRange<int>(-4, 4095);
    const std::string name = in.ConsumeRandomLengthString(300);
    const std::string text = in.ConsumeRemainingBytesAsString();

    fuzzsupport::CoreAdapter plug(0, 2, false);
    plug.MakePresetFromBlob(name.c_str(), text.c_str(), chunkSize);
    const IPreset* preset = plug.GetPreset(0);
    FUZZ_CHECK(preset->mInitialized);
    FUZZ_CHECK(preset->mChunk.Size() == (chunkSize > 0 ? chunkSize : 0));
    FUZZ_CHECK(std::strlen(preset->mName) < IPreset::kNameLen);
    FUZZ_CHECK(!std::strncmp(preset->mName, name.c_str(), IPreset::kNameLen - 1));
    FUZZ_CHECK(!plug.GetPreset(1)->mInitialized);

    // Decoding stops at the first character outside the alphabet; every four characters before
    // it give three bytes, and past what they give the chunk holds only zeros.
    const size_t decoded =
        std::strspn(text.c_str(),
                    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/") *
        6 / 8;
    for (int i = static_cast<int>(decoded); i < preset->mChunk.Size(); ++i)
        FUZZ_CHECK(preset->mChunk.GetBytes()[i] == 0);
    return 0;
}
