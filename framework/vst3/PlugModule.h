#pragma once

#include "IFxVST3.h"

#include "framework/core/PlugClassRecord.h"

// The plug-in's factory function, for the module entry's class factory.
IFxVST3* MakePlug();

// The folder of the loaded bundle's resources; empty before the host entered the module.
const char* GetModuleResourcesPath();

// The module's start and end, for the entry and exit that this platform's hosts call: counted,
// so that only the first start finds the bundle and initialises the module, and only the last
// end deinitialises it. LeaveModule answers false when called more often than EnterModule.
bool EnterModule();
bool LeaveModule();
