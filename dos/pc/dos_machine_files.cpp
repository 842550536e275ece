// GET and PUT on the DOS side's files.
#include "dos_machine.h"
#include "single_floppy.h"

namespace {

constexpr uint8_t OPEN_READ = 0x00;
constexpr uint16_t NORMAL_FILES = 0x00;  // find-first: no directories, hidden or system files

bool hasWildcards(const char* path) {
    for (; *path; ++path) {
        if (*path == '*' || *path == '?') return true;
    }
    return false;
}

bool isDirectory(const char* path) {
    uint16_t attributes = 0;
    return dos_attributes(path, &attributes) == 0 && (attributes & ATTRIBUTE_DIRECTORY);
}

bool isDevice(const char* path) {
    uint16_t handle = 0;
    if (dos_open(path, OPEN_READ, &handle) != 0) return false;
    const bool device = dos_is_device(handle);
    dos_close(handle);
    return device;
}

// "X:\", "\", "X:" and "" name a directory that always exists (and that DOS will not report
// attributes for).
bool isRootOrCurrent(const char* path, uint32_t length) {
    if (length == 0) return true;
    if (length == 2 && path[1] == ':') return true;
    return (length == 1 && path[0] == '\\') || (length == 3 && path[1] == ':' && path[2] == '\\');
}

}  // namespace

bool DosMachine::refuseSwapDrive(const char* path, uint32_t length) {
    const int drive = swap_drive_in(path, length);
    if (drive < 0) return false;
    problem_ = TextBuffer();
    describe_swap_drive(uint8_t(drive), &problem_);
    return true;
}

void DosMachine::describe(FoundFile* found) const {
    uint32_t n = 0;
    while (n < sizeof findData_.name && findData_.name[n]) {
        found->name[n] = findData_.name[n];
        ++n;
    }
    found->nameLength = n;
    found->size = findData_.size;
    found->dosDate = findData_.date;
    found->dosTime = findData_.time;
}

uint8_t DosMachine::findFirst(const char* pattern, uint32_t length, FoundFile* found) {
    if (refuseSwapDrive(pattern, length)) return DOS_ERROR_PATH;
    char search[DOS_PATH_MAX];
    if (length == 0 || !dos_copy_path(pattern, length, search)) return DOS_ERROR_PATH;
    // A directory stands for all of its files.
    const uint32_t directoryLength = dos_directory_length(search, length);
    if (directoryLength == length) {
        if (!dos_append(search, "*.*")) return DOS_ERROR_PATH;
    } else if (!hasWildcards(search) && isDirectory(search)) {
        if (!dos_append(search, "\\*.*")) return DOS_ERROR_PATH;
    }
    const uint32_t searchLength = dos_length(search);
    const uint32_t keep = dos_directory_length(search, searchLength);
    dos_copy_path(search, keep, directory_);

    dos_set_transfer_area(&findData_);
    const uint16_t error = dos_find_first(search, NORMAL_FILES);
    if (error == DOS_FILE_NOT_FOUND || error == DOS_NO_MORE_FILES) return DOS_ERROR_NO_FILE;
    if (error) return DOS_ERROR_PATH;
    // DOS finds a device (CON, NUL, PRN) under its name in any directory.
    if (!hasWildcards(search) && isDevice(search)) {
        problem_ = TextBuffer().add(findData_.name).add(" is a device, not a file");
        return DOS_ERROR_NO_FILE;
    }
    describe(found);
    return 0;
}

bool DosMachine::findNext(FoundFile* found) {
    // The screen and the command runner use DOS too: the search's area must be ours again.
    dos_set_transfer_area(&findData_);
    if (dos_find_next() != 0) return false;
    describe(found);
    return true;
}

bool DosMachine::openFound() {
    dos_copy_path(directory_, dos_length(directory_), path_);
    if (!dos_append(path_, findData_.name)) return false;
    fileOpen_ = dos_open(path_, OPEN_READ, &file_) == 0;
    if (fileOpen_ && dos_is_device(file_)) closeFile();
    return fileOpen_;
}

int32_t DosMachine::readFile(uint8_t* buffer, uint32_t count) {
    uint16_t got = 0;
    if (const uint16_t error = dos_read(file_, buffer, uint16_t(count), &got)) {
        fail("Cannot read", path_, error);
        return -1;
    }
    return got;
}

void DosMachine::closeFile() {
    if (!fileOpen_) return;
    dos_close(file_);
    fileOpen_ = false;
}

uint8_t DosMachine::preparePut(const char* destination, uint32_t length) {
    if (refuseSwapDrive(destination, length)) return DOS_ERROR_PATH;
    char target[DOS_PATH_MAX];
    if (!dos_copy_path(destination, length, target) || hasWildcards(target)) return DOS_ERROR_PATH;
    finalName_[0] = 0;
    const uint32_t directoryLength = dos_directory_length(target, length);
    if (directoryLength == length || isRootOrCurrent(target, length)) {
        // A directory path: "", "SUB\", "C:\", "C:".
        dos_copy_path(target, length, directory_);
        if (length && target[length - 1] == '\\' && !isRootOrCurrent(target, length)) {
            target[length - 1] = 0;
            if (!isDirectory(target)) return DOS_ERROR_PATH;
        }
        return 0;
    }
    if (isDirectory(target)) {
        dos_copy_path(target, length, directory_);
        return dos_append(directory_, "\\") ? 0 : DOS_ERROR_PATH;
    }
    // One file: its directory must be there.
    dos_copy_path(target, directoryLength, directory_);
    dos_copy_path(target + directoryLength, length - directoryLength, finalName_);
    if (!isRootOrCurrent(directory_, directoryLength)) {
        char parent[DOS_PATH_MAX];
        dos_copy_path(directory_, directoryLength - 1, parent);
        if (!isDirectory(parent)) return DOS_ERROR_PATH;
    }
    return 0;
}

bool DosMachine::createFile(const char* name, uint32_t length) {
    dos_copy_path(directory_, dos_length(directory_), path_);
    if (finalName_[0]) {
        if (!dos_append(path_, finalName_)) return fail("The name is too long for", directory_, 0);
    } else {
        char leaf[DOS_PATH_MAX];
        if (!dos_copy_path(name, length, leaf) || !dos_plain_file_name(leaf)) {
            return fail("Not a DOS file name:", leaf, 0);
        }
        if (!dos_append(path_, leaf)) return fail("The name is too long for", directory_, 0);
    }
    // The unique name goes in the same directory, so the final rename never crosses drives.
    // DOS makes it in the root when the directory is "" or "X:", so it is named in full.
    if (!dos_full_directory(directory_, temporary_)) {
        return fail("The name is too long for", directory_, 0);
    }
    const uint16_t error = dos_create_unique(temporary_, 0, &file_);
    if (error) return fail("Cannot create a file for", path_, error);
    fileOpen_ = true;
    return true;
}

bool DosMachine::writeFile(const uint8_t* bytes, uint32_t count) {
    if (const uint16_t error = dos_write(file_, bytes, uint16_t(count))) {
        return fail("Cannot write", path_, error);
    }
    return true;
}

bool DosMachine::commitFile(uint16_t dosDate, uint16_t dosTime) {
    dos_set_file_time(file_, dosDate, dosTime);
    fileOpen_ = false;
    uint16_t error = dos_close(file_);
    // The old file under the final name goes only once the new one is complete.
    uint16_t attributes = 0;
    if (!error && dos_attributes(path_, &attributes) == 0) error = dos_delete(path_);
    if (!error) error = dos_rename(temporary_, path_);
    if (error) {
        dos_delete(temporary_);
        return fail("Cannot store", path_, error);
    }
    return true;
}

void DosMachine::abandonFile() {
    if (!fileOpen_) return;
    dos_close(file_);
    fileOpen_ = false;
    dos_delete(temporary_);
}

void DosMachine::transferBroken(const char* reason) {
    problem_ = TextBuffer().add(reason);
}
