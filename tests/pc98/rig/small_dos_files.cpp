// The small DOS's file functions: handles, directories, searches, names and times.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "dos/sim/dos_time.h"
#include "small_dos.h"
#include "small_dos_names.h"

namespace fs = std::filesystem;

void SmallDos::open(bool create) {
    const std::optional<fs::path> path = hostPath(pathAt(UC_X86_REG_DS, UC_X86_REG_DX));
    if (!path || !fs::is_directory(path->parent_path())) return fail(ERROR_PATH_NOT_FOUND);
    if (fs::is_directory(*path)) return fail(ERROR_ACCESS_DENIED);
    const uint8_t access = uint8_t(reg(UC_X86_REG_AX)) & 3;
    int flags = O_RDWR | O_CREAT | O_TRUNC;
    if (!create) {
        if (!fs::exists(*path)) return fail(ERROR_FILE_NOT_FOUND);
        flags = access == 0 ? O_RDONLY : access == 1 ? O_WRONLY : O_RDWR;
    }
    if ((create || access != 0) && (attributes_[*path] & ATTRIBUTE_READ_ONLY))
        return fail(ERROR_ACCESS_DENIED);
    if (create) attributes_[*path] = uint8_t(reg(UC_X86_REG_CX));
    openHandle(*path, flags);
}

void SmallDos::openHandle(const fs::path& path, int flags) {
    auto file = std::make_shared<HostFile>();
    file->fd = ::open(path.c_str(), flags, 0644);
    file->path = path;
    if (file->fd < 0) return fail(ERROR_ACCESS_DENIED);
    const uint16_t number = newHandle(std::move(file));
    if (number == 0) return fail(ERROR_TOO_MANY_OPEN);
    succeed(number);
}

// A new file with a name nobody has, in the directory DS:DX names; the name is appended there.
void SmallDos::createUnique() {
    const uint32_t at = linear(reg(UC_X86_REG_DS), reg(UC_X86_REG_DX));
    const std::string directory = cpu_.cString(reg(UC_X86_REG_DS), reg(UC_X86_REG_DX));
    for (;;) {
        const std::string name = hexName(++uniqueNames_);
        const std::optional<fs::path> path = hostPath(directory + name);
        if (!path || !fs::is_directory(path->parent_path())) return fail(ERROR_PATH_NOT_FOUND);
        if (fs::exists(*path)) continue;
        const std::string written = name + std::string(1, '\0');
        cpu_.write(at + uint32_t(directory.size()), written.data(), written.size());
        attributes_[*path] = uint8_t(reg(UC_X86_REG_CX));
        return openHandle(*path, O_RDWR | O_CREAT | O_EXCL);
    }
}

void SmallDos::readOrWrite(bool reading) {
    const Handle* file = handle(reg(UC_X86_REG_BX));
    if (!file) return fail(ERROR_INVALID_HANDLE);
    const int fd = (*file)->fd;
    const uint16_t count = reg(UC_X86_REG_CX);
    const uint32_t at = linear(reg(UC_X86_REG_DS), reg(UC_X86_REG_DX));
    if (reading) {
        std::vector<uint8_t> bytes(count);
        const ssize_t got = fd < 0 ? 0 : ::read(fd, bytes.data(), count);
        if (got < 0) return fail(ERROR_ACCESS_DENIED);
        cpu_.write(at, bytes.data(), size_t(got));
        return succeed(uint16_t(got));
    }
    const std::vector<uint8_t> bytes = cpu_.read(at, count);
    if (fd < 0) {
        console(std::string(bytes.begin(), bytes.end()));
    } else if (count == 0) {  // a write of nothing cuts the file at the position
        if (ftruncate(fd, lseek(fd, 0, SEEK_CUR)) != 0) return fail(ERROR_ACCESS_DENIED);
    } else if (::write(fd, bytes.data(), count) != count) {
        return fail(ERROR_ACCESS_DENIED);
    }
    succeed(count);
}

void SmallDos::seek() {
    const Handle* file = handle(reg(UC_X86_REG_BX));
    if (!file || (*file)->fd < 0) return fail(ERROR_INVALID_HANDLE);
    const int32_t offset = int32_t(uint32_t(reg(UC_X86_REG_CX)) << 16 | reg(UC_X86_REG_DX));
    const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    const off_t at = lseek((*file)->fd, offset, whence[uint8_t(reg(UC_X86_REG_AX)) % 3]);
    if (at < 0) return fail(ERROR_INVALID_FUNCTION);
    cpu_.setReg(UC_X86_REG_DX, uint16_t(at >> 16));
    succeed(uint16_t(at));
}

void SmallDos::duplicate(bool toGiven) {
    const Handle* file = handle(reg(UC_X86_REG_BX));
    if (!file) return fail(ERROR_INVALID_HANDLE);
    if (!toGiven) {
        const uint16_t number = newHandle(*file);
        return number ? succeed(number) : fail(ERROR_TOO_MANY_OPEN);
    }
    const uint16_t target = reg(UC_X86_REG_CX);
    if (target >= MAX_HANDLES) return fail(ERROR_INVALID_HANDLE);
    if (target >= handles_.size()) handles_.resize(target + 1);
    handles_[target] = *file;
    succeed();
}

void SmallDos::fileTime() {
    const Handle* file = handle(reg(UC_X86_REG_BX));
    if (!file || (*file)->fd < 0) return fail(ERROR_INVALID_HANDLE);
    if (uint8_t(reg(UC_X86_REG_AX)) == 1) {
        time_t stamp = 0;
        if (!dos_time_from_stamp(reg(UC_X86_REG_DX), reg(UC_X86_REG_CX), &stamp))
            return fail(ERROR_INVALID_FUNCTION);
        (*file)->stamp = stamp;
        return succeed();
    }
    uint16_t date = 0, time = 0;
    dos_stamp_from_time(modifiedTime((*file)->path), &date, &time);
    cpu_.setReg(UC_X86_REG_CX, time);
    cpu_.setReg(UC_X86_REG_DX, date);
    succeed();
}

void SmallDos::attributes() {
    const std::optional<fs::path> path = hostPath(pathAt(UC_X86_REG_DS, UC_X86_REG_DX));
    if (!path || !fs::exists(*path)) return fail(ERROR_FILE_NOT_FOUND);
    if (uint8_t(reg(UC_X86_REG_AX)) == 1) {
        attributes_[*path] = uint8_t(reg(UC_X86_REG_CX));
        return succeed();
    }
    cpu_.setReg(UC_X86_REG_CX,
                attributes_[*path] | (fs::is_directory(*path) ? ATTRIBUTE_DIRECTORY : 0));
    succeed();
}

void SmallDos::remove() {
    const std::optional<fs::path> path = hostPath(pathAt(UC_X86_REG_DS, UC_X86_REG_DX));
    if (!path || !fs::is_regular_file(*path)) return fail(ERROR_FILE_NOT_FOUND);
    if (attributes_[*path] & ATTRIBUTE_READ_ONLY) return fail(ERROR_ACCESS_DENIED);
    fs::remove(*path);
    attributes_.erase(*path);
    succeed();
}

void SmallDos::rename() {
    const std::optional<fs::path> from = hostPath(pathAt(UC_X86_REG_DS, UC_X86_REG_DX));
    const std::optional<fs::path> to = hostPath(pathAt(UC_X86_REG_ES, UC_X86_REG_DI));
    if (!from || !fs::exists(*from)) return fail(ERROR_FILE_NOT_FOUND);
    if (!to || fs::exists(*to) || !fs::is_directory(to->parent_path()))
        return fail(ERROR_ACCESS_DENIED);
    fs::rename(*from, *to);
    attributes_[*to] = attributes_[*from];
    attributes_.erase(*from);
    succeed();
}

// MD, RD and CD.
uint16_t SmallDos::directoryCall(uint8_t function, const std::string& dosPath) {
    const std::optional<fs::path> path = hostPath(dosPath);
    if (!path) return ERROR_PATH_NOT_FOUND;
    std::error_code error;
    switch (function) {
        case 0x39:
            if (fs::exists(*path)) return ERROR_ACCESS_DENIED;
            return fs::create_directory(*path, error) ? 0 : ERROR_PATH_NOT_FOUND;
        case 0x3A:
            if (!fs::is_directory(*path) || *path == driveC_) return ERROR_PATH_NOT_FOUND;
            return fs::remove(*path, error) ? 0 : ERROR_ACCESS_DENIED;
        default:
            if (!fs::is_directory(*path)) return ERROR_PATH_NOT_FOUND;
            currentDirectory_ = fs::relative(*path, driveC_).string();
            if (currentDirectory_ == ".") currentDirectory_.clear();
            std::replace(currentDirectory_.begin(), currentDirectory_.end(), '/', '\\');
            return 0;
    }
}

// Names that DOS could hold (8.3) matching `spec` ("DIR\*.TXT"), sorted; hidden files only when
// `attributes` asks for them, directories only when it asks for those.
std::vector<fs::path> SmallDos::matches(const std::string& spec, uint8_t attributes) const {
    const size_t split = lastSeparator(spec);
    const std::string directory = split == std::string::npos ? "" : spec.substr(0, split + 1);
    const std::vector<std::string> last =
        components(split == std::string::npos ? spec : spec.substr(split + 1));
    const std::string pattern = elevenCharacters(last.empty() ? "*.*" : last.back());
    std::vector<fs::path> found;
    const std::optional<fs::path> folder = hostPath(directory);
    std::error_code error;
    if (!folder || !fs::is_directory(*folder, error)) return found;
    for (const auto& entry : fs::directory_iterator(*folder)) {
        const std::string name = entry.path().filename().string();
        if (!fitsDos(name) || !matchesPattern(pattern, elevenCharacters(name))) continue;
        if (entry.is_directory() && !(attributes & ATTRIBUTE_DIRECTORY)) continue;
        if (hidden(entry.path()) && !(attributes & ATTRIBUTE_HIDDEN)) continue;
        found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool SmallDos::hidden(const fs::path& path) const {
    const auto found = attributes_.find(path);
    return found != attributes_.end() && (found->second & ATTRIBUTE_HIDDEN);
}

// The search's number lives in the first two reserved bytes of the transfer area, where DOS
// keeps its own state.
void SmallDos::findFirst() {
    const std::string spec = pathAt(UC_X86_REG_DS, UC_X86_REG_DX);
    const uint16_t search = nextSearch_++;
    searches_[search] = matches(spec.empty() ? "*.*" : spec, uint8_t(reg(UC_X86_REG_CX)));
    std::reverse(searches_[search].begin(), searches_[search].end());
    const uint8_t number[2] = {uint8_t(search), uint8_t(search >> 8)};
    cpu_.write(linear(transferArea_[0], transferArea_[1]), number, 2);
    findNext();
}

void SmallDos::findNext() {
    const uint32_t area = linear(transferArea_[0], transferArea_[1]);
    const std::vector<uint8_t> number = cpu_.read(area, 2);
    const auto search = searches_.find(uint16_t(number[0] | number[1] << 8));
    if (search == searches_.end() || search->second.empty()) {
        if (search != searches_.end()) searches_.erase(search);
        return fail(ERROR_NO_MORE_FILES);
    }
    const fs::path path = search->second.back();
    search->second.pop_back();
    std::vector<uint8_t> entry(43 - 21, 0);
    entry[0] = uint8_t(attributes_.count(path) ? attributes_.at(path) : 0);
    if (fs::is_directory(path)) entry[0] |= ATTRIBUTE_DIRECTORY;
    uint16_t date = 0, time = 0;
    dos_stamp_from_time(modifiedTime(path), &date, &time);
    const uint32_t size = fs::is_directory(path) ? 0 : uint32_t(fs::file_size(path));
    const uint8_t fields[] = {uint8_t(time),       uint8_t(time >> 8), uint8_t(date),
                              uint8_t(date >> 8),  uint8_t(size),      uint8_t(size >> 8),
                              uint8_t(size >> 16), uint8_t(size >> 24)};
    std::copy(std::begin(fields), std::end(fields), entry.begin() + 1);
    const std::string name = path.filename().string();
    std::copy(name.begin(), name.end(), entry.begin() + 9);
    cpu_.write(area + 21, entry.data(), entry.size());
    succeed();
}
