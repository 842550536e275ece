// The small DOS's EXEC: the commands a test types, answered as COMMAND.COM /C would answer
// them, on the standard output the caller gave the child.
#include <cstdio>

#include "dos/sim/dos_time.h"
#include "small_dos.h"
#include "small_dos_names.h"

namespace fs = std::filesystem;

namespace {

constexpr uint16_t STDOUT = 1;

std::string trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// "NAME     EXT         123  02-03-01   4:05a", as DIR lists a file.
std::string directoryLine(const fs::path& path) {
    const std::string entry = elevenCharacters(path.filename().string());
    char size[16];
    if (fs::is_directory(path)) {
        std::snprintf(size, sizeof size, "%-10s", "<DIR>");
    } else {
        std::snprintf(size, sizeof size, "%10ju", uintmax_t(fs::file_size(path)));
    }
    return entry.substr(0, 8) + " " + entry.substr(8) + " " + size + "  " +
           dos_listing_time(modifiedTime(path)) + "\r\n";
}

}  // namespace

void SmallDos::exec() {
    const uint32_t block = linear(reg(UC_X86_REG_ES), reg(UC_X86_REG_BX));
    const std::vector<uint8_t> pointer = cpu_.read(block + 2, 4);
    const uint32_t tail =
        linear(uint16_t(pointer[2] | pointer[3] << 8), uint16_t(pointer[0] | pointer[1] << 8));
    const std::vector<uint8_t> text = cpu_.read(tail + 1, cpu_.read(tail, 1)[0]);
    const std::string line(text.begin(), text.end());
    const size_t switchAt = line.find("/C");
    if (switchAt == std::string::npos) return fail(ERROR_FILE_NOT_FOUND);
    runBuiltIn(trimmed(line.substr(switchAt + 2)));
    succeed(0);
}

void SmallDos::runBuiltIn(const std::string& line) {
    size_t length = 0;
    while (length < line.size() && std::isalpha(uint8_t(line[length]))) ++length;
    std::string command = line.substr(0, length);
    for (char& c : command) c = char(std::tolower(uint8_t(c)));
    const std::string argument = trimmed(line.substr(length));
    if (command == "dir") {
        listDirectory(argument);
    } else if (command == "type") {
        typeFile(argument);
    } else if (command == "ver") {
        write(STDOUT, "\r\nMS-DOS Version 5.00\r\n\r\n");
    } else if (command == "cd" || command == "chdir") {
        if (argument.empty()) {
            write(STDOUT, "C:\\" + currentDirectory_ + "\r\n");
        } else if (directoryCall(0x3B, argument)) {
            write(STDOUT, "Invalid directory\r\n");
        }
    } else if (command == "md" || command == "mkdir") {
        if (directoryCall(0x39, argument)) write(STDOUT, "Unable to create directory\r\n");
    } else if (command == "rd" || command == "rmdir") {
        if (directoryCall(0x3A, argument)) {
            write(STDOUT, "Invalid path, not directory,\r\nor directory not empty\r\n");
        }
    } else {
        write(STDOUT, "Bad command or file name\r\n");
    }
}

void SmallDos::listDirectory(const std::string& argument) {
    std::string spec = argument.empty() ? "*.*" : argument;
    const std::optional<fs::path> named = hostPath(spec);
    if (named && fs::is_directory(*named)) spec += "\\*.*";
    const std::vector<fs::path> found = matches(spec, ATTRIBUTE_DIRECTORY);
    std::string out = "\r\n Volume in drive C has no label\r\n Directory of  C:\\" +
                      currentDirectory_ + "\r\n\r\n";
    if (found.empty()) {
        write(STDOUT, out + "File not found\r\n");
        return;
    }
    for (const fs::path& path : found) out += directoryLine(path);
    char total[64];
    std::snprintf(total, sizeof total, "%9zu file(s)   16777216 bytes free\r\n", found.size());
    write(STDOUT, out + total);
}

void SmallDos::typeFile(const std::string& name) {
    const std::optional<fs::path> path = hostPath(name);
    std::FILE* file = path ? std::fopen(path->c_str(), "rb") : nullptr;
    if (!file) {
        write(STDOUT, "File not found - " + name + "\r\n");
        return;
    }
    std::string bytes;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        bytes.append(chunk, got);
    std::fclose(file);
    write(STDOUT, bytes);
}
