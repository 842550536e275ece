# extern "C" void dos_interrupt(DosRegisters* registers): INT 21h with the registers of the
# record, which receives what DOS hands back (AX to DI and FLAGS). DS = ES = SS = CS.
        .code16
        .text
        .globl  dos_interrupt
dos_interrupt:
        pushl   %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    20(%esp), %ebp
        push    %bp
        # EXEC on older DOS versions returns with SS:SP undefined: keep them where CS finds them.
        mov     %sp, %cs:saved_sp
        mov     0(%bp), %ax
        mov     2(%bp), %bx
        mov     4(%bp), %cx
        mov     6(%bp), %dx
        mov     8(%bp), %si
        mov     10(%bp), %di
        int     $0x21
        cld
        cli
        mov     %cs, %bp
        mov     %bp, %ss
        # The compiled code addresses the stack through ESP, whose upper half a 32-bit child
        # may have left set.
        movzwl  %cs:saved_sp, %esp
        sti
        mov     %cs, %bp
        mov     %bp, %ds
        mov     %bp, %es
        pop     %bp
        pushf
        mov     %ax, 0(%bp)
        mov     %bx, 2(%bp)
        mov     %cx, 4(%bp)
        mov     %dx, 6(%bp)
        mov     %si, 8(%bp)
        mov     %di, 10(%bp)
        pop     %ax
        mov     %ax, 12(%bp)
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        retl

        .data
saved_sp:
        .word   0

# Ctrl-C and Ctrl-Break: VELMOD keeps running (ESC ends it), so the serial chip is always put
# back and no temporary file is left behind.
        .text
        .globl  ignore_break
ignore_break:
        iret
