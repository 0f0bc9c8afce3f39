// What loading a module takes on this platform, for ModuleLoader: one implementation per
// platform (ModulePlatformLinux.cpp: dlopen, ModuleEntry/ModuleExit; ModulePlatformWindows.cpp:
// LoadLibraryW, InitDll/ExitDll).
#pragma once

#include <string>

namespace vst3host
{
namespace platform
{

// The folder of a bundle's Contents that holds this machine's module ("x86_64-linux").
extern const char* const kBundleArchitecture;
// The module file's extension (".so").
extern const char* const kModuleExtension;
// The names of the module's entry and exit as this platform's hosts call them.
extern const char* const kEntryName;
extern const char* const kExitName;

// Whether path names a folder (a bundle, rather than a module file).
bool IsFolder(const std::string& path);
// The module file as the loader should be given it.
std::string LoadablePath(const std::string& path);
// Loads the module at path (UTF-8); null with why set when it cannot be loaded.
void* OpenModule(const std::string& path, std::string* why);
void* FindSymbol(void* module, const char* name);
void CloseModule(void* module);
// Calls the module's entry function entry (found under kEntryName) as hosts do.
bool CallEntry(void* module, void* entry);

} // namespace platform
} // namespace vst3host
