#include "dos/sim/command_processor.h"

#include <cctype>
#include <cstdio>
#include <ctime>

#include "base/encoding.h"
#include "dos/sim/builtin_command.h"
#include "dos/sim/dir_command.h"
#include "dos/sim/directory_commands.h"
#include "dos/sim/file_commands.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = char(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

// Words separated by blanks; "..." keeps blanks inside a name; "/X" words are switches.
CommandArgs parseArgs(std::string_view rest) {
    CommandArgs args;
    args.rest = std::string(rest);
    size_t i = 0;
    while (i < rest.size()) {
        if (isBlank(rest[i])) {
            ++i;
            continue;
        }
        std::string word;
        bool quoted = false;
        for (; i < rest.size() && (quoted || !isBlank(rest[i])); ++i) {
            if (rest[i] == '"') {
                quoted = !quoted;
            } else {
                word += rest[i];
            }
        }
        if (word.size() == 2 && word[0] == '/' &&
            std::isalpha(static_cast<unsigned char>(word[1]))) {
            args.switches += char(std::toupper(static_cast<unsigned char>(word[1])));
        } else {
            args.words.push_back(word);
        }
    }
    return args;
}

void echo(DosDrive&, const CommandArgs& args, CommandOutput& out) {
    std::string_view text = args.rest;
    // "ECHO." and "ECHO text": the first character after the command word is a separator.
    if (!text.empty()) text.remove_prefix(1);
    const std::string word = args.words.size() == 1 ? upper(args.words[0]) : std::string();
    if (args.rest.find_first_not_of(" \t") == std::string::npos) {
        out.say("ECHO is on");
    } else if (word == "ON" || word == "OFF") {
        // There is no batch file to echo: switching it is accepted and changes nothing.
    } else {
        out.say(text);
    }
}

void ver(DosDrive&, const CommandArgs&, CommandOutput& out) {
    out.say("");
    out.say("Velmo-DOS Version " VELMO_VERSION);
    out.say("");
}

tm localNow() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return local;
}

// The clock of the host is shown, never set: the simulated machine has none of its own.
void date(DosDrive&, const CommandArgs&, CommandOutput& out) {
    static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    const tm local = localNow();
    char text[64];
    std::snprintf(text, sizeof text, "Current date is %s %02d-%02d-%04d", days[local.tm_wday],
                  local.tm_mon + 1, local.tm_mday, local.tm_year + 1900);
    out.say(text);
}

void timeOfDay(DosDrive&, const CommandArgs&, CommandOutput& out) {
    const tm local = localNow();
    char text[64];
    std::snprintf(text, sizeof text, "Current time is %2d:%02d:%02d.00", local.tm_hour,
                  local.tm_min, local.tm_sec);
    out.say(text);
}

struct CommandName {
    const char* name;
    BuiltinCommand run;
};

constexpr CommandName COMMANDS[] = {
    {"DIR", command_dir},   {"TYPE", command_type}, {"CD", command_cd},   {"CHDIR", command_cd},
    {"MD", command_md},     {"MKDIR", command_md},  {"RD", command_rd},   {"RMDIR", command_rd},
    {"DEL", command_del},   {"ERASE", command_del}, {"REN", command_ren}, {"RENAME", command_ren},
    {"COPY", command_copy}, {"ECHO", echo},         {"VER", ver},         {"DATE", date},
    {"TIME", timeOfDay},
};

}  // namespace

std::vector<std::string> dos_run_command(DosDrive& drive, std::string_view commandLine) {
    CommandOutput out;
    std::string line;
    if (!k_utf8_from_cp932(commandLine, &line)) {
        out.say("Invalid characters in command line");
        return out.lines;
    }
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) return out.lines;
    std::string_view text = std::string_view(line).substr(start);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);

    // A drive change: only A: exists.
    if (text.size() == 2 && text[1] == ':') {
        if (std::toupper(static_cast<unsigned char>(text[0])) != 'A') {
            out.say("Invalid drive specification");
        }
        return out.lines;
    }
    // The command word ends where a letter does not follow ("CD..", "DIR/W", "CD\SUB").
    size_t wordEnd = 0;
    while (wordEnd < text.size() && std::isalpha(static_cast<unsigned char>(text[wordEnd]))) {
        ++wordEnd;
    }
    const std::string word = upper(text.substr(0, wordEnd));
    for (const CommandName& command : COMMANDS) {
        if (word == command.name) {
            command.run(drive, parseArgs(text.substr(wordEnd)), out);
            return out.lines;
        }
    }
    out.say("Bad command or file name");
    return out.lines;
}

bool command_refuse(const CommandArgs& args, std::string_view knownSwitches, size_t minWords,
                    size_t maxWords, CommandOutput& out) {
    for (char letter : args.switches) {
        if (knownSwitches.find(letter) == std::string_view::npos) {
            out.say(std::string("Invalid switch - /") + letter);
            return true;
        }
    }
    if (args.words.size() < minWords) {
        out.say("Required parameter missing");
        return true;
    }
    if (args.words.size() > maxWords) {
        out.say("Too many parameters - " + args.words[maxWords]);
        return true;
    }
    return false;
}

bool command_resolve(const DosDrive& drive, std::string_view name, bool wildcards,
                     DosTarget* target, CommandOutput& out) {
    const PathError error = drive.resolve(name, wildcards, target);
    if (error == PathError::None) return true;
    out.say(dos_path_message(error));
    return false;
}
