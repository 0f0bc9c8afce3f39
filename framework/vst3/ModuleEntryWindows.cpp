// The entry and exit of Windows hosts: InitDll after LoadLibrary, ExitDll before FreeLibrary.
#include "PlugModule.h"

extern "C" bool InitDll()
{
    return EnterModule();
}

extern "C" bool ExitDll()
{
    return LeaveModule();
}
