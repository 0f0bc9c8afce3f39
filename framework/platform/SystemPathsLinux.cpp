#include "SystemPaths.h"

#include <pwd.h>
#include <unistd.h>

namespace
{
std::string HomeFolder()
{
    const struct passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : "";
}
} // namespace

std::string DesktopFolder()
{
    return HomeFolder() + "/Desktop";
}

std::string AppSupportFolder(bool system)
{
    return system ? "/usr/local/share" : HomeFolder() + "/.local/share";
}

std::string MusicFolder()
{
    return HomeFolder() + "/Music";
}
