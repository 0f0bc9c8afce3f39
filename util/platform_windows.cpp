#include "util/platform.h"
#include "util/widetext.h"

#include <windows.h>
// (after windows.h, on which it builds)
#include <shellapi.h>

std::wstring FxWideFromUtf8(const char* utf8)
{
    const int n =
        utf8 ? MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0) : 0;
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

std::string FxUtf8FromWide(const wchar_t* wide)
{
    const int n = wide ? WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, nullptr, 0,
                                             nullptr, nullptr)
                       : 0;
    if (n <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide, -1, &utf8[0], n, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(n - 1));
    return utf8;
}

std::FILE* FxOpenFile(const char* path, const char* mode)
{
    const std::wstring widePath = FxWideFromUtf8(path), wideMode = FxWideFromUtf8(mode);
    if (widePath.empty() || wideMode.empty())
        return nullptr;
    return _wfopen(widePath.c_str(), wideMode.c_str());
}

bool FxIsReadableFile(const char* path)
{
    const std::wstring wide = FxWideFromUtf8(path);
    const DWORD attributes =
        wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    std::FILE* file = _wfopen(wide.c_str(), L"rb");
    if (!file)
        return false;
    std::fclose(file);
    return true;
}

bool FxIsAbsolutePath(const char* path)
{
    if (!path)
        return false;
    const bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                       path[1] == ':' && (path[2] == '/' || path[2] == '\\');
    const bool network = (path[0] == '/' || path[0] == '\\') && (path[1] == '/' || path[1] == '\\');
    return drive || network;
}

namespace
{
// The file of module (null: the program), UTF-8 with forward slashes.
std::string ModuleFile(HMODULE module)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD n = GetModuleFileNameW(module, &path[0], static_cast<DWORD>(path.size()));
        if (n == 0)
            return std::string();
        if (n < path.size())
        {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    std::string utf8 = FxUtf8FromWide(path.c_str());
    for (char& c : utf8)
        if (c == '\\')
            c = '/';
    return utf8;
}
} // namespace

std::string FxModuleFileOf(const void* address)
{
    HMODULE module = nullptr;
    if (!address || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                            GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                        static_cast<LPCWSTR>(address), &module))
        return std::string();
    return ModuleFile(module);
}

std::string FxProgramFile()
{
    return ModuleFile(nullptr);
}

std::vector<std::string> FxUtf8Arguments(int, char**)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i)
        arguments.push_back(FxUtf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}
