/*
 * Call and bind-and-call routines of the native x86-64 build, one pair per
 * line of host_entries.h, and the slot table they jump through.
 *
 * Call routine:   jmp *slot                      (every caller uses this one)
 * Bind-and-call:  save every argument register, BindEntry(number, &slot),
 *                 restore, and jump to the address BindEntry returned with
 *                 the caller's arguments and return address untouched - so
 *                 variadic entries and every calling convention pass
 *                 through as they came.  That address is the host's entry,
 *                 an ignored entry's fallback, or, for a call that is
 *                 abandoned, the entry's fallback for this one call: the
 *                 call returns 0 to its caller like any other.
 * The jump goes through %r11, which carries no argument.
 */
#if defined(__x86_64__) && defined(__ELF__)

#define HOST_ENTRY(number, name, conv, argc, result, params) \
    .globl name; .hidden name; .type name,@function; \
name: jmp *HostSlot_##number(%rip); \
    .size name, .-name; \
    .type HostBind_##number,@function; \
HostBind_##number: \
    push %rdi; push %rsi; push %rdx; push %rcx; push %r8; push %r9; push %rax; \
    sub $128, %rsp; \
    movdqu %xmm0, 0(%rsp); movdqu %xmm1, 16(%rsp); movdqu %xmm2, 32(%rsp); movdqu %xmm3, 48(%rsp); \
    movdqu %xmm4, 64(%rsp); movdqu %xmm5, 80(%rsp); movdqu %xmm6, 96(%rsp); movdqu %xmm7, 112(%rsp); \
    mov $number, %edi; \
    lea HostSlot_##number(%rip), %rsi; \
    call BindEntry; \
    mov %rax, %r11; \
    movdqu 0(%rsp), %xmm0; movdqu 16(%rsp), %xmm1; movdqu 32(%rsp), %xmm2; movdqu 48(%rsp), %xmm3; \
    movdqu 64(%rsp), %xmm4; movdqu 80(%rsp), %xmm5; movdqu 96(%rsp), %xmm6; movdqu 112(%rsp), %xmm7; \
    add $128, %rsp; \
    pop %rax; pop %r9; pop %r8; pop %rcx; pop %rdx; pop %rsi; pop %rdi; \
    jmp *%r11; \
    .size HostBind_##number, .-HostBind_##number;

    .text
#include "contract/host_entries.h"
#undef HOST_ENTRY

/* The slot table, in list order; each slot starts at its bind-and-call routine. */
#define HOST_ENTRY(number, name, conv, argc, result, params) \
HostSlot_##number: .quad HostBind_##number;

    .data
    .balign 8
    .globl HostSlots
    .hidden HostSlots
HostSlots:
#include "contract/host_entries.h"
#undef HOST_ENTRY

/* The bind-and-call routines again, read-only: the slots' first contents,
   to which ResetHostBinding puts them back. */
#define HOST_ENTRY(number, name, conv, argc, result, params) .quad HostBind_##number;

    .section .data.rel.ro,"aw"
    .balign 8
    .globl HostBindRoutines
    .hidden HostBindRoutines
HostBindRoutines:
#include "contract/host_entries.h"
#undef HOST_ENTRY

/* The fallback of each slot.  On this ABI the caller removes the arguments,
   so one routine that returns 0 (integer and floating) fits every entry's
   real argument list.  Whether an ignored entry keeps it is the binder's
   rule; an abandoned call takes it whatever the rule. */
#define HOST_ENTRY(number, name, conv, argc, result, params) .quad HostFallback;

    .section .data.rel.ro,"aw"
    .balign 8
    .globl HostFallbacks
    .hidden HostFallbacks
HostFallbacks:
#include "contract/host_entries.h"
#undef HOST_ENTRY

    .text
    .globl HostFallback
    .hidden HostFallback
    .type HostFallback,@function
HostFallback:
    xor %eax, %eax
    xor %edx, %edx
    pxor %xmm0, %xmm0
    ret
    .size HostFallback, .-HostFallback

    .section .note.GNU-stack,"",@progbits
#endif
