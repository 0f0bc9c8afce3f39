#include "ModulePlatform.h"

#include "util/widetext.h"

#include <windows.h>

namespace vst3host
{
namespace platform
{

const char* const kBundleArchitecture = "x86_64-win";
// The DLL carries the bundle's extension.
const char* const kModuleExtension = ".vst3";
const char* const kEntryName = "InitDll";
const char* const kExitName = "ExitDll";

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(FxWideFromUtf8(path.c_str()).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string LoadablePath(const std::string& path)
{
    return path;
}

void* OpenModule(const std::string& path, std::string* why)
{
    const std::wstring wide = FxWideFromUtf8(path.c_str());
    // The module's own folder is searched for what it depends on, not the host's.
    HMODULE module = wide.empty()
                         ? nullptr
                         : LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
    {
        wchar_t* message = nullptr;
        const DWORD error = GetLastError();
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
        *why = message ? FxUtf8FromWide(message) : "error " + std::to_string(error);
        LocalFree(message);
        while (!why->empty() && (why->back() == '\n' || why->back() == '\r' || why->back() == '.'))
            why->pop_back();
    }
    return module;
}

void* FindSymbol(void* module, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module)
{
    FreeLibrary(static_cast<HMODULE>(module));
}

bool CallEntry(void*, void* entry)
{
    return reinterpret_cast<bool (*)()>(entry)();
}

} // namespace platform
} // namespace vst3host
