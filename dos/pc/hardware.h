// The PC's hardware as VELMOD sees it: I/O ports and the memory of the first MiB (the BIOS's
// data areas and ROM). VELMOD.COM reaches the real machine through hardware_x86.cpp; the
// native tests link a model of the ports instead, so the serial drivers run unchanged on both.
#pragma once
#include <cstdint>

uint8_t port_in(uint16_t port);
void port_out(uint16_t port, uint8_t value);
// A byte or little-endian word at segment:offset of real-mode memory.
uint8_t far_byte(uint16_t segment, uint16_t offset);
uint16_t far_word(uint16_t segment, uint16_t offset);
