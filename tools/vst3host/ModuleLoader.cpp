#include "ModuleLoader.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace vst3host
{
namespace
{

using ModuleEntryFunc = bool (*)(void*);
using ModuleExitFunc = bool (*)();
using GetFactoryFunc = Steinberg::IPluginFactory* (*)();

// The folder of a bundle that holds the module for this machine.
#if defined(__x86_64__)
constexpr const char* kBundleArchitecture = "x86_64-linux";
#elif defined(__aarch64__)
constexpr const char* kBundleArchitecture = "aarch64-linux";
#elif defined(__i386__)
constexpr const char* kBundleArchitecture = "i386-linux";
#else
#error "No VST 3 bundle folder name known for this architecture"
#endif

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

std::string WithoutTrailingSlashes(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

std::string ModulePathFor(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return ModuleLoader::ModulePathForBundle(path);
    // dlopen searches the library path for a bare file name; the caller meant this folder.
    return path.find('/') == std::string::npos ? "./" + path : path;
}

} // namespace

std::string ModuleLoader::ModuleNameForBundle(const std::string& bundlePath)
{
    const std::string folder = WithoutTrailingSlashes(bundlePath);
    std::string name = folder.substr(folder.rfind('/') + 1);
    if (EndsWith(name, ".vst3"))
        name.resize(name.size() - 5);
    return name;
}

std::string ModuleLoader::ModulePathForBundle(const std::string& bundlePath)
{
    return WithoutTrailingSlashes(bundlePath) + "/Contents/" + kBundleArchitecture + "/" +
           ModuleNameForBundle(bundlePath) + ".so";
}

ModuleLoader::ModuleLoader(const std::string& path)
{
    const std::string modulePath = ModulePathFor(path);
    mHandle = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!mHandle)
    {
        const char* why = dlerror();
        Fail("cannot load the plug-in module " + modulePath + ": " + (why ? why : "unknown error"));
        return;
    }
    auto entry = reinterpret_cast<ModuleEntryFunc>(dlsym(mHandle, "ModuleEntry"));
    auto exit = reinterpret_cast<ModuleExitFunc>(dlsym(mHandle, "ModuleExit"));
    auto getFactory = reinterpret_cast<GetFactoryFunc>(dlsym(mHandle, "GetPluginFactory"));
    if (!entry || !exit || !getFactory)
    {
        Fail(modulePath +
             " is not a VST 3 module (it lacks ModuleEntry, ModuleExit or GetPluginFactory)");
        return;
    }
    // Linux hosts hand the module its own handle first and say goodbye before unloading it.
    if (!entry(mHandle))
    {
        Fail("the plug-in module " + modulePath + " refused to start (ModuleEntry failed)");
        return;
    }
    mExit = exit;
    mFactory = getFactory();
    if (!mFactory)
        Fail("the plug-in module " + modulePath + " offers no class factory");
}

ModuleLoader::~ModuleLoader()
{
    Unload();
}

void* ModuleLoader::GetSymbol(const char* name) const
{
    return mHandle ? dlsym(mHandle, name) : nullptr;
}

void ModuleLoader::Fail(const std::string& why)
{
    mError = why;
    Unload();
}

void ModuleLoader::Unload()
{
    if (mFactory)
        mFactory->release();
    mFactory = nullptr;
    if (mExit)
        mExit();
    mExit = nullptr;
    if (mHandle)
        dlclose(mHandle);
    mHandle = nullptr;
}

} // namespace vst3host
