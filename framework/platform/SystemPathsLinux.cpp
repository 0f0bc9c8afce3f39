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

std::string ExecutablePath()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

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
