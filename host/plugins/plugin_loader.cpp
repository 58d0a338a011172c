// Loading plug-in modules: the entry points are found by number, the query
// asks for the name and compatibility, the load lets the plug-in register.
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "contract/plugin_descriptor.h"
#include "host/common/error_text.h"
#include "host/common/system_path.h"
#include "host/plugins/plugin_modules.h"
#include "host/plugins/plugin_registry.h"
#include "host/services/host_latitude.h"

namespace {

std::vector<void*>& Loaded()
{
    static std::vector<void*> modules;
    return modules;
}

// What the host hands the plug-in's query as its procedure: any non-null
// address of the host will do; the plug-in only tells null from not.
int HostProcedure() { return 0; }

} // namespace

bool HostLoadPlugin(const std::string& path, std::string* error)
{
    std::string reason;
    void* module = OpenPluginModule(path, &reason);
    if (module == nullptr) {
        SetError(error, "cannot load the plug-in \"" + path + "\": " + reason);
        return false;
    }
    auto* query = reinterpret_cast<PluginQueryFunction*>(PluginEntryByNumber(module, kEntryQuery));
    auto* load = reinterpret_cast<PluginLoadFunction*>(PluginEntryByNumber(module, kEntryLoad));
    if (query == nullptr || load == nullptr) {
        ClosePluginModule(module);
        SetError(error, "\"" + path + "\" is not a plug-in: it has no entry points 30001 and 30008");
        return false;
    }
    Loaded().push_back(module);
    char name[256] = {};
    // The host with latitude calls export 30009 too, and on i386 checks the
    // stack pointer around each call.
    auto* entry30009 = LatitudeOn() ? reinterpret_cast<PluginEntry30009Function*>(PluginEntryByNumber(module, kEntry30009))
                                    : nullptr;
#ifdef HOST_LATITUDE_STACK_CHECK
    if (LatitudeOn()) {
        const int answer = LatitudeCheckedCall<int>([] { return std::string("PluginQuery (export 30001)"); },
                                                    reinterpret_cast<const void*>(query), true, nullptr,
                                                    reinterpret_cast<void*>(&HostProcedure), name);
        HostSetLoadingModule(path);
        LatitudeCheckedCall<int>([] { return std::string("PluginLoad (export 30008)"); },
                                 reinterpret_cast<const void*>(load), true, nullptr, answer == 0 ? 0 : 1);
        HostSetLoadingModule("");
        if (entry30009 != nullptr)
            LatitudeCheckedCall<int>([] { return std::string("export 30009"); },
                                     reinterpret_cast<const void*>(entry30009), false, nullptr);
        return true;
    }
#endif
    const int answer = query(reinterpret_cast<void*>(&HostProcedure), name);
    HostSetLoadingModule(path);
    load(answer == 0 ? 0 : 1);
    HostSetLoadingModule("");
    if (entry30009 != nullptr)
        entry30009();
    return true;
}

void HostUnloadPlugins()
{
    HostForgetMenuEntries();
    for (void* module : Loaded())
        ClosePluginModule(module);
    Loaded().clear();
}

std::vector<std::string> HostPluginFilesIn(const std::string& folder)
{
    // Not std::filesystem's iterator, which ends the program when memory
    // runs short inside it; a shortage here is an exception like any other.
    std::vector<std::string> files;
    for (const std::string& name : NamesInFolder(folder)) {
        const std::filesystem::path path = SystemPath(folder) / SystemPath(name);
        std::string extension = Utf8Path(path.extension());
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::error_code ec;
        if (extension == PluginModuleExtension() && std::filesystem::is_regular_file(path, ec))
            files.push_back(Utf8Path(path));
    }
    std::sort(files.begin(), files.end());
    return files;
}
