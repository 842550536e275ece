// VELMOD's command line: VELMOD [/P:n] [/B:rate] [/AT|/98], or /? for the usage.
#pragma once
#include <cstdint>

enum class MachineChoice : uint8_t { Detect, At, Pc98 };

struct VelmodSwitches {
    int port = 1;          // COMn
    uint32_t rate = 9600;  // bit/s, as the host starts
    MachineChoice machine = MachineChoice::Detect;
};

enum class SwitchResult : uint8_t { Run, Help, Bad };

struct SwitchProblem {
    const char* message = "";  // what is wrong, in one line
    const char* word = "";     // the switch it is about (not NUL-terminated)
    uint32_t wordLength = 0;
};

// `tail` is the command tail as DOS keeps it (not NUL-terminated).
SwitchResult parse_switches(const char* tail, uint32_t length, VelmodSwitches* switches,
                            SwitchProblem* problem);

extern const char VELMOD_USAGE[];
