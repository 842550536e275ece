#!/usr/bin/env python3
"""Writes the typeable form of a DOS .COM program: printable ASCII in CR LF lines of 80 bytes
that, saved under a name ending in .COM, unpacks the program to 0100h and starts it there.

The text runs as x86 code from its first byte. Printable code cannot jump backwards, so a
stub of printable instructions pushes the unpacker onto the stack and patches a JMP SP into
a line of one-byte instructions (the jump line) that the stub then runs into. What DOS's COPY
may put in front (a lead-in of '@', INC AX, and NULs before it) shifts the text; AX counts the
'@', and the NULs' share of the shift, at most MAX_SHIFT bytes, is taken up by the jump line.
"""

import argparse
import itertools

LINE_CHARACTERS = 78  # CR LF makes 80 bytes a line
MARK = ord("#")  # starts and ends the packed program; no other byte before it is one
FILLER = ord("A")  # INC CX: changes nothing the stub or the unpacker needs
IMMEDIATE_BYTES = [b for b in range(0x20, 0x7F) if b != MARK]
# Up to 60 NULs; an odd one also takes the next two bytes ('@' INC AX) into an ADD.
MAX_SHIFT = 62
PATCH_DISPLACEMENT = 0x20  # the smallest printable one
assert MAX_SHIFT <= LINE_CHARACTERS - 3, "the jump line takes up every shift"
JMP_SP = 0xE4FF
DOS_LOAD_OFFSET = 0x100
PACKED_ZERO = ord("?")  # the unpacker's character for 6 zero bits; '~' is 63

PUSH_AX = b"P"
POP_DI = b"_"
AND_AX = 0x25
SUB_AX = 0x2D
XOR_DI_DISP8_AX = bytes([0x31, 0x45])
# AND AX,4040h then AND AX,3F3Fh: nothing survives both.
ZERO_AX = bytes([AND_AX, 0x40, 0x40, AND_AX, 0x3F, 0x3F])
# A CR LF runs as OR AX,imm16 (0Dh) taking the LF and the next line's first byte.
CR_LF_OR_AX = 0x0A | FILLER << 8


def sums_of(count):
    """Each total of `count` immediate bytes, with one way to make it."""
    return {sum(c): c for c in itertools.combinations_with_replacement(IMMEDIATE_BYTES, count)}


BYTE_SUMS = [None] + [sums_of(count) for count in (1, 2, 3)]


def byte_parts(value, count):
    """`count` immediate bytes whose sum is `value` modulo 256, and the carry out of it."""
    for carry in range(count):
        parts = BYTE_SUMS[count].get(value + 256 * carry)
        if parts:
            return parts, carry
    return None, 0


def subtrahends(amount):
    """The fewest printable words whose sum is `amount` modulo 65536 (three always do)."""
    for count in (1, 2, 3):
        low, carry = byte_parts(amount & 0xFF, count)
        high, _ = byte_parts(((amount >> 8) - carry) & 0xFF, count)
        if low and high:
            return [lo | hi << 8 for lo, hi in zip(low, high)]
    raise AssertionError(f"no printable subtrahends for {amount:04x}")


def subtract(amount):
    if amount & 0xFFFF == 0:
        return b""
    return b"".join(bytes([SUB_AX, w & 0xFF, w >> 8]) for w in subtrahends(amount))


class Stub:
    """Printable instructions packed into lines; tracks AX through the CR LF between them."""

    def __init__(self):
        self.lines = []
        # Two '@' of its own: a lone NUL in front takes two bytes with it, even with no lead-in.
        self.line = bytearray(b"@@")
        self.ax = None

    def emit(self, make):
        """Appends the code that `make(ax)` returns for AX's value there, with AX after it."""
        code, ax_after = make(self.ax)
        if len(self.line) + len(code) > LINE_CHARACTERS:
            self.end_line()
            code, ax_after = make(self.ax)
        self.line += code
        self.ax = ax_after

    def set_ax(self, value, then=b""):
        self.emit(lambda ax: (subtract(ax - value) + then, value))

    def end_line(self):
        self.line += bytes([FILLER]) * (LINE_CHARACTERS - len(self.line))
        self.lines.append(bytes(self.line))
        self.line = bytearray([FILLER])
        self.ax = None if self.ax is None else self.ax | CR_LF_OR_AX

    def finish(self):
        self.end_line()
        return self.lines


def stub_lines(unpacker, jump_line):
    """The stub for a jump line that is line `jump_line` of the text (counting from 0)."""
    stub = Stub()
    # With no NULs in front, the text starts at 0100h + AX - 2 (AX has counted the lead-in and
    # the stub's own '@@'), and the jump is patched into the jump line's last two characters.
    # NULs move the text up by at most MAX_SHIFT, and the jump lands that much earlier in it.
    jump_offset = jump_line * (LINE_CHARACTERS + 2) + LINE_CHARACTERS - 2
    base = DOS_LOAD_OFFSET - 2 + jump_offset - PATCH_DISPLACEMENT
    stub.emit(lambda ax: (subtract(-base) + PUSH_AX + POP_DI + ZERO_AX, 0))
    filler_word = FILLER | FILLER << 8
    stub.set_ax(JMP_SP ^ filler_word, XOR_DI_DISP8_AX + bytes([PATCH_DISPLACEMENT]))
    # Last word first: the stack grows down and the unpacker starts at its lowest byte.
    for i in reversed(range(0, len(unpacker), 2)):
        stub.set_ax(unpacker[i] | unpacker[i + 1] << 8, PUSH_AX)
    return stub.finish()


def packed(program):
    bits = "".join(f"{byte:08b}" for byte in program)
    bits += "0" * (-len(bits) % 6)
    return bytes(PACKED_ZERO + int(bits[i:i + 6], 2) for i in range(0, len(bits), 6))


def typeable(program, unpacker):
    assert len(unpacker) % 2 == 0, "the stub pushes the unpacker a word at a time"
    # The jump line follows the stub, whose code depends on where the jump line is.
    jump_line = 0
    while len(lines := stub_lines(unpacker, jump_line)) != jump_line:
        jump_line = len(lines)
    assert MARK not in b"".join(lines), "the unpacker looks for the first mark after its DI"
    lines.append(bytes([FILLER]) * LINE_CHARACTERS)
    text = bytes([MARK]) + packed(program) + bytes([MARK])
    lines += [text[i:i + LINE_CHARACTERS] for i in range(0, len(text), LINE_CHARACTERS)]
    return b"".join(line + b"\r\n" for line in lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("program", help="the .COM program")
    parser.add_argument("unpacker", help="the unpacker's code, a flat binary")
    parser.add_argument("output", help="the typeable text to write")
    args = parser.parse_args()
    with open(args.program, "rb") as program, open(args.unpacker, "rb") as unpacker:
        text = typeable(program.read(), unpacker.read())
    with open(args.output, "wb") as output:
        output.write(text)


if __name__ == "__main__":
    main()
