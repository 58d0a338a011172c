// Lazy binding of host entries: each entry is looked up by its number in the
// host module the first time the plug-in calls it.
#pragma once

#include "shell/host_calls.h"

extern "C" {
// Looks the entry up and returns where the pending call goes.  Found: the
// host's entry, kept in the slot.  Missing and ignored where the entry has a
// fallback: the fallback, kept in the slot.  Otherwise the call is abandoned:
// the entry's own fallback takes this one call (it returns 0 and removes
// exactly the entry's argument bytes), the slot stays at binding and the
// running command is marked abandoned.
void* BindEntry(int number, void** slot);
}

// What the user answered to a missing entry: abandon the command, or ignore
// the fault (the entry gets its fallback, where it has one, and no missing
// entry is asked about again).
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
// flag and the mark, as when the plug-in is loaded afresh.
void ResetHostBinding();

// Set once the user answered "Ignore"; never cleared while bound.
extern bool g_ignoreMissingEntries;

// The mark of an abandoned command.  A call that cannot reach the host
// returns 0 and marks the running command; every later missing entry of the
// same command returns 0 as well, without asking again.  The plug-in's code
// checks the mark where it can stop by its ordinary paths (after the dialog,
// per document, per contractor, per line) and winds down there; no frame,
// the host's included, is ever jumped over.
bool CommandAbandoned();
// The entry whose call marked the command first, or 0.
int AbandonedEntry();
// Marks the running command abandoned by the entry in that slot: for a
// caller to which an ignored entry's fallback answered with nothing it can
// work with (no line buffer to write into).
void AbandonCommand(HostSlotIndex slot);
// Whether a call of the entry in that slot was abandoned in the running
// command: it returned 0 without reaching the host.
bool EntryAbandoned(HostSlotIndex slot);

// The span of one entry point of the plug-in (the export command, the load
// and query entry points): it starts unmarked and gives the enclosing span
// its own mark back when it ends.
class CommandSpan {
public:
    CommandSpan();
    ~CommandSpan();
    CommandSpan(const CommandSpan&) = delete;
    CommandSpan& operator=(const CommandSpan&) = delete;

private:
    int outerEntry_;
    bool outerAbandoned_[kHostEntryCount];
};
