/*
 * Call and bind-and-call routines of the native x86-64 build, one pair per
 * line of host_entries.h, and the slot table they jump through.
 *
 * Call routine:   jmp *slot                      (every caller uses this one)
 * Bind-and-call:  save every argument register, BindEntry(number, &slot),
 *                 restore, and jmp *slot with the caller's arguments and
 *                 return address untouched - so variadic entries and every
 *                 calling convention pass through as they came.
 * A slot that binding left empty is never jumped through: the routine goes
 * to HostCallAbandoned(number) instead.
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
    movdqu 0(%rsp), %xmm0; movdqu 16(%rsp), %xmm1; movdqu 32(%rsp), %xmm2; movdqu 48(%rsp), %xmm3; \
    movdqu 64(%rsp), %xmm4; movdqu 80(%rsp), %xmm5; movdqu 96(%rsp), %xmm6; movdqu 112(%rsp), %xmm7; \
    add $128, %rsp; \
    pop %rax; pop %r9; pop %r8; pop %rcx; pop %rdx; pop %rsi; pop %rdi; \
    cmpq $0, HostSlot_##number(%rip); \
    je 1f; \
    jmp *HostSlot_##number(%rip); \
1:  mov $number, %edi; \
    jmp HostCallAbandoned; \
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

/* The bind-and-call routines again, read-only: an abandoned call puts its
   slot back to its routine, so that the next call binds afresh. */
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
   real argument list; whether an entry may have it is the binder's rule. */
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
