// The entry and exit of Linux hosts: ModuleEntry after dlopen, ModuleExit before dlclose.
#include "PlugModule.h"

extern "C" bool ModuleEntry(void*)
{
    return EnterModule();
}

extern "C" bool ModuleExit()
{
    return LeaveModule();
}
