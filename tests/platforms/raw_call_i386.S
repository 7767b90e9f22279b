/* int32_t tvb_raw_call(const void* fn, const uint32_t* args, uint32_t count,
 *                      uint32_t* result)
 * Pushes `count` 32-bit arguments (args[0] nearest the return address), calls
 * fn and reports how far the stack pointer moved: 0 when the callee removed
 * exactly its arguments, as stdcall requires. The stack is restored whatever
 * the callee did. */
    .text
    .globl tvb_raw_call
    .type tvb_raw_call, @function
tvb_raw_call:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    pushl %ebx
    movl 12(%ebp), %edi       /* args */
    movl 16(%ebp), %ecx       /* count */
    /* keep the stack 16-byte aligned at the call */
    leal 0(,%ecx,4), %edx
    movl %esp, %ebx
    subl %edx, %ebx
    andl $15, %ebx
    subl %ebx, %esp
    movl %esp, %esi           /* where the stack must be after the call */
1:  testl %ecx, %ecx
    jz 2f
    pushl -4(%edi,%ecx,4)
    decl %ecx
    jmp 1b
2:  movl 8(%ebp), %eax
    call *%eax
    movl 20(%ebp), %ecx
    movl %eax, (%ecx)
    movl %esp, %eax
    subl %esi, %eax           /* stack pointer moved by this much */
    leal -12(%ebp), %esp
    popl %ebx
    popl %edi
    popl %esi
    popl %ebp
    ret
    .size tvb_raw_call, .-tvb_raw_call
    .section .note.GNU-stack,"",@progbits
