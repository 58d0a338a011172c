// What both sides know of the host entries besides the list itself: the
// calling conventions, the function type of every entry, and the sizes and
// values their arguments carry.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define HOST_CONV_STDCALL __attribute__((stdcall))
#define HOST_CONV_CDECL __attribute__((cdecl))
#define HOST_CONV_THISCALL __attribute__((thiscall))
#else
#define HOST_CONV_STDCALL
#define HOST_CONV_CDECL
#define HOST_CONV_THISCALL
#endif

// Calling conventions as values, for tables built from the list.
enum HostConvention { HostStdcall, HostCdecl, HostThiscall };
#define HOST_CONVENTION_STDCALL HostStdcall
#define HOST_CONVENTION_CDECL HostCdecl
#define HOST_CONVENTION_THISCALL HostThiscall

// Opaque blocks that the plug-in owns and the host fills: the scan state of
// HostScanOpen and HostScanNext, the key and the status block of HostLineKey.
// How large they are is the host's own business, which its entries do not
// show: a host keeps what it likes in them (a record key, an index position,
// the bounds and flags the scan was opened with, a reader's buffer).  So
// these are not the sizes of any one host's blocks but the plug-in's
// reservations for them, generous enough that a host's real block fits with
// room to spare (our own host keeps 16 bytes in a scan block, 12 in a key and
// 8 in a status block), and small enough
// for the stack frames that hold them (one scan block per gathering, a key
// and a status block per document's look-up).  A host never uses more of a
// block than its reservation.
inline constexpr int kHostScanStateSize = 1024;
inline constexpr int kHostLineKeySize = 256;
inline constexpr int kHostLineStatusSize = 256;

// Character sets of HostConvertText and HostRecode.
inline constexpr int kCharsetHost = 1;   // the host's Mazovia text
inline constexpr int kCharsetSystem = 3; // the system's ANSI text
inline constexpr int kCharsetUtf8 = 6;   // UTF-8, for the output file

// Each entry's position in the list: the plug-in's slot order.
enum HostSlotIndex : int {
#define HOST_ENTRY(number, name, conv, argc, result, params) HostSlot_##name,
#include "contract/host_entries.h"
#undef HOST_ENTRY
    kHostEntryCount
};

// Function types of the entries, for the host's side and for checks.
namespace host_types {
#define HOST_ENTRY(number, name, conv, argc, result, params) \
    using name = result HOST_CONV_##conv params;
#include "contract/host_entries.h"
#undef HOST_ENTRY
} // namespace host_types
