#include "options.h"

#include <cstring>

#include "base/install_paths.h"

Invocation velmo_parse_options(int argc, char** argv) {
    if (argc <= 1) return {RunMode::Window, ""};
    if (argc > 2) return {RunMode::Wrong, std::string("too many arguments from '") + argv[2] + "'"};
    static const struct {
        const char* name;
        RunMode mode;
    } OPTIONS[] = {
        {"--batch", RunMode::Batch},     {"--demo", RunMode::Demo},
        {"--help", RunMode::Help},       {"-h", RunMode::Help},
        {"--version", RunMode::Version}, {"--send-velmod", RunMode::SendVelmod},
    };
    for (const auto& option : OPTIONS) {
        if (std::strcmp(argv[1], option.name) == 0) return {option.mode, ""};
    }
    return {RunMode::Wrong, std::string("unknown option '") + argv[1] + "'"};
}

std::string velmo_help_text() {
    return R"(Usage: velmo [--batch | --demo | --send-velmod]
       velmo --help | --version

Velmo drives an MS-DOS machine over an RS-232C cable. A command line typed at its console
goes to the companion program on the MS-DOS machine, which runs it and sends back its output
and its new prompt. #GET copies files from the MS-DOS machine, #PUT copies files to it
(wildcards allowed; /V at the end reads every block back to verify it).

The companion program for the MS-DOS machine (a 386 or later, MS-DOS 3.3 or later) is
VELMOD.COM, in )" +
           k_velmod_dir() + R"(. Bring it to that machine over the cable
(--send-velmod), on one of the floppy images there, or on any medium it reads, and start it
there as VELMOD /B:rate (the rate of BAUDRATE= below; /? lists its switches).

  (no option)  open the window
  --demo       open the window connected to velmo-dos, a simulated MS-DOS machine
  --batch      no window: read command lines from standard input, one per line, and run
               each as if typed at the console; every console line is printed on standard
               output, the progress of a transfer on standard error (on a terminal).
               The first Ctrl+C cancels the running command, a second one ends velmo.
  --send-velmod  send VELMOD to a DOS machine that has nothing but DOS: velmo says what
               to type there (MODE, then COPY COM1 VELMOD.COM; COPY AUX on a PC-98), sends
               nothing until Enter, then the typeable VELMOD.TXT with its progress, and
               ends COPY with Ctrl+Z. Press Enter within a minute of starting COPY.
               BAUDRATE= must be a rate MODE can set (9600 is safest).
  --help       show this text
  --version    show the version

Settings come from PRM232C.TXT in the current directory (DOS text, one KEY=value a line):
  COM=1..9  BAUDRATE=9600  STOPBIT=1|2  TIMEOUT=seconds  VERIFY=0|1
  COMn=PATH  the device COMn opens (default /dev/ttyS<n-1>), e.g. COM1=/dev/ttyUSB0

Example:
  printf 'dir\n#GET *.TXT out/\n#PUT notes/*.txt\n' | velmo --batch > session.log

Exit status of --batch: 0 when every command ended normally; 1 when a command ended with an
error line or was cancelled, or an input line could not be used; 2 for a wrong invocation;
130 when ended by Ctrl+C.
)";
}
