// Process attach and the exports by number of the native build.  A shared
// object has no export ordinals, so each entry point is also exported under
// the name "Ordinal<number>", which the native host looks up.
#include <dlfcn.h>

#include "plugin/entry_points.h"
#include "shell/module_handles.h"

extern "C" {
__attribute__((visibility("default"))) int Ordinal30001(void* hostProcedure, char* nameBuffer)
{
    return PluginQuery(hostProcedure, nameBuffer);
}
__attribute__((visibility("default"))) int Ordinal30008(int flag) { return PluginLoad(flag); }
__attribute__((visibility("default"))) int Ordinal30009(void) { return PluginEntry30009(); }
}

// Runs when the module is loaded, as process attach does on Windows: it only
// remembers the plug-in's own module and looks the host module up.
__attribute__((constructor)) static void ProcessAttach()
{
    Dl_info info{};
    void* own = nullptr;
    if (dladdr(reinterpret_cast<void*>(&ProcessAttach), &info) != 0 && info.dli_fname != nullptr)
        own = dlopen(info.dli_fname, RTLD_NOLOAD | RTLD_LAZY);
    PluginProcessAttach(own);
    if (own != nullptr)
        dlclose(own); // RTLD_NOLOAD took a reference of its own
}
