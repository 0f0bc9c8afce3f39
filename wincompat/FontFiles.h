// Where the font files behind CreateFont's face names are: one implementation per platform.
#pragma once

#include <string>

struct FontFile
{
    std::string path; // UTF-8
    int index = 0;    // face index within the file
    std::string family;
};

// The file of the face to use for faceName at this weight and slant. A face is found whenever
// the platform has any: when the named family is not there, a monospaced face stands in.
// Callers hold the font library's lock.
bool FindFontFile(const char* faceName, int weight, bool italic, FontFile* out);
