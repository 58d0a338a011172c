#include "shell/module_handles.h"

PlatformModule g_ownModule = nullptr;
PlatformModule g_hostModule = nullptr;

void PluginProcessAttach(PlatformModule ownModule)
{
    g_ownModule = ownModule;
    if (g_hostModule == nullptr)
        g_hostModule = PlatformFindModule(kHostModuleName);
}
