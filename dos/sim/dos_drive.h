// Drive A: of the simulated machine: a host directory and the current directory inside it.
//
// Every name velmo sends is resolved here and nowhere else. A name may carry the
// drive "A:", "\" or "/" separators, "." and ".."; each directory on the way must exist and is
// matched without regard to case, so the result is built from the host's real names only and
// can never climb above the root. Symbolic links, devices and names starting with "." do not
// exist on drive A:. Names here are UTF-8; the command processor converts at its edges.
#pragma once
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

struct DosEntry {
    std::string name;  // the host's real name
    bool directory = false;
    uint64_t size = 0;
    time_t modified = 0;
};

enum class PathError { None, Outside, BadDrive, BadName, NoDirectory };

struct DosTarget {
    std::vector<std::string> dirs;  // real names from the root to the directory holding `leaf`
    std::string leaf;    // last component: the real name when found, else as given; empty when
                         // the name was a directory path ("SUB\", "..", "A:\")
    bool found = false;  // `leaf` names an existing entry, described by `entry`
    DosEntry entry;
};

class DosDrive {
  public:
    explicit DosDrive(std::string root);

    const std::vector<std::string>& cwd() const { return cwd_; }
    void setCwd(std::vector<std::string> dirs) { cwd_ = std::move(dirs); }
    // "A:\SUB\DEEP" for the given directories from the root.
    static std::string dosPath(const std::vector<std::string>& dirs);
    std::string prompt() const { return dosPath(cwd_) + ">"; }

    std::string hostDir(const std::vector<std::string>& dirs) const;
    std::string hostPath(const DosTarget& target) const;

    PathError resolve(std::string_view name, bool allowWildcards, DosTarget* target) const;
    // The directory a target names when it is one (a directory path or an existing
    // directory); false otherwise.
    static bool asDirectory(const DosTarget& target, std::vector<std::string>* dirs);

  private:
    std::string root_;
    std::vector<std::string> cwd_;
};

// The visible entries of a host directory (files and directories), sorted by name.
std::vector<DosEntry> dos_list(const std::string& hostDir);
// The entry of `hostDir` whose name equals `name` without regard to case.
bool dos_lookup(const std::string& hostDir, std::string_view name, DosEntry* entry);
bool dos_has_wildcards(std::string_view name);
// MS-DOS's own name matching (files/dos_name_match.h) on UTF-8 names, compared in their
// Shift-JIS form.
bool dos_wild_match(std::string_view pattern, std::string_view name);
// The files (not directories) a resolved name stands for: one file, the matches of a wildcard,
// or every file of a directory; *dirs is the directory that holds them.
std::vector<DosEntry> dos_matching_files(const DosDrive& drive, const DosTarget& target,
                                         std::vector<std::string>* dirs);
// A name a file may be given: not empty, no leading dot, no control or reserved characters.
bool dos_valid_name(std::string_view name);
// The message DOS would give for a name that did not resolve.
const char* dos_path_message(PathError error);
