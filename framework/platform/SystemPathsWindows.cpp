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

std::string ExecutablePath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::string();
        if (n < path.size())
            return WithForwardSlashes(FxUtf8FromWide(path.substr(0, n).c_str()));
        path.resize(path.size() * 2);
    }
}

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
