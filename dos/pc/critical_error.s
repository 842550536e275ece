# Critical errors (INT 24h: a drive not ready, a write-protected disk, a printer off line) are
# answered here, never by a question on a screen nobody may be watching: Fail where DOS allows
# it, else Ignore, else Abort (which ends only the command's own program). The first error
# since critical_errors_forget() is kept in `critical_error` for the host's screen.
        .code16
        .text
        .globl  answer_critical_error
answer_critical_error:
        # AH: the error's kind and the answers allowed; AL: the drive; DI: the error code;
        # BP:SI: the device driver's header.
        incb    %cs:critical_error
        jnz     1f
        decb    %cs:critical_error           # the count stops at 255
1:      cmpb    $1, %cs:critical_error
        jne     answer
        mov     %ah, %cs:critical_error+1
        mov     %al, %cs:critical_error+2
        push    %ax
        mov     %di, %ax
        mov     %al, %cs:critical_error+3
        pop     %ax
        # A character device (attribute bit 15) names itself in the header's last 8 bytes.
        push    %ds
        push    %cx
        push    %si
        push    %di
        mov     %bp, %ds
        testb   $0x80, 5(%si)
        jz      names_kept
        add     $10, %si
        mov     $critical_error+4, %di
        mov     $8, %cx
copy_name:
        lodsb
        mov     %al, %cs:(%di)
        inc     %di
        loop    copy_name
names_kept:
        pop     %di
        pop     %si
        pop     %cx
        pop     %ds
answer:
        mov     $3, %al                      # Fail
        test    $0x08, %ah
        jnz     answered
        mov     $0, %al                      # Ignore
        test    $0x20, %ah
        jnz     answered
        mov     $2, %al                      # Abort
answered:
        iret

# While a command runs, COMMAND.COM would put its own handler in place, which asks "Abort,
# Retry, Fail?" on its standard error and reads the answer from there: from the file the output
# goes to, which never answers. So INT 21h passes through this guard, which takes a request to
# set the INT 24h vector as done without doing it.
        .globl  dos_guard_install
dos_guard_install:
        push    %es
        push    %bx
        mov     $0x3521, %ax
        int     $0x21
        mov     %bx, %cs:previous_dos
        mov     %es, %cs:previous_dos+2
        pop     %bx
        pop     %es
        mov     $0x2521, %ax
        mov     $dos_guard, %dx
        int     $0x21
        retl

        .globl  dos_guard_remove
dos_guard_remove:
        push    %ds
        lds     %cs:previous_dos, %dx
        mov     $0x2521, %ax
        int     $0x21
        pop     %ds
        retl

dos_guard:
        cmp     $0x2524, %ax
        je      1f
        ljmp    *%cs:previous_dos
1:      iret

        .data
previous_dos:
        .word   0, 0
