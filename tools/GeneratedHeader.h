// The main of a generator of committed data: `<generator> <output file>` writes the text that
// generate makes; exit status 2 for a wrong call, 1 for a file that cannot be written.
#pragma once

#include <cstdio>
#include <string>

inline int WriteGeneratedFile(int argc, char** argv, std::string (*generate)())
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    const std::string text = generate();
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f)
    {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (std::fclose(f) != 0 || !written)
    {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
