// Lazy binding of host entries: each entry is looked up by its number in the
// host module the first time the plug-in calls it.
#pragma once

#include <csetjmp>

extern "C" {
// Looks the entry up and fills its slot: the host's entry, a fallback after
// "Ignore" where the entry has one, or null.
void BindEntry(int number, void** slot);
// Reached instead of a jump through a slot that binding left empty.
[[noreturn]] void HostCallAbandoned(int number);
}

// What the user answered to a missing entry: leave the slot empty (the call
// is abandoned), or ignore it (the entry gets its fallback, where it has one,
// and no missing entry is asked about again).
enum class MissingEntryAnswer { Abort, Ignore };
MissingEntryAnswer MissingEntryPrompt(int number);
// Stores the fallback for the entry's class in the slot, or null.
void PickFallback(int number, void** slot);
// Whether the two-digit rule gives the entry a fallback at all.
bool EntryHasFallback(int number);

// Shows a host text (Mazovia) in the system's message box with an OK
// button, converted where the host's conversion entry can be had; used when
// the host's own message entries may be the ones missing.
void ShowSystemNotice(const char* text, const char* title);

// Puts every slot back to its bind-and-call routine and clears the ignore
// flag, as when the plug-in is loaded afresh.
void ResetHostBinding();

// Set once the user answered "Ignore"; never cleared while bound.
extern bool g_ignoreMissingEntries;

// A call whose slot stays empty is abandoned by returning to the innermost
// guard: the plug-in's entry point that set it ends its work cleanly there.
struct HostCallGuard {
    std::jmp_buf where;
    HostCallGuard* outer;
    int abandonedEntry;
};
extern HostCallGuard* g_hostCallGuard;
