#pragma once

// What a plug-in supplies to its module, whichever host API the module serves: the factory
// function (declared by each adapter, returning its own type), the module hooks and the texts
// that name the plug-in to hosts.
bool InitModule();
bool DeinitModule();

struct PlugClassRecord
{
    const char* vendor;
    const char* url;
    const char* email;
    const char* name;
    const char* subCategories;
    const char* version;
};
extern const PlugClassRecord kPlugClassRecord;

// The four words of the plug-in's class ID: two fixed words, the maker ID and the plug-in ID.
extern unsigned int GUID_DATA1, GUID_DATA2, GUID_DATA3, GUID_DATA4;

// The class ID's sixteen bytes as hosts see them: each word most significant byte first.
inline void PlugClassIDBytes(unsigned char* bytes)
{
    const unsigned int words[4] = {GUID_DATA1, GUID_DATA2, GUID_DATA3, GUID_DATA4};
    for (int w = 0; w < 4; ++w)
        for (int b = 0; b < 4; ++b)
            bytes[4 * w + b] = static_cast<unsigned char>(words[w] >> (24 - 8 * b));
}
