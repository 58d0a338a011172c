// The host's dialogs as the rest of the host and its tests see them: the
// dialog base class's virtual table, whose slots (DialogSlot) the contract
// generates from the list of host entries.  (Scripted answers, Cancel and the
// refusal live in the session, HostState().)  The plug-in never sees this
// header.
#pragma once

#include <array>

#include "contract/dialog_base.h"

// The host entry number behind each slot (0 for slot 0, the derived class's
// own deleting destructor).
inline constexpr std::array<int, kDialogSlotCount> kDialogBaseSlotEntries = [] {
    std::array<int, kDialogSlotCount> entries{};
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    DIALOG_BASE_SLOT(conv, name, entries[kDialogSlot_##name] = number;)
#include "contract/host_entries.h"
#undef HOST_ENTRY
    return entries;
}();

// A virtual table whose operations are all the host's own (slot 0 runs the
// base destructor and frees nothing): for a dialog run without an object of
// the plug-in's, and for tests.
const void* const* HostDialogBaseVtable();
