// VELMOD.COM: the MS-DOS companion of Velmo. Reads its switches, finds the machine and its
// serial chip, and serves the host's commands until ESC is pressed between commands.
#include "capture_file.h"
#include "chip_line.h"
#include "critical_errors.h"
#include "dos/engine/dos_engine.h"
#include "dos_calls.h"
#include "dos_machine.h"
#include "dos_screen.h"
#include "hardware.h"
#include "machine_kind.h"
#include "switches.h"
#include "uart_8250.h"
#include "usart_8251.h"

extern "C" void ignore_break();

namespace {

constexpr uint16_t DOS_3_30 = 0x031E;
// How long Velmo may stay silent inside an exchange: its own default time-out.
constexpr uint32_t IDLE_TIMEOUT_MS = 30000;
constexpr int EXIT_FAILURE = 1;

class EscapeKey final : public StopKey {
  public:
    bool pressed() override {
        uint8_t key = 0;
        while (dos_console_key(&key)) {
            if (key == 0x1B) return true;
        }
        return false;
    }
};

int failWith(const TextBuffer& message) {
    screen_line(message);
    return EXIT_FAILURE;
}

MachineKind chooseMachine(MachineChoice choice) {
    switch (choice) {
        case MachineChoice::At:
            return MachineKind::At;
        case MachineChoice::Pc98:
            return MachineKind::Pc98;
        case MachineChoice::Detect:
            break;
    }
    return detect_machine();
}

// "VELMOD 2.11  COM1 at 9600 bit/s (16550 FIFO)  - ESC ends".
void showTitle(const char* port, uint32_t rate, bool fifo) {
    TextBuffer line;
    line.add("VELMOD " VELMO_VERSION "  ").add(port).add(" at ").number(rate).add(" bit/s");
    if (fifo) line.add(" (16550 FIFO)");
    screen_line(line.add("  - ESC ends"));
}

int serve(MachineKind kind, SerialChip& chip, LineClock& clock) {
    EscapeKey escape;
    ChipLine line(chip, clock, escape);
    DosMachine machine(kind);
    dos_engine_serve(line, machine, IDLE_TIMEOUT_MS);
    chip.close();
    screen_write("VELMOD ended.\r\n");
    return 0;
}

// The switches from the command tail in the PSP (a length byte at 80h, the text from 81h);
// false when VELMOD is to end at once with *exitCode.
bool readSwitches(VelmodSwitches* switches, int* exitCode) {
    constexpr uint16_t PSP_TAIL = 0x80;
    char tail[128];
    const uint8_t length = far_byte(dos_program_segment(), PSP_TAIL);
    for (uint16_t i = 0; i < length && i < sizeof tail; ++i) {
        tail[i] = char(far_byte(dos_program_segment(), uint16_t(PSP_TAIL + 1 + i)));
    }
    SwitchProblem problem;
    switch (parse_switches(tail, length, switches, &problem)) {
        case SwitchResult::Run:
            return true;
        case SwitchResult::Help:
            *exitCode = 0;
            break;
        case SwitchResult::Bad:
            screen_line(TextBuffer()
                            .add(problem.message)
                            .add(" (")
                            .add(problem.word, problem.wordLength)
                            .add(")"));
            *exitCode = EXIT_FAILURE;
            break;
    }
    screen_write(VELMOD_USAGE);
    return false;
}

int runAt(const VelmodSwitches& switches) {
    TextBuffer port;
    port.add("COM").number(uint32_t(switches.port));
    Uart8250 uart;
    switch (uart.open(uart_bios_base(switches.port), switches.rate)) {
        case ChipOpen::Ok:
            break;
        case ChipOpen::NoChip:
            return failWith(port.add(" has no serial port (no UART answers there). Try /P:n."));
        case ChipOpen::BadRate:
            return failWith(port.add(": ")
                                .number(switches.rate)
                                .add(" bit/s cannot be set: the rate must divide 115200"
                                     " (9600, 19200, 38400, 57600, 115200)."));
    }
    showTitle(port.text(), switches.rate, uart.hasFifo());
    BiosTickClock clock;
    return serve(MachineKind::At, uart, clock);
}

int runPc98(const VelmodSwitches& switches) {
    if (switches.port != 1) {
        return failWith(TextBuffer().add("The PC-98 has one built-in serial port: use /P:1."));
    }
    const uint32_t timerClock = pc98_timer_clock();
    Usart8251 usart;
    switch (usart.open(timerClock, switches.rate)) {
        case ChipOpen::Ok:
            break;
        case ChipOpen::NoChip:
            return failWith(TextBuffer().add("The PC-98's serial port (8251A) does not answer."));
        case ChipOpen::BadRate:
            return failWith(TextBuffer()
                                .number(switches.rate)
                                .add(" bit/s cannot be set on this PC-98; the nearest rate is ")
                                .number(pc98_rate(timerClock, switches.rate).nearest)
                                .add(" bit/s."));
    }
    showTitle("PC-98 RS-232C", switches.rate, false);
    screen_write("Measuring the clock...\r\n");
    CalibratedClock clock;
    clock.calibrate(dos_clock_second);
    return serve(MachineKind::Pc98, usart, clock);
}

}  // namespace

extern "C" int velmod_main() {
    // 1. The switches.
    VelmodSwitches switches;
    int exitCode = 0;
    if (!readSwitches(&switches, &exitCode)) return exitCode;

    // 2. DOS and the kind of machine.
    if (dos_version() < DOS_3_30) {
        return failWith(TextBuffer().add("VELMOD needs MS-DOS 3.3 or later."));
    }
    const MachineKind kind = chooseMachine(switches.machine);
    if (kind == MachineKind::Unknown) {
        return failWith(TextBuffer().add(
            "VELMOD cannot tell which kind of PC this is: start it with /AT or /98."));
    }

    // 3. Ctrl+C and critical errors no longer end VELMOD or stop it with a question; DOS puts
    // both handlers back when VELMOD ends.
    dos_set_vector(0x23, ignore_break);
    critical_errors_answer_here();
    capture_places_find();

    // 4. The serial chip and the clock of this machine; then serve until ESC.
    return kind == MachineKind::At ? runAt(switches) : runPc98(switches);
}
