# The unpacker of VELMOD.TXT. Its stub pushes these bytes onto the stack DOS gave the program
# and jumps to them, so this code must not depend on where it lies. It unpacks the program to
# 0100h, where DOS would have loaded VELMOD.COM, and starts it with the same stack and flags.
# Only 8086 instructions, so that an older processor gets VELMOD's own message.
#
# In: SP = this code, its end = the stack DOS gave; DI = a place in the text before the packed
# program, which begins after the first '#'. The packed program is 6 bits a character,
# '?' (0) to '~' (63), most significant bits first; CR and LF are skipped and any other
# character ends it.
        .code16
        .text
unpack:
        mov     %sp, %bp
        pushf
        pop     %dx
        cld
        mov     $'#', %al
        mov     $-1, %cx
        repne scasb
        mov     %di, %si
        mov     $0x100, %di
        xor     %bx, %bx
        # BX: bits not yet written, CH: how many.
        xor     %cx, %cx
next:
        lodsb
        sub     $'?', %al
        jb      not_data
        mov     $6, %cl
        shl     %cl, %bx
        or      %al, %bl
        add     $6, %ch
        cmp     $8, %ch
        jb      next
        sub     $8, %ch
        mov     %bx, %ax
        mov     %ch, %cl
        shr     %cl, %ax
        stosb
        jmp     next
not_data:
        cmp     $(' ' - '?') & 0xff, %al
        jb      next
        # Interrupts off while the stack moves back over this code, then one IRET restores
        # the stack, the flags and starts the program, AX = 0 as DOS leaves it.
        cli
        lea     stack_top - unpack(%bp), %sp
        push    %dx
        push    %cs
        mov     $0x100, %ax
        push    %ax
        xor     %ax, %ax
        iret
        # Room for the IRET frame, which must not overwrite the IRET itself.
        .skip   6
stack_top:
