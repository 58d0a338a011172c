// The host's dialog base class as the plug-in embeds it, and the layout of
// its virtual table.
//
// The object's first word is its virtual table; then comes the host's own
// state.  How large the host's class is, the host alone knows: its entries
// do not show it, and a real dialog class keeps a good deal (its window, its
// controls, the focus, the data record's bindings, the attributes of its
// texts).  The plug-in reserves kDialogBaseHostDataSize bytes for it, 256
// times the 16 bytes our own host keeps there, so that a host's real class
// fits with room to spare; the host never uses more.  The object lives on the export
// command's stack: some 9.5 KiB with its run state (the command's frame is
// 10.5 KiB in the 32-bit DLL, 4 KiB more than with a 64-byte part), far
// within a thread's stack (1 MiB by default; a small thread's 64 KiB).  Nothing addresses the members behind the base part
// by their offset from the object's start (the dialog is handed the options
// record by its own address), so the reservation moves nothing the host or
// the settings file sees.  The plug-in never reads or writes the host's part.
//
// The table is generated from the list of host entries: slot 0 is the
// derived class's deleting destructor, then one slot per method of the base
// (a THISCALL line), in the list's order, leaving out the base's constructor
// and destructor.  The plug-in fills its objects' table this way and the
// host calls through it this way, so both take the slots from here.
#pragma once

inline constexpr int kDialogBaseHostDataSize = 4096;

struct WDialogBase {
    const void* const* vtable;
    unsigned char hostData[kDialogBaseHostDataSize];
};

// Which THISCALL lines take no slot: the base's constructor and destructor,
// which the derived class's own constructor and destructor call directly.
// This is the one place that says so.
#define DIALOG_BASE_NOT_VIRTUAL_WDialogBaseConstruct ~, DIALOG_BASE_DROP
#define DIALOG_BASE_NOT_VIRTUAL_WDialogBaseDestroy ~, DIALOG_BASE_DROP

// DIALOG_BASE_SLOT(conv, name, tokens...) gives the tokens when the list's
// line (conv, name) is a slot of the virtual table, and nothing otherwise.
// Used inside a definition of HOST_ENTRY, as the slot enum below does.
//
// A THISCALL line picks DIALOG_BASE_KEEP, unless its name is one of the
// above, whose "~, DIALOG_BASE_DROP" pushes DIALOG_BASE_DROP into the
// picked place.
#define DIALOG_BASE_SLOT(conv, name, ...) DIALOG_BASE_SLOT_##conv(name)(__VA_ARGS__)
#define DIALOG_BASE_SLOT_STDCALL(name) DIALOG_BASE_DROP
#define DIALOG_BASE_SLOT_CDECL(name) DIALOG_BASE_DROP
#define DIALOG_BASE_SLOT_THISCALL(name) DIALOG_BASE_SECOND(DIALOG_BASE_NOT_VIRTUAL_##name, DIALOG_BASE_KEEP, ~)
#define DIALOG_BASE_SECOND(...) DIALOG_BASE_SECOND_OF(__VA_ARGS__)
#define DIALOG_BASE_SECOND_OF(first, second, ...) second
#define DIALOG_BASE_KEEP(...) __VA_ARGS__
#define DIALOG_BASE_DROP(...)

// The slots by the name of the entry behind each.
enum DialogSlot : int {
    kDialogSlot_DeletingDestructor,
#define HOST_ENTRY(number, name, conv, argc, result, params) DIALOG_BASE_SLOT(conv, name, kDialogSlot_##name, )
#include "contract/host_entries.h"
#undef HOST_ENTRY
    kDialogSlotCount
};

// The host program's table: the deleting destructor and 34 operations.  A
// THISCALL line added to or dropped from the list moves every later slot.
static_assert(kDialogSlotCount == 35, "the dialog base's virtual table has 35 slots");
