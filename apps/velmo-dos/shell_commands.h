// What the commands of the interpreter share: their parsed arguments and their output.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "dos_drive.h"
#include "dos_text.h"

struct ShellArgs {
    std::vector<std::string> words;  // UTF-8; quotes removed
    std::string switches;            // letters of "/X" words, upper case
    std::string rest;                // the text after the command word, as typed
};

struct ShellOutput {
    std::vector<std::string> lines;  // Shift-JIS
    void say(std::string_view utf8) { lines.push_back(dos_text(utf8)); }
    void raw(std::string cp932) { lines.push_back(std::move(cp932)); }
};

using ShellCommand = void (*)(DosDrive& drive, const ShellArgs& args, ShellOutput& out);

// Directories.
void shell_cd(DosDrive& drive, const ShellArgs& args, ShellOutput& out);
void shell_md(DosDrive& drive, const ShellArgs& args, ShellOutput& out);
void shell_rd(DosDrive& drive, const ShellArgs& args, ShellOutput& out);
void shell_dir(DosDrive& drive, const ShellArgs& args, ShellOutput& out);
// Files.
void shell_type(DosDrive& drive, const ShellArgs& args, ShellOutput& out);
void shell_del(DosDrive& drive, const ShellArgs& args, ShellOutput& out);
void shell_ren(DosDrive& drive, const ShellArgs& args, ShellOutput& out);
void shell_copy(DosDrive& drive, const ShellArgs& args, ShellOutput& out);

// True (with a message) when the command got switches it does not know or a wrong number of
// words.
bool shell_refuse(const ShellArgs& args, std::string_view knownSwitches, size_t minWords,
                  size_t maxWords, ShellOutput& out);
// Resolves a name, saying DOS's message when that fails.
bool shell_resolve(const DosDrive& drive, std::string_view name, bool wildcards, DosTarget* target,
                   ShellOutput& out);
