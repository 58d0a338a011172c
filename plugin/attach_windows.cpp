// Process attach of the Windows build.  The three entry points themselves
// (entry_points.cpp) are exported by number only, through
// ExportFKVentalor.def.
#include <windows.h>

#include "shell/module_handles.h"

// Runs under the loader lock: it only remembers the plug-in's own module and
// looks the host module up.  Every other reason needs no work.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH)
        PluginProcessAttach(instance);
    return TRUE;
}
