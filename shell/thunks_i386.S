/*
 * Call and bind-and-call routines of the 32-bit Windows build, one pair per
 * line of host_entries.h, the slot table they jump through, and one fallback
 * per entry.
 *
 * Call routine:   jmp *slot                      (every caller uses this one)
 * Bind-and-call:  save every register and the flags (ECX carries the object
 *                 of a dialog-base method), BindEntry(number, &slot), restore,
 *                 and jmp *slot with the caller's arguments and return
 *                 address untouched - so stdcall, cdecl, thiscall and
 *                 variadic entries all pass through as they came.
 * A slot that binding left empty is never jumped through: the routine goes
 * to HostCallAbandoned(number) instead, which does not return.
 *
 * C symbols on this target carry a leading underscore.  The call routines
 * are plain labels "_<name>": host_api.h gives every declaration that label
 * (a __stdcall name would otherwise carry "@<bytes>").
 */
#if defined(__i386__) && defined(_WIN32)

/* Argument bytes an entry removes on return: stdcall all of its own, thiscall
   all but the object (which came in ECX), cdecl none (the caller does). */
#define HOST_POP_STDCALL(argc) (4 * (argc))
#define HOST_POP_THISCALL(argc) (4 * ((argc) - 1))
#define HOST_POP_CDECL(argc) 0

#define HOST_ENTRY(number, name, conv, argc, result, params) \
    .globl _##name; \
_##name: jmp *HostSlot_##number; \
HostBind_##number: \
    pushal; \
    pushfl; \
    pushl $HostSlot_##number; \
    pushl $number; \
    call _BindEntry; \
    addl $8, %esp; \
    popfl; \
    popal; \
    cmpl $0, HostSlot_##number; \
    je 1f; \
    jmp *HostSlot_##number; \
1:  pushl $number; \
    call _HostCallAbandoned; \
    ud2; \
HostFallback_##number: \
    .ifc #result,"double"; fldz; .endif; \
    xorl %eax, %eax; \
    xorl %edx, %edx; \
    ret $HOST_POP_##conv(argc);

    .text
#include "contract/host_entries.h"
#undef HOST_ENTRY

/* The slot table, in list order; each slot starts at its bind-and-call routine. */
#define HOST_ENTRY(number, name, conv, argc, result, params) \
HostSlot_##number: .long HostBind_##number;

    .data
    .balign 4
    .globl _HostSlots
_HostSlots:
#include "contract/host_entries.h"
#undef HOST_ENTRY

/* The bind-and-call routines again, read-only: an abandoned call puts its
   slot back to its routine, so that the next call binds afresh. */
#define HOST_ENTRY(number, name, conv, argc, result, params) .long HostBind_##number;

    .section .rdata,"dr"
    .balign 4
    .globl _HostBindRoutines
_HostBindRoutines:
#include "contract/host_entries.h"
#undef HOST_ENTRY

/* The fallback of each slot: returns 0 (in EAX:EDX, and on the FPU stack for
   an entry with a floating result) and removes exactly the bytes that the
   entry itself removes, so the caller's stack is as the real entry leaves
   it.  Whether an entry may have it is the binder's rule. */
#define HOST_ENTRY(number, name, conv, argc, result, params) .long HostFallback_##number;

    .section .rdata,"dr"
    .balign 4
    .globl _HostFallbacks
_HostFallbacks:
#include "contract/host_entries.h"
#undef HOST_ENTRY

#endif
