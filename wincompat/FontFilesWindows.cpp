// On Windows the editor's text comes from font files carried in the plug-in's bundle
// (Contents/Resources/fonts): DejaVu Sans Mono, the face fontconfig gives the editor's "Monaco"
// on Linux. Rendered by the same FreeType, the text is then the same pixels on both platforms
// and on every Windows machine, whatever fonts it has installed.
#include "util/platform.h"
#include "wincompat/FontFiles.h"
#include "wincompat/wincompat.h"

#include <string>

// Any face name gets the bundled family, in the weight and slant asked for. A module inside a
// bundle (NAME.vst3/Contents/x86_64-win/) finds it in the bundle's resources; a program outside
// one (the tests) in a fonts folder beside it.
bool FindFontFile(const char*, int weight, bool italic, FontFile* out)
{
    static const std::string folder = []
    {
        const std::string module = FxModuleFileOf(reinterpret_cast<const void*>(&FindFontFile));
        return module.substr(0, module.rfind('/'));
    }();
    if (folder.empty())
        return false;
    std::string file = "DejaVuSansMono";
    if (weight >= FW_BOLD || italic)
        file += std::string("-") + (weight >= FW_BOLD ? "Bold" : "") + (italic ? "Oblique" : "");
    file += ".ttf";
    for (const std::string& candidate :
         {folder + "/../Resources/fonts/" + file, folder + "/fonts/" + file})
    {
        if (FxIsReadableFile(candidate.c_str()))
        {
            out->path = candidate;
            out->index = 0;
            out->family = "DejaVu Sans Mono";
            return true;
        }
    }
    return false;
}
