// A command line run through the shell, as a test runs a tool of the system (mtools, dpkg-deb)
// on what the build made.
#pragma once
#include <string>

struct CommandResult {
    int status;  // the exit status, -1 when it did not run or end normally
    std::string out;
};

CommandResult runCommand(const std::string& commandLine);
// The text quoted for the shell.
std::string shellQuoted(const std::string& text);
