#pragma once

#include "pluginterfaces/base/ipluginbase.h"

#include <string>

namespace vst3host
{

// Loads a VST 3 module as a host of this platform does. Linux: dlopen the module file,
// ModuleEntry(handle), GetPluginFactory(); Windows: LoadLibraryW, InitDll(), GetPluginFactory().
// Destruction undoes it in reverse: release the factory, ModuleExit or ExitDll, unload.
class ModuleLoader
{
public:
    // path (UTF-8) is a bundle folder (X.vst3, whose module is X.vst3/Contents/x86_64-linux/X.so
    // on Linux, X.vst3/Contents/x86_64-win/X.vst3 on Windows) or the module file itself.
    explicit ModuleLoader(const std::string& path);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // The module file of a bundle folder (a trailing slash is allowed).
    static std::string ModulePathForBundle(const std::string& bundlePath);
    // The module's name: "…/VELTAR.vst3/" gives "VELTAR".
    static std::string ModuleNameForBundle(const std::string& bundlePath);

    bool IsLoaded() const { return mFactory != nullptr; }
    // Why loading failed, in a sentence that names the module; empty once loaded.
    const std::string& GetError() const { return mError; }
    // The module's factory, with the loader's reference (borrowed by the caller).
    Steinberg::IPluginFactory* GetFactory() const { return mFactory; }
    // A symbol the module exports, null when it has none or nothing is loaded.
    void* GetSymbol(const char* name) const;

private:
    void Fail(const std::string& why);
    // Undoes whatever part of the loading succeeded.
    void Unload();

    void* mHandle = nullptr;
    bool (*mExit)() = nullptr;
    Steinberg::IPluginFactory* mFactory = nullptr;
    std::string mError;
};

} // namespace vst3host
