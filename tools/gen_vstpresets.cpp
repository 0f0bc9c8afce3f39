// gen_vstpresets <folder>: writes one VST 3 preset file (NAME.vstpreset) a factory preset into
// folder, for the preset browsers of VST 3 hosts. Each file holds the state record the plug-in
// object itself saves with the preset's values, as component and as controller state, in the
// layout the SDK's preset-file code writes and hosts read.
#include "framework/vst3/PlugModule.h"
#include "plugin/FactoryPresets.h"

#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/vstpresetfile.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

using namespace Steinberg;

namespace
{

struct PlugRelease
{
    void operator()(IFxVST3* plug) const { plug->release(); }
};

std::string XmlEscaped(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p)
        switch (*p)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += *p;
        }
    return out;
}

// Hosts list the file under its name; these characters cannot be part of one everywhere.
std::string FileName(const char* presetName)
{
    std::string name = presetName;
    for (char& c : name)
        if (std::strchr("\\*?/:<>|", c))
            c = '_';
    return name + ".vstpreset";
}

// What a preset browser shows besides the name.
std::string MetaInfo(const FactoryPreset& preset)
{
    const auto attr = [](const char* id, const std::string& value)
    {
        return "\t<Attr id=\"" + std::string(id) + "\" value=\"" + value +
               "\" type=\"string\" flags=\"writeProtected\"/>\n";
    };
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<MetaInfo>\n" +
           attr("MediaType", "VstPreset") +
           attr("PlugInCategory", XmlEscaped(kPlugClassRecord.subCategories)) +
           attr("PlugInName", XmlEscaped(kPlugClassRecord.name)) +
           attr("Name", XmlEscaped(preset.name)) + "</MetaInfo>\n";
}

bool WritePreset(const std::string& path, const FactoryPreset& preset, const FUID& classID)
{
    const std::unique_ptr<IFxVST3, PlugRelease> plug(MakePlug());
    for (int i = 0; i < kNumParams && i < plug->NParams(); ++i)
        plug->GetParam(i)->SetClamped(preset.values[i]);
    MemoryStream component, controller;
    if (plug->getState(&component) != kResultOk || plug->getEditorState(&controller) != kResultOk)
        return false;
    component.seek(0, IBStream::kIBSeekSet, nullptr);
    controller.seek(0, IBStream::kIBSeekSet, nullptr);
    IBStream* file = Vst::FileStream::open(path.c_str(), "wb");
    if (!file)
        return false;
    const std::string meta = MetaInfo(preset);
    const bool saved =
        Vst::PresetFile::savePreset(file, classID, &component, &controller, meta.c_str());
    file->release();
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: gen_vstpresets <folder>\n");
        return 2;
    }
    TUID cid;
    PlugClassIDBytes(reinterpret_cast<unsigned char*>(cid));
    const FUID classID = FUID::fromTUID(cid);
    for (int i = 0; i < kNumFactoryPresets; ++i)
    {
        const std::string path = std::string(argv[1]) + "/" + FileName(kFactoryPresets[i].name);
        if (!WritePreset(path, kFactoryPresets[i], classID))
        {
            std::fprintf(stderr, "gen_vstpresets: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
