// The host's services as the plug-in calls them: one declaration per line of
// the entry list.  Calling HostAlloc(...) calls the entry's call routine, an
// indirect jump through its slot; the slot starts at the entry's
// bind-and-call routine, so the first call binds the entry by number.
#pragma once

#include "contract/host_api.h"

#if defined(_WIN32) && defined(__i386__)
// The call routines (thunks_i386.S) are plain labels; a __stdcall name would
// otherwise be looked for as "_name@<argument bytes>".
#define HOST_ENTRY_LABEL(name) __asm__("_" #name)
#else
#define HOST_ENTRY_LABEL(name)
#endif

extern "C" {
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    result HOST_CONV_##conv name params HOST_ENTRY_LABEL(name);
#include "contract/host_entries.h"
#undef HOST_ENTRY
}

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
