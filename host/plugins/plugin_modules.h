// The system's side of loading a plug-in module: open it, find an entry
// point by its number, close it.  One file per platform.
#pragma once

#include <string>

// The module at the path (UTF-8), or null with the system's reason in *error.
void* OpenPluginModule(const std::string& path, std::string* error);
void* PluginEntryByNumber(void* module, int number);
void ClosePluginModule(void* module);
// The file-name ending of plug-in modules (".so", ".dll"), lower case.
const char* PluginModuleExtension();
