#include "SystemPaths.h"

#include "util/widetext.h"

#include <windows.h>
// (after windows.h, on which they build)
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>

namespace
{
std::string WithForwardSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string KnownFolder(REFKNOWNFOLDERID id)
{
    PWSTR wide = nullptr;
    std::string path;
    if (SHGetKnownFolderPath(id, 0, nullptr, &wide) == S_OK)
        path = WithForwardSlashes(FxUtf8FromWide(wide));
    CoTaskMemFree(wide);
    return path;
}
} // namespace

std::string DesktopFolder()
{
    return KnownFolder(FOLDERID_Desktop);
}

std::string AppSupportFolder(bool system)
{
    return KnownFolder(system ? FOLDERID_ProgramData : FOLDERID_RoamingAppData);
}

std::string MusicFolder()
{
    return KnownFolder(FOLDERID_Music);
}
