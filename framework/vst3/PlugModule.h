#pragma once

#include "IFxVST3.h"

#include "framework/core/PlugClassRecord.h"

// The plug-in's factory function, for the module entry's class factory.
IFxVST3* MakePlug();

// The folder of the loaded bundle's resources; empty before the host entered the module.
const char* GetModuleResourcesPath();
