# Trampolines for hooks of inherited methods (see MSHookMessageEx). Entry i loads i and
# jumps to a common body that preserves every argument register across the call to
# vw_hook_resolve(i), then tail-jumps to the implementation it returns.
#if defined(__x86_64__)
        .text
        .p2align 4
        .globl vw_hook_trampolines
        .hidden vw_hook_trampolines
vw_hook_trampolines:
        .set i, 0
        .rept 64
        .p2align 4
        movl $i, %r11d
        jmp vw_hook_trampoline_body
        .set i, i + 1
        .endr

        .p2align 4
vw_hook_trampoline_body:
        pushq %rbp
        movq %rsp, %rbp
        subq $192, %rsp
        movq %rdi, 0(%rsp)
        movq %rsi, 8(%rsp)
        movq %rdx, 16(%rsp)
        movq %rcx, 24(%rsp)
        movq %r8, 32(%rsp)
        movq %r9, 40(%rsp)
        movq %rax, 48(%rsp)
        movdqa %xmm0, 64(%rsp)
        movdqa %xmm1, 80(%rsp)
        movdqa %xmm2, 96(%rsp)
        movdqa %xmm3, 112(%rsp)
        movdqa %xmm4, 128(%rsp)
        movdqa %xmm5, 144(%rsp)
        movdqa %xmm6, 160(%rsp)
        movdqa %xmm7, 176(%rsp)
        movslq %r11d, %rdi
        call vw_hook_resolve
        movq %rax, %r11
        movq 0(%rsp), %rdi
        movq 8(%rsp), %rsi
        movq 16(%rsp), %rdx
        movq 24(%rsp), %rcx
        movq 32(%rsp), %r8
        movq 40(%rsp), %r9
        movq 48(%rsp), %rax
        movdqa 64(%rsp), %xmm0
        movdqa 80(%rsp), %xmm1
        movdqa 96(%rsp), %xmm2
        movdqa 112(%rsp), %xmm3
        movdqa 128(%rsp), %xmm4
        movdqa 144(%rsp), %xmm5
        movdqa 160(%rsp), %xmm6
        movdqa 176(%rsp), %xmm7
        leave
        jmp *%r11
#else
#error "hook trampolines are written for x86-64"
#endif
        .section .note.GNU-stack,"",@progbits
