#include "ModuleFile.h"

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace testsupport
{
namespace
{

template <class T> bool Read(const std::vector<char>& bytes, size_t offset, T* out)
{
    if (offset > bytes.size() || bytes.size() - offset < sizeof(T))
        return false;
    std::memcpy(out, bytes.data() + offset, sizeof(T));
    return true;
}

// The file offset of a relative virtual address, through the section that holds it.
bool FileOffset(const std::vector<char>& bytes, size_t sections, int count, DWORD rva,
                size_t* offset)
{
    for (int i = 0; i < count; ++i)
    {
        IMAGE_SECTION_HEADER section;
        if (!Read(bytes, sections + size_t(i) * sizeof(section), &section))
            return false;
        if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
        {
            *offset = size_t(rva - section.VirtualAddress) + section.PointerToRawData;
            return true;
        }
    }
    return false;
}

} // namespace

std::set<std::string> ExportedNames(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::set<std::string> names;
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS64 nt;
    if (!Read(bytes, 0, &dos) || !Read(bytes, size_t(dos.e_lfanew), &nt) ||
        nt.Signature != IMAGE_NT_SIGNATURE ||
        nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        return names;
    const IMAGE_DATA_DIRECTORY& exports =
        nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    const size_t sections = size_t(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                            nt.FileHeader.SizeOfOptionalHeader;
    const int count = nt.FileHeader.NumberOfSections;
    size_t at = 0;
    IMAGE_EXPORT_DIRECTORY directory;
    if (!exports.VirtualAddress ||
        !FileOffset(bytes, sections, count, exports.VirtualAddress, &at) ||
        !Read(bytes, at, &directory) ||
        !FileOffset(bytes, sections, count, directory.AddressOfNames, &at))
        return names;
    for (DWORD i = 0; i < directory.NumberOfNames; ++i)
    {
        DWORD nameRva = 0;
        size_t nameAt = 0;
        if (!Read(bytes, at + i * sizeof(DWORD), &nameRva) ||
            !FileOffset(bytes, sections, count, nameRva, &nameAt))
            break;
        names.insert(std::string(bytes.data() + nameAt,
                                 strnlen(bytes.data() + nameAt, bytes.size() - nameAt)));
    }
    return names;
}

std::set<std::string> PlatformEntryPoints()
{
    return {"GetPluginFactory", "InitDll", "ExitDll"};
}

bool CallModuleEntry(const vst3host::ModuleLoader& module)
{
    auto entry = reinterpret_cast<bool (*)()>(module.GetSymbol("InitDll"));
    return entry && entry();
}

bool CallModuleExit(const vst3host::ModuleLoader& module)
{
    auto exit = reinterpret_cast<bool (*)()>(module.GetSymbol("ExitDll"));
    return exit && exit();
}

} // namespace testsupport
