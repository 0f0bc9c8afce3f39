#pragma once

#include "IFxVST3.h"

// What a plug-in supplies to the module entry: its factory function, its module hooks and the
// texts of its class record. The module entry builds the class factory from them.
IFxVST3* MakePlug();
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

// The four words of the component's class ID: two fixed words, the maker ID and the plug-in ID.
extern unsigned int GUID_DATA1, GUID_DATA2, GUID_DATA3, GUID_DATA4;

// The folder of the loaded bundle's resources; empty before the host entered the module.
const char* GetModuleResourcesPath();
