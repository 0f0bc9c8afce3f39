#include "ModuleLoader.h"

#include "ModulePlatform.h"

namespace vst3host
{
namespace
{

using ModuleExitFunc = bool (*)();
using GetFactoryFunc = Steinberg::IPluginFactory* (*)();

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
    if (platform::IsFolder(path))
        return ModuleLoader::ModulePathForBundle(path);
    return platform::LoadablePath(path);
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
    return WithoutTrailingSlashes(bundlePath) + "/Contents/" + platform::kBundleArchitecture + "/" +
           ModuleNameForBundle(bundlePath) + platform::kModuleExtension;
}

ModuleLoader::ModuleLoader(const std::string& path)
{
    const std::string modulePath = ModulePathFor(path);
    std::string why;
    mHandle = platform::OpenModule(modulePath, &why);
    if (!mHandle)
    {
        Fail("cannot load the plug-in module " + modulePath + ": " + why);
        return;
    }
    void* entry = platform::FindSymbol(mHandle, platform::kEntryName);
    auto exit =
        reinterpret_cast<ModuleExitFunc>(platform::FindSymbol(mHandle, platform::kExitName));
    auto getFactory =
        reinterpret_cast<GetFactoryFunc>(platform::FindSymbol(mHandle, "GetPluginFactory"));
    if (!entry || !exit || !getFactory)
    {
        Fail(modulePath + " is not a VST 3 module (it lacks " + platform::kEntryName + ", " +
             platform::kExitName + " or GetPluginFactory)");
        return;
    }
    // Hosts start the module before anything else and say goodbye before unloading it.
    if (!platform::CallEntry(mHandle, entry))
    {
        Fail("the plug-in module " + modulePath + " refused to start (" + platform::kEntryName +
             " failed)");
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
    return mHandle ? platform::FindSymbol(mHandle, name) : nullptr;
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
        platform::CloseModule(mHandle);
    mHandle = nullptr;
}

} // namespace vst3host
