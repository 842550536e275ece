// TYPE, DEL, REN and COPY.
#include "dos/sim/file_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "dos/sim/dos_file_writer.h"

namespace {

// TYPE shows at most this much of a file: the whole answer is built before it is sent.
constexpr size_t TYPE_LIMIT = 1 << 20;
constexpr char END_OF_FILE = 0x1A;

bool readHead(const std::string& path, size_t limit, std::string* bytes, bool* cut) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bytes->assign(limit + 1, '\0');
    size_t got = 0;
    ssize_t n = 0;
    while (got < bytes->size() && (n = read(fd, bytes->data() + got, bytes->size() - got)) > 0) {
        got += size_t(n);
    }
    close(fd);
    *cut = got > limit;
    bytes->resize(std::min(got, limit));
    return n >= 0;
}

// A DOS text file's lines: CR LF or LF ends a line, 0x1A ends the text; TABs are kept for
// velmo to expand.
void addTextLines(std::string_view text, CommandOutput& out) {
    text = text.substr(0, text.find(END_OF_FILE));
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        out.raw(std::string(line));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
}

// The new name of REN for one old name: "?" takes the old name's character, "*" the rest of
// the old name's part (name or extension).
std::string renamedName(const std::string& pattern, const std::string& oldName) {
    if (!dos_has_wildcards(pattern)) return pattern;
    auto split = [](const std::string& name) {
        const size_t dot = name.rfind('.');
        return dot == std::string::npos
                   ? std::pair<std::string, std::string>(name, "")
                   : std::pair<std::string, std::string>(name.substr(0, dot), name.substr(dot + 1));
    };
    auto apply = [](const std::string& part, const std::string& old) {
        std::string result;
        for (size_t i = 0; i < part.size(); ++i) {
            if (part[i] == '*') return result + (i < old.size() ? old.substr(i) : "");
            result +=
                part[i] == '?' ? (i < old.size() ? std::string(1, old[i]) : "") : part.substr(i, 1);
        }
        return result;
    };
    const auto [patternBase, patternExtension] = split(pattern);
    const auto [oldBase, oldExtension] = split(oldName);
    const std::string base = apply(patternBase, oldBase);
    const std::string extension = apply(patternExtension, oldExtension);
    return extension.empty() ? base : base + "." + extension;
}

bool copyFile(const std::string& from, const std::string& toDir, const std::string& toName) {
    const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    DosFileWriter writer;
    bool ok = writer.open(toDir, toName);
    char buffer[65536];
    ssize_t n = 0;
    while (ok && (n = read(in, buffer, sizeof buffer)) > 0) ok = writer.write(buffer, size_t(n));
    struct stat info {};
    ok = ok && n == 0 && fstat(in, &info) == 0;
    close(in);
    return ok && writer.commit(info.st_mtime);  // COPY keeps the file's date
}

}  // namespace

void command_type(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "", 1, 1, out)) return;
    DosTarget target;
    if (!command_resolve(drive, args.words[0], false, &target, out)) return;
    if (!target.found || target.entry.directory) {
        out.say("File not found - " + args.words[0]);
        return;
    }
    std::string text;
    bool cut = false;
    if (!readHead(drive.hostPath(target), TYPE_LIMIT, &text, &cut)) {
        out.say("Access denied - " + args.words[0]);
        return;
    }
    addTextLines(text, out);
    if (cut) out.say("*** TYPE shows the first 1048576 bytes only; use #GET for the whole file");
}

void command_del(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "", 1, 1, out)) return;
    DosTarget target;
    if (!command_resolve(drive, args.words[0], true, &target, out)) return;
    std::vector<std::string> dirs;
    if (DosDrive::asDirectory(target, &dirs)) {
        out.say("Access denied - " + args.words[0]);  // DEL takes files only, not a directory
        return;
    }
    const std::vector<DosEntry> files = dos_matching_files(drive, target, &dirs);
    if (files.empty()) out.say("File not found");
    for (const DosEntry& file : files) {
        if (unlink((drive.hostDir(dirs) + "/" + file.name).c_str()) != 0) {
            out.say("Access denied - " + file.name);
        }
    }
}

void command_ren(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "", 2, 2, out)) return;
    DosTarget target;
    if (!command_resolve(drive, args.words[0], true, &target, out)) return;
    DosTarget newName;
    if (drive.resolve(args.words[1], true, &newName) != PathError::None ||
        args.words[1].find_first_of("\\/:") != std::string::npos) {
        out.say("Invalid parameter - " + args.words[1]);
        return;
    }
    std::vector<DosEntry> matches;
    if (target.found) {
        matches.push_back(target.entry);  // one name may also be a directory
    } else if (dos_has_wildcards(target.leaf)) {
        std::vector<std::string> dirs;
        matches = dos_matching_files(drive, target, &dirs);
    }
    if (matches.empty()) {
        out.say("Duplicate file name or file not found");
        return;
    }
    const std::string hostDir = drive.hostDir(target.dirs);
    for (const DosEntry& match : matches) {
        const std::string name = renamedName(args.words[1], match.name);
        DosEntry existing;
        const bool taken = dos_lookup(hostDir, name, &existing) && existing.name != match.name;
        if (taken || name.empty() || name.find_first_not_of('.') == std::string::npos ||
            rename((hostDir + "/" + match.name).c_str(), (hostDir + "/" + name).c_str()) != 0) {
            out.say("Duplicate file name or file not found");
        }
    }
}

void command_copy(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "VAB", 1, 2, out)) return;
    DosTarget source;
    if (!command_resolve(drive, args.words[0], true, &source, out)) return;
    std::vector<std::string> sourceDirs;
    const std::vector<DosEntry> files = dos_matching_files(drive, source, &sourceDirs);
    if (files.empty()) {
        out.say("File not found - " + args.words[0]);
        return;
    }
    DosTarget destination;
    if (!command_resolve(drive, args.words.size() > 1 ? args.words[1] : "", false, &destination,
                         out)) {
        return;
    }
    std::vector<std::string> destinationDirs;
    const bool intoDirectory = DosDrive::asDirectory(destination, &destinationDirs);
    if (!intoDirectory) destinationDirs = destination.dirs;
    if (!intoDirectory && files.size() > 1) {
        out.say("Cannot copy several files onto one file - give a directory");
        return;
    }
    const std::string toDir = drive.hostDir(destinationDirs);
    int copied = 0;
    for (const DosEntry& file : files) {
        std::string toName = intoDirectory ? file.name : destination.leaf;
        DosEntry existing;
        const bool exists = dos_lookup(toDir, toName, &existing);
        if (exists) toName = existing.name;  // names ignore case: replace the file that is there
        if (destinationDirs == sourceDirs && toName == file.name) {
            out.say("File cannot be copied onto itself");
            continue;
        }
        if (exists && existing.directory) {
            out.say("Access denied - " + toName);
            continue;
        }
        if (files.size() > 1) out.say(file.name);
        if (copyFile(drive.hostDir(sourceDirs) + "/" + file.name, toDir, toName)) {
            ++copied;
        } else {
            out.say("Unable to copy " + file.name);
        }
    }
    char summary[48];
    std::snprintf(summary, sizeof summary, "%9d file(s) copied", copied);
    out.say(summary);
}
