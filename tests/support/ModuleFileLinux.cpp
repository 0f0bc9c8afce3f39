#include "ModuleFile.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace testsupport
{

// The names of the global symbols the module file defines in its dynamic symbol table: what any
// host or other library could bind to.
std::set<std::string> ExportedNames(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    std::set<std::string> names;
    if (bytes.size() < sizeof(Elf64_Ehdr))
        return names;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    std::vector<Elf64_Shdr> sections(header.e_shnum);
    std::memcpy(sections.data(), bytes.data() + header.e_shoff,
                sections.size() * sizeof(Elf64_Shdr));
    for (const Elf64_Shdr& section : sections)
    {
        if (section.sh_type != SHT_DYNSYM)
            continue;
        const char* strings = bytes.data() + sections[section.sh_link].sh_offset;
        for (size_t off = 0; off + sizeof(Elf64_Sym) <= section.sh_size; off += sizeof(Elf64_Sym))
        {
            Elf64_Sym sym;
            std::memcpy(&sym, bytes.data() + section.sh_offset + off, sizeof(sym));
            const int bind = ELF64_ST_BIND(sym.st_info);
            if (sym.st_shndx != SHN_UNDEF && (bind == STB_GLOBAL || bind == STB_WEAK))
                names.insert(strings + sym.st_name);
        }
    }
    return names;
}

std::set<std::string> PlatformEntryPoints()
{
    return {"GetPluginFactory", "bundleEntry", "bundleExit", "ModuleEntry", "ModuleExit"};
}

bool CallModuleEntry(const vst3host::ModuleLoader& module)
{
    auto entry = reinterpret_cast<bool (*)(void*)>(module.GetSymbol("ModuleEntry"));
    return entry && entry(nullptr);
}

bool CallModuleExit(const vst3host::ModuleLoader& module)
{
    auto exit = reinterpret_cast<bool (*)()>(module.GetSymbol("ModuleExit"));
    return exit && exit();
}

} // namespace testsupport
