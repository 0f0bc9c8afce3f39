#include "util/platform.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

std::FILE* FxOpenFile(const char* path, const char* mode)
{
    return path && mode ? std::fopen(path, mode) : nullptr;
}

bool FxIsReadableFile(const char* path)
{
    return path && access(path, R_OK) == 0;
}

bool FxIsAbsolutePath(const char* path)
{
    return path && path[0] == '/';
}

std::string FxModuleFileOf(const void* address)
{
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname)
        return std::string();
    // The loader reports the name the module was opened by, which may be relative.
    char* absolute = realpath(info.dli_fname, nullptr);
    if (!absolute)
        return std::string();
    std::string path = absolute;
    std::free(absolute);
    return path;
}

std::string FxProgramFile()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::vector<std::string> FxUtf8Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}
