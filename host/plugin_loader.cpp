// Loading plug-in modules (native: shared objects, whose entry points are
// exported as "Ordinal<number>" since ELF has no ordinals).
#include <dlfcn.h>

#include <algorithm>
#include <filesystem>

#include "../shell/native_module.h"
#include "../shell/plugin_descriptor.h"
#include "plugin_registry.h"

namespace {

std::vector<void*>& Loaded()
{
    static std::vector<void*> handles;
    return handles;
}

void* EntryByNumber(void* module, int number)
{
    const std::string name = "Ordinal" + std::to_string(number);
    return dlsym(module, name.c_str());
}

// What the host hands the plug-in's query as its procedure: any non-null
// address of the host will do; the plug-in only tells null from not.
int HostProcedure() { return 0; }

} // namespace

bool HostLoadPlugin(const std::string& path, std::string* error)
{
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        if (error != nullptr)
            *error = "cannot load the plug-in \"" + path + "\": " + dlerror();
        return false;
    }
    auto* query = reinterpret_cast<PluginQueryFunction*>(EntryByNumber(module, kEntryQuery));
    auto* load = reinterpret_cast<PluginLoadFunction*>(EntryByNumber(module, kEntryLoad));
    if (query == nullptr || load == nullptr) {
        dlclose(module);
        if (error != nullptr)
            *error = "\"" + path + "\" is not a plug-in: it has no entry points 30001 and 30008";
        return false;
    }
    Loaded().push_back(module);
    char name[256] = {};
    const int answer = query(reinterpret_cast<void*>(&HostProcedure), name);
    HostSetLoadingModule(path);
    load(answer == 0 ? 0 : 1);
    HostSetLoadingModule("");
    return true;
}

void HostUnloadPlugins()
{
    HostForgetMenuEntries();
    for (void* module : Loaded())
        dlclose(module);
    Loaded().clear();
}

std::vector<std::string> HostPluginFilesIn(const std::string& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec))
        if (item.is_regular_file(ec) && item.path().extension() == ".so")
            files.push_back(item.path().string());
    std::sort(files.begin(), files.end());
    return files;
}
