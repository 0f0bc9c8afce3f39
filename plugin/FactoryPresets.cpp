#include "plugin/FactoryPresets.h"

#include <cctype>

// Each is level-matched: pink noise at -19 dBFS RMS comes out within 0.3 dB of its level, so
// that switching between presets compares colour, not loudness. The switches read 0 for a
// transformer in circuit and 1 for out; Model 0 is the tube stage, 1 and 2 the line amplifiers.
const FactoryPreset kFactoryPresets[] = {
    {"Clean Console",
     "The tube stage at unity, transformers out: the cleanest path.",
     {0.0, 0.0, 0.5, 0.5, 1, 1, 0}},
    {"Warm Tube",
     "The tube stage driven through the input transformer.",
     {18.0, -18.0, 0.56, 0.44, 0, 1, 0}},
    {"Driven Line Amp",
     "The first line amplifier pushed hard, both transformers in.",
     {18.0, -16.0, 0.5, 0.54, 0, 0, 1}},
    {"Bus Glue",
     "Light line-amplifier drive into the output transformer.",
     {6.0, -6.5, 0.52, 0.52, 1, 0, 1}},
    {"Bright Vocal",
     "Tube warmth, a lifted top and trimmed lows for a voice.",
     {12.0, -12.0, 0.42, 0.64, 0, 1, 0}},
    {"Dark Bass",
     "Second line amplifier's grit, heavy lows, a softer top.",
     {12.0, -12.0, 0.64, 0.36, 0, 0, 2}},
    {"Drum Crunch",
     "Second line amplifier slammed, both transformers in.",
     {22.0, -18.0, 0.55, 0.58, 0, 0, 2}},
    {"Mastering Sheen",
     "A touch of tube, air on top, the output transformer.",
     {4.0, -4.5, 0.51, 0.55, 1, 0, 0}},
};

const int kNumFactoryPresets = int(sizeof(kFactoryPresets) / sizeof(kFactoryPresets[0]));

namespace
{
int Folded(char c)
{
    return c == '-' || c == '_' ? ' ' : std::tolower(static_cast<unsigned char>(c));
}
} // namespace

const FactoryPreset* FindFactoryPreset(const char* name)
{
    if (!name)
        return nullptr;
    for (const FactoryPreset& preset : kFactoryPresets)
    {
        const char* a = preset.name;
        const char* b = name;
        while (*a && *b && Folded(*a) == Folded(*b))
            ++a, ++b;
        if (!*a && !*b)
            return &preset;
    }
    return nullptr;
}
