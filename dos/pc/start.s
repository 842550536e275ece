# Start-up of VELMOD.COM. DOS loads the image at CS:0100 with CS = DS = ES = SS = the PSP.
# Everything before the CPU check runs on an 8086, so older machines get a message, not a hang.
        .code16
        .section .startup, "ax"
        .globl  _start
_start:
        cld
        # The flags as DOS gave them (interrupts on), put back once the checks have set theirs.
        pushf
        # An 8086/8088 keeps FLAGS bits 12-15 set whatever is written to them.
        pushf
        pop     %ax
        and     $0x0fff, %ax
        push    %ax
        popf
        pushf
        pop     %ax
        and     $0xf000, %ax
        cmp     $0xf000, %ax
        je      too_old
        # A 286 in real mode keeps bits 12-14 clear whatever is written to them.
        mov     $0x7000, %ax
        push    %ax
        popf
        pushf
        pop     %ax
        test    $0x7000, %ax
        jz      too_old
        popf

        # Keep one 64 KiB segment (code, data and stack) and give the rest back, so that
        # COMMAND.COM can be run for the user's commands.
        mov     $0x4a00, %ax
        mov     $0x1000, %bx
        int     $0x21
        jc      no_memory

        # DOS does not clear memory past the image: zero .bss ourselves.
        mov     $__bss_start, %di
        mov     $__bss_end, %cx
        sub     %di, %cx
        xor     %al, %al
        rep stosb

        # The compiled code addresses the stack through ESP.
        movzwl  %sp, %esp
        calll   velmod_main
        mov     $0x4c, %ah
        int     $0x21

too_old:
        popf
        mov     $old_cpu_text, %dx
        jmp     fail
no_memory:
        mov     $memory_text, %dx
fail:
        mov     $0x09, %ah
        int     $0x21
        mov     $0x4c01, %ax
        int     $0x21

old_cpu_text:
        .ascii  "VELMOD needs a 386 or later processor.\r\n$"
memory_text:
        .ascii  "VELMOD needs 64 KB of free memory.\r\n$"
