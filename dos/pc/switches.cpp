#include "switches.h"

const char VELMOD_USAGE[] =
    "Usage: VELMOD [/P:n] [/B:rate] [/AT|/98]\r\n"
    "  /P:n     serial port COMn, 1 to 4 (default 1; the PC-98 has port 1 only)\r\n"
    "  /B:rate  bit/s, as set on the Velmo side (default 9600)\r\n"
    "  /AT      an IBM PC/AT compatible (found by itself on most machines)\r\n"
    "  /98      an NEC PC-98 (found by itself on a PC-9821)\r\n"
    "Press ESC to end VELMOD between commands.\r\n";

namespace {

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool same(const char* word, uint32_t length, const char* name) {
    uint32_t i = 0;
    for (; i < length && name[i]; ++i) {
        if (upper(word[i]) != name[i]) return false;
    }
    return i == length && !name[i];
}

// A decimal value after "/X:", within 1..limit.
bool value(const char* word, uint32_t length, uint32_t limit, uint32_t* out) {
    if (length < 4 || word[2] != ':') return false;
    uint32_t number = 0;
    for (uint32_t i = 3; i < length; ++i) {
        if (word[i] < '0' || word[i] > '9') return false;
        number = number * 10 + uint32_t(word[i] - '0');
        if (number > limit) return false;
    }
    *out = number;
    return number >= 1;
}

}  // namespace

SwitchResult parse_switches(const char* tail, uint32_t length, VelmodSwitches* switches,
                            SwitchProblem* problem) {
    bool machineGiven = false;
    uint32_t i = 0;
    while (i < length) {
        if (tail[i] == ' ' || tail[i] == '\t') {
            ++i;
            continue;
        }
        // Switches may be written together ("/P:2/B:9600"): a word ends at a blank or a "/".
        uint32_t end = i + 1;
        while (end < length && tail[end] != ' ' && tail[end] != '\t' && tail[end] != '/') ++end;
        const char* word = tail + i;
        const uint32_t size = end - i;
        i = end;

        uint32_t number = 0;
        problem->word = word;
        problem->wordLength = size;
        if (same(word, size, "/?")) return SwitchResult::Help;
        if (size >= 2 && word[0] == '/' && upper(word[1]) == 'P') {
            if (!value(word, size, 4, &number)) {
                problem->message = "The port must be given as /P:1 to /P:4.";
                return SwitchResult::Bad;
            }
            switches->port = int(number);
        } else if (size >= 2 && word[0] == '/' && upper(word[1]) == 'B') {
            if (!value(word, size, 115200, &number)) {
                problem->message = "The rate must be given as /B:rate, 1 to 115200 bit/s.";
                return SwitchResult::Bad;
            }
            switches->rate = number;
        } else if (same(word, size, "/AT") || same(word, size, "/98")) {
            const MachineChoice choice =
                same(word, size, "/AT") ? MachineChoice::At : MachineChoice::Pc98;
            if (machineGiven && switches->machine != choice) {
                problem->message = "/AT and /98 cannot both be given.";
                return SwitchResult::Bad;
            }
            machineGiven = true;
            switches->machine = choice;
        } else {
            problem->message = "Unknown switch.";
            return SwitchResult::Bad;
        }
    }
    return SwitchResult::Run;
}
