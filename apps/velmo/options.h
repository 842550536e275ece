// The command line of velmo: which front end runs, or what to print instead.
#pragma once
#include <string>

enum class RunMode {
    Window,      // no options: the window
    Demo,        // --demo: the window with a simulated MS-DOS machine
    Batch,       // --batch: command lines from standard input, the console on standard output
    SendVelmod,  // --send-velmod: the typeable VELMOD over the bare cable into DOS's COPY
    Help,        // --help
    Version,     // --version
    Wrong,       // anything else; `problem` says what
};

struct Invocation {
    RunMode mode;
    std::string problem;
};

Invocation velmo_parse_options(int argc, char** argv);
std::string velmo_help_text();
