// Native plug-in modules are shared objects; ELF has no export ordinals, so
// each entry point is also exported under the name "Ordinal<number>".
#include <dlfcn.h>

#include "host/plugins/plugin_modules.h"

void* OpenPluginModule(const std::string& path, std::string* error)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr && error != nullptr)
        *error = dlerror();
    return module;
}

void* PluginEntryByNumber(void* module, int number)
{
    const std::string name = "Ordinal" + std::to_string(number);
    return dlsym(module, name.c_str());
}

void ClosePluginModule(void* module) { dlclose(module); }

const char* PluginModuleExtension() { return ".so"; }
