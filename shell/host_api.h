// The host's services as the plug-in sees them: one declaration per line of
// host_entries.h.  Calling HostAlloc(...) calls the entry's call routine, an
// indirect jump through its slot; the slot starts at the entry's
// bind-and-call routine, so the first call binds the entry by number.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define HOST_CONV_STDCALL __attribute__((stdcall))
#define HOST_CONV_CDECL __attribute__((cdecl))
#define HOST_CONV_THISCALL __attribute__((thiscall))
// The call routines (thunks_i386.S) are plain labels; a __stdcall name would
// otherwise be looked for as "_name@<argument bytes>".
#define HOST_ENTRY_LABEL(name) __asm__("_" #name)
#else
#define HOST_CONV_STDCALL
#define HOST_CONV_CDECL
#define HOST_CONV_THISCALL
#define HOST_ENTRY_LABEL(name)
#endif

// Calling conventions as values, for tables built from the list.
enum HostConvention { HostStdcall, HostCdecl, HostThiscall };
#define HOST_CONVENTION_STDCALL HostStdcall
#define HOST_CONVENTION_CDECL HostCdecl
#define HOST_CONVENTION_THISCALL HostThiscall

// Opaque blocks that the plug-in owns and the host fills; their sizes are the
// host's choice, made here once for both sides.
inline constexpr int kHostScanStateSize = 64;
inline constexpr int kHostLineKeySize = 32;
inline constexpr int kHostLineStatusSize = 32;

// Character sets of HostConvertText and HostRecode.
inline constexpr int kCharsetHost = 1;   // the host's Mazovia text
inline constexpr int kCharsetSystem = 3; // the system's ANSI text
inline constexpr int kCharsetUtf8 = 6;   // UTF-8, for the output file

extern "C" {
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    result HOST_CONV_##conv name params HOST_ENTRY_LABEL(name);
#include "host_entries.h"
#undef HOST_ENTRY
}

// Slot indices, in list order.
enum HostSlotIndex : int {
#define HOST_ENTRY(number, name, conv, argc, result, params) HostSlot_##name,
#include "host_entries.h"
#undef HOST_ENTRY
    kHostEntryCount
};

// Function types of the entries, for the host's side and for checks.
namespace host_types {
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    using name = result HOST_CONV_##conv params;
#include "host_entries.h"
#undef HOST_ENTRY
} // namespace host_types

struct HostEntryInfo {
    int number;
    const char* name;
    HostConvention convention;
    int argc;
};

// The list as data: number, name, convention and argument count per slot.
extern const HostEntryInfo kHostEntries[kHostEntryCount];

// The slot table: one slot per entry, in list order.
extern "C" void* HostSlots[kHostEntryCount];
// The bind-and-call routine of each slot, the slots' first contents.
extern "C" void* const HostBindRoutines[kHostEntryCount];
// The fallback of each slot: does nothing and returns 0, removing exactly
// the entry's own arguments where the entry removes them.
extern "C" void* const HostFallbacks[kHostEntryCount];

// Slot index of an entry number, or -1.
int HostSlotOfNumber(int number);
