// How the native build finds a module by name and an entry by number: the
// stand-in for GetModuleHandleA and GetProcAddress(module, MAKEINTRESOURCE(n))
// of the Windows build.  A native host program defines one NativeModule under
// the exported symbol "native_module_<NAME>" (e.g. native_module_TOMIVA).
#pragma once

struct NativeModule {
    const char* name;
    // The entry's address, or null when the module does not offer it.
    void* (*lookupByNumber)(int number);
};

#define NATIVE_MODULE_SYMBOL_PREFIX "native_module_"
