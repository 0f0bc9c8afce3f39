#include "ModulePlatform.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace vst3host
{
namespace platform
{

#if defined(__x86_64__)
const char* const kBundleArchitecture = "x86_64-linux";
#elif defined(__aarch64__)
const char* const kBundleArchitecture = "aarch64-linux";
#elif defined(__i386__)
const char* const kBundleArchitecture = "i386-linux";
#else
#error "No VST 3 bundle folder name known for this architecture"
#endif
const char* const kModuleExtension = ".so";
const char* const kEntryName = "ModuleEntry";
const char* const kExitName = "ModuleExit";

bool IsFolder(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string LoadablePath(const std::string& path)
{
    // dlopen searches the library path for a bare file name; the caller meant this folder.
    return path.find('/') == std::string::npos ? "./" + path : path;
}

void* OpenModule(const std::string& path, std::string* why)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
    {
        const char* error = dlerror();
        *why = error ? error : "unknown error";
    }
    return module;
}

void* FindSymbol(void* module, const char* name)
{
    return dlsym(module, name);
}

void CloseModule(void* module)
{
    dlclose(module);
}

// Linux hosts hand the module its own handle.
bool CallEntry(void* module, void* entry)
{
    return reinterpret_cast<bool (*)(void*)>(entry)(module);
}

} // namespace platform
} // namespace vst3host
