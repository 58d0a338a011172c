// Plug-ins the host has loaded and the menu entries they registered.
#pragma once

#include <string>
#include <vector>

struct HostMenuEntry {
    std::string name; // UTF-8, as the menu shows it
    unsigned command;
    int (*handler)(void);
    std::string module; // the file of the plug-in that registered it
};

// Loads a plug-in module: looks up its entry points by number, asks for its
// name and compatibility (30001) and tells it that it is loaded (30008, flag
// 0) or refused (flag 1, when the query answered -1).  False with a message
// when the file is not a plug-in.
bool HostLoadPlugin(const std::string& path, std::string* error);
// Unloads every plug-in and forgets their menu entries.
void HostUnloadPlugins();

// The plug-in modules in a folder: files ending in ".so" (".dll" on
// Windows), in name order.
std::vector<std::string> HostPluginFilesIn(const std::string& folder);

const std::vector<HostMenuEntry>& HostMenuEntries();
// Runs the entry with that name; false when there is none.
bool HostRunMenuEntry(const std::string& name);

// For the loader: the module whose load entry point is running (its
// registrations are credited to it), and forgetting every entry.
void HostSetLoadingModule(const std::string& module);
void HostForgetMenuEntries();
