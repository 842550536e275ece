// What the built-in commands of the simulated machine share: their parsed arguments, their
// output, and the checks every one of them makes (defined in command_processor.cpp).
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "dos/sim/dos_drive.h"
#include "dos/sim/dos_text.h"

struct CommandArgs {
    std::vector<std::string> words;  // UTF-8; quotes removed
    std::string switches;            // letters of "/X" words, upper case
    std::string rest;                // the text after the command word, as typed
};

struct CommandOutput {
    std::vector<std::string> lines;  // Shift-JIS
    void say(std::string_view utf8) { lines.push_back(dos_text(utf8)); }
    void raw(std::string cp932) { lines.push_back(std::move(cp932)); }
};

using BuiltinCommand = void (*)(DosDrive& drive, const CommandArgs& args, CommandOutput& out);

// True (with a message) when the command got switches it does not know or a wrong number of
// words.
bool command_refuse(const CommandArgs& args, std::string_view knownSwitches, size_t minWords,
                    size_t maxWords, CommandOutput& out);
// Resolves a name, saying DOS's message when that fails.
bool command_resolve(const DosDrive& drive, std::string_view name, bool wildcards,
                     DosTarget* target, CommandOutput& out);
