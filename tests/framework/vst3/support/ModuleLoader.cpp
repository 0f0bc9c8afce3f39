#include "ModuleLoader.h"

#include <dlfcn.h>

namespace vst3test
{
namespace
{

using ModuleEntryFunc = bool (*)(void*);
using ModuleExitFunc = bool (*)();
using GetFactoryFunc = Steinberg::IPluginFactory* (*)();

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::string ModuleLoader::ModulePathForBundle(const std::string& bundlePath)
{
    std::string folder = bundlePath;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    std::string name = folder.substr(folder.rfind('/') + 1);
    if (EndsWith(name, ".vst3"))
        name.resize(name.size() - 5);
    return folder + "/Contents/x86_64-linux/" + name + ".so";
}

ModuleLoader::ModuleLoader(const std::string& path)
{
    const std::string modulePath = EndsWith(path, ".so") ? path : ModulePathForBundle(path);
    mHandle = dlopen(modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!mHandle)
    {
        const char* why = dlerror();
        Fail(std::string("dlopen failed: ") + (why ? why : modulePath));
        return;
    }
    auto entry = reinterpret_cast<ModuleEntryFunc>(dlsym(mHandle, "ModuleEntry"));
    auto getFactory = reinterpret_cast<GetFactoryFunc>(dlsym(mHandle, "GetPluginFactory"));
    if (!entry || !getFactory || !dlsym(mHandle, "ModuleExit"))
    {
        Fail("module lacks ModuleEntry, ModuleExit or GetPluginFactory");
        return;
    }
    if (!entry(mHandle))
    {
        Fail("ModuleEntry answered false");
        return;
    }
    mEntered = true;
    mFactory = getFactory();
    if (!mFactory)
        Fail("GetPluginFactory answered null");
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
    if (mEntered)
        reinterpret_cast<ModuleExitFunc>(dlsym(mHandle, "ModuleExit"))();
    mEntered = false;
    if (mHandle)
        dlclose(mHandle);
    mHandle = nullptr;
}

} // namespace vst3test
