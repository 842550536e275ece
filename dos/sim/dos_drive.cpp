#include "dos/sim/dos_drive.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>

#include "dos/sim/dos_text.h"
#include "files/dos_name_match.h"

namespace {

constexpr size_t NAME_MAX_BYTES = 255;

char foldCase(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return foldCase(x) == foldCase(y);
           });
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// One name of a path: not empty, no control or reserved characters, and not starting with a
// dot. Drive A: has no such names (the host hides them), so none may be created or named.
bool validComponent(std::string_view name, bool allowWildcards) {
    if (name.empty() || name.size() > NAME_MAX_BYTES || name[0] == '.') return false;
    for (char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || c == '"' || c == '<' || c == '>' || c == '|') return false;
        if (!allowWildcards && (c == '*' || c == '?')) return false;
    }
    return true;
}

bool describe(int dirFd, const char* name, DosEntry* entry) {
    if (name[0] == '.') return false;  // hidden on the host, and our own temporary files
    struct stat info {};
    if (fstatat(dirFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return false;
    entry->name = name;
    entry->directory = S_ISDIR(info.st_mode);
    entry->size = entry->directory ? 0 : uint64_t(info.st_size);
    entry->modified = info.st_mtime;
    return true;
}

// Calls `visit` for every visible entry of a directory until it returns false.
template <typename Visit>
void forEachEntry(const std::string& hostDir, Visit visit) {
    DIR* dir = opendir(hostDir.c_str());
    if (dir == nullptr) return;
    DosEntry entry;
    while (const dirent* item = readdir(dir)) {
        if (describe(dirfd(dir), item->d_name, &entry) && !visit(entry)) break;
    }
    closedir(dir);
}

}  // namespace

DosDrive::DosDrive(std::string root) : root_(std::move(root)) {
    while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
}

std::string DosDrive::dosPath(const std::vector<std::string>& dirs) {
    std::string path = "A:";
    for (const std::string& dir : dirs) path += "\\" + dir;
    return dirs.empty() ? path + "\\" : path;
}

std::string DosDrive::hostDir(const std::vector<std::string>& dirs) const {
    std::string path = root_;
    for (const std::string& dir : dirs) path += "/" + dir;
    return path;
}

std::string DosDrive::hostPath(const DosTarget& target) const {
    const std::string dir = hostDir(target.dirs);
    return target.leaf.empty() ? dir : dir + "/" + target.leaf;
}

PathError DosDrive::resolve(std::string_view name, bool allowWildcards, DosTarget* target) const {
    *target = DosTarget{};
    if (name.size() >= 2 && name[1] == ':') {
        if (foldCase(name[0]) != 'A') return PathError::BadDrive;
        name.remove_prefix(2);
    }
    const bool absolute = !name.empty() && isSeparator(name[0]);
    std::vector<std::string> dirs = absolute ? std::vector<std::string>{} : cwd_;

    std::vector<std::string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || isSeparator(name[i])) {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string_view part = parts[i];
        const bool last = i + 1 == parts.size();
        if (part.empty() || part == ".") continue;  // "A:\", "SUB\\X", "SUB\"
        if (part == "..") {
            if (dirs.empty()) return PathError::Outside;
            dirs.pop_back();
            continue;
        }
        if (!validComponent(part, last && allowWildcards)) return PathError::BadName;
        DosEntry entry;
        const bool found = !dos_has_wildcards(part) && dos_lookup(hostDir(dirs), part, &entry);
        if (last) {
            target->leaf = found ? entry.name : std::string(part);
            target->found = found;
            target->entry = entry;
        } else if (found && entry.directory) {
            dirs.push_back(entry.name);
        } else {
            return PathError::NoDirectory;
        }
    }
    target->dirs = std::move(dirs);
    return PathError::None;
}

bool DosDrive::asDirectory(const DosTarget& target, std::vector<std::string>* dirs) {
    if (!target.leaf.empty() && !(target.found && target.entry.directory)) return false;
    *dirs = target.dirs;
    if (!target.leaf.empty()) dirs->push_back(target.leaf);
    return true;
}

std::vector<DosEntry> dos_list(const std::string& hostDir) {
    std::vector<DosEntry> entries;
    forEachEntry(hostDir, [&](const DosEntry& entry) {
        entries.push_back(entry);
        return true;
    });
    std::sort(entries.begin(), entries.end(), [](const DosEntry& a, const DosEntry& b) {
        return std::lexicographical_compare(
            a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
            [](char x, char y) { return foldCase(x) < foldCase(y); });
    });
    return entries;
}

bool dos_lookup(const std::string& hostDir, std::string_view name, DosEntry* entry) {
    bool found = false;
    forEachEntry(hostDir, [&](const DosEntry& candidate) {
        // An exact match wins over one that differs only in case.
        if (!sameName(candidate.name, name)) return true;
        if (!found || candidate.name == name) *entry = candidate;
        found = true;
        return candidate.name != name;
    });
    return found;
}

bool dos_has_wildcards(std::string_view name) {
    return name.find_first_of("*?") != std::string_view::npos;
}

bool dos_wild_match(std::string_view pattern, std::string_view name) {
    return k_dos_name_match(dos_text(pattern).c_str(), dos_text(name).c_str());
}

std::vector<DosEntry> dos_matching_files(const DosDrive& drive, const DosTarget& target,
                                         std::vector<std::string>* dirs) {
    std::string pattern = "*.*";
    if (!DosDrive::asDirectory(target, dirs)) {
        *dirs = target.dirs;
        pattern = target.leaf;
    }
    std::vector<DosEntry> files;
    for (DosEntry& entry : dos_list(drive.hostDir(*dirs))) {
        if (!entry.directory && dos_wild_match(pattern, entry.name)) files.push_back(entry);
    }
    return files;
}

bool dos_valid_name(std::string_view name) {
    return validComponent(name, false);
}

const char* dos_path_message(PathError error) {
    switch (error) {
        case PathError::None:
            return "";
        case PathError::Outside:
            return "Invalid directory";
        case PathError::BadDrive:
            return "Invalid drive specification";
        case PathError::BadName:
            return "Invalid file name";
        case PathError::NoDirectory:
            return "Path not found";
    }
    return "";
}
