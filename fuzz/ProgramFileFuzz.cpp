// Program (.fxp) or bank (.fxb) files of unknown origin, built as fuzz_fxp or, with FUZZ_BANK,
// as fuzz_fxb. The first byte chooses the plug-in: VELTAR, which stores parameter values, or a
// plug-in base that stores state chunks. A refused file must change nothing; an accepted one
// must leave sane parameters, and what the plug-in then saves must load and save to itself.
#include "FuzzSupport.h"

namespace
{
#ifdef FUZZ_BANK
bool Load(IFxBase& plug, const unsigned char* data, size_t size)
{
    return plug.LoadBankFromMemory(data, size);
}
bool Save(IFxBase& plug, ByteChunk* file)
{
    return plug.SaveBankToChunk(file);
}
#else
bool Load(IFxBase& plug, const unsigned char* data, size_t size)
{
    return plug.LoadProgramFromMemory(data, size);
}
bool Save(IFxBase& plug, ByteChunk* file)
{
    return plug.SaveProgramToChunk(file);
}
#endif

// Everything a load may change: parameters, presets and the current preset.
void Everything(IFxBase& plug, ByteChunk* all)
{
    FUZZ_CHECK(plug.SerializeParams(all));
    FUZZ_CHECK(plug.SerializePresets(all));
    const int current = plug.GetCurrentPresetIdx();
    all->Put(&current);
}

void Check(IFxBase& plug, const unsigned char* data, size_t size)
{
    ByteChunk before;
    Everything(plug, &before);
    if (!Load(plug, data, size))
    {
        ByteChunk after;
        Everything(plug, &after);
        FUZZ_CHECK(after.IsEqual(before));
        return;
    }
    fuzzsupport::CheckParams(plug);
    ByteChunk saved;
    FUZZ_CHECK(Save(plug, &saved));
    FUZZ_CHECK(Load(plug, saved.GetBytes(), static_cast<size_t>(saved.Size())));
    fuzzsupport::CheckParams(plug);
    ByteChunk again;
    FUZZ_CHECK(Save(plug, &again));
    FUZZ_CHECK(again.IsEqual(saved));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] & 1)
    {
        fuzzsupport::CoreAdapter plug(3, 2, true);
        Check(plug, data + 1, size - 1);
    }
    else
    {
        IFxVST3& plug = fuzzsupport::PlugAtBaseline();
        Check(plug, data + 1, size - 1);
        fuzzsupport::CheckProcessesFinite(plug);
    }
    return 0;
}
