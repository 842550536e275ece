// The command line of velmo: which front end runs, or what to print instead.
#pragma once
#include <string>

enum class RunMode {
    Window,   // no options: the window
    Demo,     // --demo: the window with a simulated MS-DOS machine
    Batch,    // --batch: command lines from standard input, the console on standard output
    Help,     // --help
    Version,  // --version
    Wrong,    // anything else; `problem` says what
};

struct Invocation {
    RunMode mode;
    std::string problem;
};

Invocation velmo_parse_options(int argc, char** argv);
const char* velmo_help_text();
