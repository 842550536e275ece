// The files of drive A: as GET reads them and PUT writes them.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/encoding.h"
#include "dos/sim/dos_text.h"
#include "dos/sim/dos_time.h"
#include "dos/sim/drive_machine.h"

namespace {

// The frame's name as the drive's UTF-8; false when it is not Shift-JIS.
bool hostName(const char* text, uint32_t length, std::string* name) {
    return k_utf8_from_cp932(std::string_view(text, length), name);
}

}  // namespace

void DriveMachine::describe(const DosEntry& entry, FoundFile* found) const {
    const std::string name = faults_.hostileName ? faults_.hostileNameBytes : dos_text(entry.name);
    found->nameLength = uint32_t(std::min(name.size(), size_t(FOUND_NAME_MAX)));
    std::memcpy(found->name, name.data(), found->nameLength);
    found->size = uint32_t(entry.size);
    dos_stamp_from_time(entry.modified, &found->dosDate, &found->dosTime);
}

uint8_t DriveMachine::findFirst(const char* pattern, uint32_t length, FoundFile* found) {
    std::string name;
    if (!hostName(pattern, length, &name)) return DOS_ERROR_TEXT;
    DosTarget target;
    if (drive_.resolve(name, true, &target) != PathError::None) return DOS_ERROR_PATH;
    foundDirs_.clear();
    found_ = dos_matching_files(drive_, target, &foundDirs_);
    // A header carries the size in 32 bits: a larger file cannot be described.
    std::erase_if(found_, [](const DosEntry& file) { return file.size > UINT32_MAX; });
    if (found_.empty()) return DOS_ERROR_NO_FILE;
    foundIndex_ = 0;
    describe(found_[0], found);
    return 0;
}

bool DriveMachine::findNext(FoundFile* found) {
    if (foundIndex_ + 1 >= found_.size()) return false;
    describe(found_[++foundIndex_], found);
    return true;
}

bool DriveMachine::openFound() {
    const std::string path = drive_.hostDir(foundDirs_) + "/" + found_[foundIndex_].name;
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
}

int32_t DriveMachine::readFile(uint8_t* buffer, uint32_t count) {
    // --end-after: the transfer breaks off as if the file could not be read on.
    if (faults_.endAfter != FAULT_OFF && blocksRead_ >= faults_.endAfter) return -1;
    ++blocksRead_;
    uint32_t got = 0;
    while (got < count) {
        const ssize_t n = read(fd_, buffer + got, count - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += uint32_t(n);
    }
    return int32_t(got);
}

void DriveMachine::closeFile() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
}

uint8_t DriveMachine::preparePut(const char* destination, uint32_t length) {
    std::string name;
    if (!hostName(destination, length, &name)) return DOS_ERROR_TEXT;
    DosTarget target;
    if (drive_.resolve(name, false, &target) != PathError::None) return DOS_ERROR_PATH;
    putFixedName_.clear();
    if (!DosDrive::asDirectory(target, &putDirs_)) {
        putDirs_ = target.dirs;
        putFixedName_ = target.leaf;  // every file of the transfer is written to this one name
    }
    return 0;
}

bool DriveMachine::createFile(const char* sent, uint32_t length) {
    naksInjected_ = 0;
    std::string name = putFixedName_;
    if (name.empty() && !hostName(sent, length, &name)) return false;
    if (!dos_valid_name(name)) return false;
    const std::string hostDir = drive_.hostDir(putDirs_);
    DosEntry existing;
    if (dos_lookup(hostDir, name, &existing)) {
        if (existing.directory) return false;
        name = existing.name;  // names are case-insensitive: replace the file that is there
    }
    return writer_.open(hostDir, name);
}

bool DriveMachine::writeFile(const uint8_t* bytes, uint32_t count) {
    return writer_.write(bytes, count);
}

bool DriveMachine::commitFile(uint16_t dosDate, uint16_t dosTime) {
    time_t modified = 0;
    return writer_.commit(dos_time_from_stamp(dosDate, dosTime, &modified) ? modified : 0);
}
