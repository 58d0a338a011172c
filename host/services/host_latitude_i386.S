/*
 * The stack check of the host with latitude on i386 (TOMIVA.exe):
 *
 *   uint32_t LatitudeCallWords(const void* function, const uint32_t* words,
 *                              int count, int calleeCleans, void* ecx,
 *                              int32_t* offBy, int stackResidue)   (cdecl)
 *
 * pushes the count words as the call's stack arguments (the first word
 * lowest), with ESP at the call instruction stackResidue modulo 16 (the
 * host with latitude's 4, 8 or 12; -1: the stack as it comes), puts ecx
 * into ECX (the object of a thiscall), calls the function
 * and stores in *offBy how far ESP after the call lies from where the
 * convention puts it: the words removed (stdcall, thiscall) or left
 * (cdecl).  The stack is then taken back from EBP whatever the callee left,
 * and the function's EAX returned.  EBX, ESI, EDI and EBP are the callee's
 * to keep, as every convention here says.
 */
#if defined(__i386__) && defined(_WIN32)
    .text
    .globl _LatitudeCallWords
_LatitudeCallWords:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 12(%ebp), %esi       /* words */
    movl 16(%ebp), %ecx       /* count */
    movl 32(%ebp), %eax       /* stackResidue */
    testl %eax, %eax
    js 1f
    andl $-16, %esp           /* 0 modulo 16 */
    leal (%eax,%ecx,4), %edx
    negl %edx
    andl $15, %edx            /* -(residue + the words' bytes) modulo 16 */
    subl %edx, %esp           /* after the words: residue modulo 16 */
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%esi,%ecx,4)     /* the last word first */
    decl %ecx
    jmp 1b
2:  movl %esp, %ebx           /* ESP as the callee is given it */
    xorl %edi, %edi
    cmpl $0, 20(%ebp)         /* calleeCleans */
    je 3f
    movl 16(%ebp), %edi
    shll $2, %edi             /* the bytes the callee removes */
3:  addl %ebx, %edi           /* where ESP belongs after the call */
    movl 24(%ebp), %ecx       /* the object of a thiscall */
    call *8(%ebp)
    movl %esp, %ecx
    subl %edi, %ecx           /* how far off */
    movl 28(%ebp), %esi
    movl %ecx, (%esi)
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
#endif
