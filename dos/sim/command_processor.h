// The command interpreter of the simulated machine: one command line in, its answer lines out.
// Commands: DIR, TYPE, CD, MD, RD, DEL, REN, COPY, ECHO, VER, DATE, TIME and "A:". Every name
// goes through DosDrive, so nothing outside drive A: is touched.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "dos/sim/dos_drive.h"

// `commandLine` and the lines returned are Shift-JIS.
std::vector<std::string> dos_run_command(DosDrive& drive, std::string_view commandLine);
