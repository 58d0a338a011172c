// Registration of menu entries (the plug-in hands over a descriptor) and
// running them.
#include "host/plugins/plugin_registry.h"

#include <algorithm>

#include "contract/plugin_descriptor.h"
#include "host/common/entry_guard.h"
#include "host/host_entry_impl.h"
#include "host/services/host_latitude.h"
#include "host/common/mazovia.h"

namespace {

std::vector<HostMenuEntry>& Entries()
{
    static std::vector<HostMenuEntry> entries;
    return entries;
}

// Set by the loader while a plug-in's load entry point runs.
std::string g_loadingModule;

} // namespace

void HostSetLoadingModule(const std::string& module) { g_loadingModule = module; }

void HostForgetMenuEntries() { Entries().clear(); }

const std::vector<HostMenuEntry>& HostMenuEntries() { return Entries(); }

bool HostRunMenuEntry(const std::string& name)
{
    for (const HostMenuEntry& e : Entries())
        if (e.name == name) {
            const LatitudeCommandLocale locale; // variation 1024: the command runs under the Polish numeric locale
#ifdef HOST_LATITUDE_STACK_CHECK
            if (LatitudeOn()) {
                LatitudeCheckedCall<int>([] { return std::string("the command handler of the descriptor"); },
                                         reinterpret_cast<const void*>(e.handler), false, nullptr);
                return true;
            }
#endif
            e.handler();
            return true;
        }
    return false;
}

namespace tomiva {

int HOST_CONV_STDCALL HostRegisterPlugin(const void* descriptor)
{
    LatitudeEntered();
    if (descriptor == nullptr)
        return 0;
    return HostEntryGuard(0, [descriptor] {
        // The first word and the trailing bytes carry nothing for this host.
        const PluginDescriptor* d = static_cast<const PluginDescriptor*>(descriptor);
        if (d->name == nullptr || d->handler == nullptr)
            return 0;
        HostMenuEntry entry{MazoviaToUtf8(d->name), d->command, d->handler, g_loadingModule};
        auto& entries = Entries();
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const HostMenuEntry& e) { return e.command == entry.command; }),
                      entries.end());
        entries.push_back(entry);
        return LatitudeUnused(1);
    });
}

int HOST_CONV_STDCALL HostReleaseCommand(int command)
{
    LatitudeEntered();
    auto& entries = Entries();
    const auto before = entries.size();
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const HostMenuEntry& e) { return e.command == static_cast<unsigned>(command); }),
                  entries.end());
    return LatitudeUnused(entries.size() != before ? 1 : 0);
}

} // namespace tomiva
