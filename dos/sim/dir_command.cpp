// DIR: the classic listing, or five names a line with /W.
#include "dos/sim/dir_command.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

#include <cstdio>

#include "dos/sim/dos_time.h"

namespace {

constexpr size_t WIDE_COLUMNS = 5;
constexpr size_t WIDE_CELL = 16;

struct ShortName {
    std::string base;
    std::string extension;
};

// Splits a Shift-JIS name into the 8 + 3 columns when it fits them; "." and ".." fit too.
bool asShortName(const std::string& name, ShortName* shortName) {
    if (name == "." || name == "..") {
        *shortName = {name, ""};
        return true;
    }
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 ||
        extension.find('.') != std::string::npos || name.find(' ') != std::string::npos) {
        return false;
    }
    *shortName = {base, extension};
    for (std::string* part : {&shortName->base, &shortName->extension}) {
        for (char& c : *part) {
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        }
    }
    return true;
}

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string listingLine(const DosEntry& entry) {
    const std::string name = dos_text(entry.name);
    char size[32];
    if (entry.directory) {
        std::snprintf(size, sizeof size, "%-10s", "   <DIR>");
    } else {
        std::snprintf(size, sizeof size, "%10llu", static_cast<unsigned long long>(entry.size));
    }
    ShortName shortName;
    const std::string nameColumns =
        asShortName(name, &shortName)
            ? padded(shortName.base, 8) + " " + padded(shortName.extension, 3)
            : padded(name, 12);
    return nameColumns + size + " " + dos_listing_time(entry.modified);
}

std::string wideCell(const DosEntry& entry) {
    const std::string name = dos_text(entry.name);
    return entry.directory ? "[" + name + "]" : name;
}

void addWideLines(const std::vector<DosEntry>& entries, CommandOutput& out) {
    std::string line;
    size_t column = 0;
    for (const DosEntry& entry : entries) {
        line += padded(wideCell(entry), WIDE_CELL);
        if (++column == WIDE_COLUMNS) {
            out.raw(line);
            line.clear();
            column = 0;
        }
    }
    if (column > 0) out.raw(line);
}

DosEntry dotEntry(const char* name, const std::string& hostDir) {
    DosEntry entry;
    entry.name = name;
    entry.directory = true;
    struct stat info {};
    if (stat(hostDir.c_str(), &info) == 0) entry.modified = info.st_mtime;
    return entry;
}

unsigned long long bytesFree(const std::string& hostDir) {
    struct statvfs info {};
    if (statvfs(hostDir.c_str(), &info) != 0) return 0;
    return static_cast<unsigned long long>(info.f_bavail) * info.f_frsize;
}

}  // namespace

void command_dir(DosDrive& drive, const CommandArgs& args, CommandOutput& out) {
    if (command_refuse(args, "W", 0, 1, out)) return;
    DosTarget target;
    if (!command_resolve(drive, args.words.empty() ? "" : args.words[0], true, &target, out))
        return;
    std::vector<std::string> dirs;
    std::string pattern = "*.*";
    if (!DosDrive::asDirectory(target, &dirs)) {
        dirs = target.dirs;
        pattern = target.leaf;
    }
    const std::string hostDir = drive.hostDir(dirs);
    std::vector<DosEntry> entries;
    if (!dirs.empty() && dos_wild_match(pattern, ".")) {
        entries.push_back(dotEntry(".", hostDir));
        entries.push_back(dotEntry("..", hostDir + "/.."));
    }
    for (DosEntry& entry : dos_list(hostDir)) {
        if (dos_wild_match(pattern, entry.name)) entries.push_back(std::move(entry));
    }

    out.say(" Volume in drive A is VELMO");
    out.say(" Directory of " + DosDrive::dosPath(dirs));
    out.say("");
    if (entries.empty()) {
        out.say("File not found");
        return;
    }
    if (args.switches.empty()) {
        for (const DosEntry& entry : entries) out.raw(listingLine(entry));
    } else {
        addWideLines(entries, out);
    }
    char summary[80];
    std::snprintf(summary, sizeof summary, "%9zu File(s) %12llu bytes free", entries.size(),
                  bytesFree(hostDir));
    out.say(summary);
}
