// Which kind of PC VELMOD runs on, told from read-only memory alone: reading ROM is harmless on
// both kinds, while calling the other kind's BIOS or touching its ports is not. An IBM PC/AT
// compatible carries its BIOS date ("MM/DD/YY") at F000:FFF5; a PC-9821 carries its ROM
// identifier 98h 21h at F8E8:0000. Anything else is not guessed at.
#pragma once
#include <cstdint>

enum class MachineKind : uint8_t { At, Pc98, Unknown };

MachineKind detect_machine();
