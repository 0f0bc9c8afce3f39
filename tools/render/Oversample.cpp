#include "Oversample.h"

#include "framework/core/StateExtension.h"

namespace veltar_render
{

bool SetOversampling(vst3host::Vst3Host& host, int factor, std::string& error)
{
    if (factor == 1)
        return true;
    vst3host::PluginState chosen;
    if (!host.SaveState(chosen))
    {
        error = host.GetError();
        return false;
    }
    // A freshly loaded plug-in keeps no oversampling, so its state ends with the record.
    const std::vector<uint8_t> section =
        EncodeOversamplingSection({factor, OversamplingChoice::kSameAsRealtime});
    for (std::vector<uint8_t>* bytes : {&chosen.component, &chosen.controller})
        if (!bytes->empty())
            bytes->insert(bytes->end(), section.begin(), section.end());
    vst3host::PluginState kept;
    if (!host.RestoreState(chosen) || !host.SaveState(kept))
    {
        error = host.GetError();
        return false;
    }
    // A plug-in that took the choice saves it again.
    if (kept.controller != chosen.controller)
    {
        error = "the plug-in does not offer " + std::to_string(factor) + "x oversampling";
        return false;
    }
    return true;
}

} // namespace veltar_render
