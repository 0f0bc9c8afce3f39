// What a VST 3 module file looks like to this platform's hosts, for the tests of the built
// module: one implementation per platform (ModuleFileLinux.cpp, ModuleFileWindows.cpp).
#pragma once

#include "ModuleLoader.h"

#include <set>
#include <string>

namespace testsupport
{

// The names the module file at path offers other code: the defined global symbols of its
// dynamic symbol table (ELF) or the names of its export table (PE).
std::set<std::string> ExportedNames(const std::string& path);
// The entry points a module for this platform's hosts exports, and nothing else.
std::set<std::string> PlatformEntryPoints();
// Calls the loaded module's entry (ModuleEntry, InitDll) and exit (ModuleExit, ExitDll) as this
// platform's hosts do.
bool CallModuleEntry(const vst3host::ModuleLoader& module);
bool CallModuleExit(const vst3host::ModuleLoader& module);

} // namespace testsupport
