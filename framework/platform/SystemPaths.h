// The user's and the system's folders that the editor's path operations name, one
// implementation per platform (SystemPathsLinux.cpp, SystemPathsWindows.cpp). UTF-8, forward
// slashes, no trailing slash; "" when the system does not say.
#pragma once

#include <string>

std::string DesktopFolder();
// Where applications keep their data: for every user (system true) or for this one.
std::string AppSupportFolder(bool system);
// The user's music folder, writable also in a sandboxed host.
std::string MusicFolder();
