/*
 * Call and bind-and-call routines of the 32-bit Windows build, one pair per
 * line of host_entries.h, the slot table they jump through, and one fallback
 * per entry.
 *
 * Call routine:   jmp *slot                      (every caller uses this one)
 * Bind-and-call:  save every register and the flags (ECX carries the object
 *                 of a dialog-base method), BindEntry(number, &slot), restore,
 *                 and go on at the address BindEntry returned with the
 *                 caller's arguments and return address untouched - so
 *                 stdcall, cdecl, thiscall and variadic entries all pass
 *                 through as they came.  That address is the host's entry,
 *                 an ignored entry's fallback, or, for a call that is
 *                 abandoned, the entry's own fallback for this one call,
 *                 which returns 0 and removes exactly the entry's argument
 *                 bytes.  No register is free for the jump: the address is
 *                 stored in a word kept below the saved registers, and
 *                 "ret" takes it from there once they are restored.
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
/* What pushal and pushfl put on the stack: eight registers and the flags. */
#define HOST_SAVED_BYTES 36

#define HOST_ENTRY(number, name, conv, argc, result, params) \
    .globl _##name; \
_##name: jmp *HostSlot_##number; \
HostBind_##number: \
    subl $4, %esp; \
    pushal; \
    pushfl; \
    pushl $HostSlot_##number; \
    pushl $number; \
    call _BindEntry; \
    addl $8, %esp; \
    movl %eax, HOST_SAVED_BYTES(%esp); \
    popfl; \
    popal; \
    ret; \
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

/* The bind-and-call routines again, read-only: the slots' first contents,
   to which ResetHostBinding puts them back. */
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
   it.  Whether an ignored entry keeps it is the binder's rule; an abandoned
   call takes it whatever the rule. */
#define HOST_ENTRY(number, name, conv, argc, result, params) .long HostFallback_##number;

    .section .rdata,"dr"
    .balign 4
    .globl _HostFallbacks
_HostFallbacks:
#include "contract/host_entries.h"
#undef HOST_ENTRY

#endif
