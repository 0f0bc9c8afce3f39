// The few things the C library and the module loader do differently on each platform, behind
// one set of functions (platform_linux.cpp, platform_windows.cpp). Paths are UTF-8 everywhere:
// on Windows the C library's own calls take the system's code page, and a bundle installed
// under a user's name with accents would otherwise stay out of reach.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// fopen with path in UTF-8; null for a null path or when the file cannot be opened.
std::FILE* FxOpenFile(const char* path, const char* mode);
// Whether path (UTF-8) names a file this process may read.
bool FxIsReadableFile(const char* path);
// Whether path is absolute ("/…" on Linux; "C:/…", "C:\…" or a network path on Windows).
bool FxIsAbsolutePath(const char* path);
// The absolute path, with forward slashes, of the loaded module (shared library, DLL or
// program) that contains address; "" when no module contains it.
std::string FxModuleFileOf(const void* address);
// The absolute path of the running program (for a plug-in: its host's), with forward slashes.
std::string FxProgramFile();
// The program's arguments in UTF-8 (on Windows, from the wide command line: main's own are in the
// system's code page).
std::vector<std::string> FxUtf8Arguments(int argc, char** argv);
