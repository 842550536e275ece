#include "hardware.h"

uint8_t port_in(uint16_t port) {
    uint8_t value;
    asm volatile("inb %w1, %0" : "=a"(value) : "Nd"(port));
    return value;
}

void port_out(uint16_t port, uint8_t value) {
    asm volatile("outb %0, %w1" : : "a"(value), "Nd"(port));
}

uint8_t far_byte(uint16_t segment, uint16_t offset) {
    uint8_t value;
    // ES cannot be named as a clobber: keep it by hand.
    asm volatile("pushw %%es\n\tmov %w1, %%es\n\tmovb %%es:(%w2), %0\n\tpopw %%es"
                 : "=q"(value)
                 : "r"(segment), "b"(offset)
                 : "memory");
    return value;
}

uint16_t far_word(uint16_t segment, uint16_t offset) {
    return uint16_t(far_byte(segment, offset) | far_byte(segment, uint16_t(offset + 1)) << 8);
}
