// gen_lv2_turtle <bundle folder> <module> <UI module>: writes manifest.ttl, the plug-in's
// description and its factory presets into the LV2 bundle, read from the plug-in object built for
// LV2 and from its preset table.
#include "IFxPlug.h"
#include "framework/lv2/LV2Turtle.h"
#include "plugin/FactoryPresets.h"

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

namespace
{
bool Write(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        std::fprintf(stderr, "gen_lv2_turtle: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
    {
        std::fprintf(stderr, "usage: gen_lv2_turtle <bundle folder> <module> <UI module>\n");
        return 2;
    }
    const std::unique_ptr<IFxLV2> plug(MakePlug());
    const std::string name = plug->GetEffectName();
    LV2BundleFiles files = {argv[2], argv[3], name + ".ttl", "presets.ttl", {}};
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        const FactoryPreset& p = kFactoryPresets[i];
        files.presets.push_back({p.name, p.description, {p.values, p.values + kNumParams}});
    }
    const std::string dir = argv[1];
    return Write(dir + "/manifest.ttl", LV2ManifestTurtle(*plug, files)) &&
                   Write(dir + "/" + files.pluginData, LV2PluginTurtle(*plug, files)) &&
                   Write(dir + "/" + files.presetData, LV2PresetsTurtle(*plug, files.presets))
               ? 0
               : 1;
}
