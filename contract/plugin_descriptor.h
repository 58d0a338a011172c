// The record the plug-in hands the host when it registers its menu entry.
// The host keeps its address, so it is static data of the plug-in.  Its
// fields are 32-bit in the Windows build (the layout the host reads there);
// the native build keeps the same order with pointers of its own width.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contract/host_api.h"

using PluginHandler = int HOST_CONV_CDECL(void);

struct PluginDescriptor {
    unsigned char word[4];  // the bytes 00 00 08 43, read by the host
    const char* name;       // Mazovia, NUL-terminated, as the menu shows it
    uint32_t command;       // the plug-in's command number
    PluginHandler* handler; // called when the user picks the entry; returns 0
    unsigned char trailing[8];
};

#if defined(__i386__)
static_assert(offsetof(PluginDescriptor, name) == 4 && offsetof(PluginDescriptor, command) == 8 &&
              offsetof(PluginDescriptor, handler) == 12 && offsetof(PluginDescriptor, trailing) == 16 &&
              sizeof(PluginDescriptor) == 24);
#endif

inline constexpr uint32_t kPluginCommand = 0x7933;

// The plug-in's entry points, by number.
inline constexpr int kEntryQuery = 30001;
inline constexpr int kEntryLoad = 30008;
inline constexpr int kEntry30009 = 30009;
using PluginQueryFunction = int HOST_CONV_STDCALL(void* hostProcedure, char* nameBuffer);
using PluginLoadFunction = int HOST_CONV_STDCALL(int flag);
using PluginEntry30009Function = int HOST_CONV_CDECL(void);
