#include "small_dos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "small_dos_names.h"

namespace fs = std::filesystem;

namespace {

constexpr uint16_t ENVIRONMENT_SEGMENT = 0x0080;
constexpr uint16_t PSP_SEGMENT = 0x0100;
constexpr uint16_t TOP_OF_MEMORY = 0xA000;
constexpr size_t STANDARD_HANDLES = 5;

}  // namespace

SmallDos::SmallDos(EmulatedCpu& cpu, fs::path driveC, std::function<double()> now)
    : cpu_(cpu), driveC_(std::move(driveC)), now_(std::move(now)), startedAt_(time(nullptr)) {}

SmallDos::~SmallDos() = default;

SmallDos::HostFile::~HostFile() {
    if (fd < 0) return;
    close(fd);
    if (stamp) {
        const timespec times[2] = {{*stamp, 0}, {*stamp, 0}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

void SmallDos::load(const std::vector<uint8_t>& program, const std::string& tail) {
    std::string environment = "COMSPEC=C:\\COMMAND.COM";
    environment += std::string(1, '\0') + "PATH=C:\\" + std::string(2, '\0');
    environment += std::string("\x01\0C:\\VELMOD.COM\0", 16);
    cpu_.write(linear(ENVIRONMENT_SEGMENT, 0), environment.data(), environment.size());

    std::vector<uint8_t> psp(0x100, 0);
    psp[0] = 0xCD;  // INT 20h
    psp[1] = 0x20;
    psp[2] = uint8_t(TOP_OF_MEMORY);
    psp[3] = uint8_t(TOP_OF_MEMORY >> 8);
    psp[0x2C] = uint8_t(ENVIRONMENT_SEGMENT);
    psp[0x2D] = uint8_t(ENVIRONMENT_SEGMENT >> 8);
    std::fill(psp.begin() + 0x5D, psp.begin() + 0x68, ' ');  // two empty FCBs
    std::fill(psp.begin() + 0x6D, psp.begin() + 0x78, ' ');
    psp[0x80] = uint8_t(tail.size());
    std::copy(tail.begin(), tail.end(), psp.begin() + 0x81);
    psp[0x81 + tail.size()] = '\r';
    cpu_.write(linear(PSP_SEGMENT, 0), psp.data(), psp.size());
    cpu_.write(linear(PSP_SEGMENT, 0x100), program.data(), program.size());
    const uint8_t returnToPsp[2] = {0, 0};
    cpu_.write(linear(PSP_SEGMENT, 0xFFFE), returnToPsp, 2);
    cpu_.startAt(PSP_SEGMENT, 0x100, 0xFFFE);
    const Handle console = std::make_shared<HostFile>();
    handles_.assign(STANDARD_HANDLES, console);
}

std::string SmallDos::screen() const {
    const std::lock_guard lock(mutex_);
    return screen_;
}

std::optional<int> SmallDos::exitCode() const {
    const std::lock_guard lock(mutex_);
    return exitCode_;
}

void SmallDos::console(const std::string& text) {
    const std::lock_guard lock(mutex_);
    screen_ += text;
}

std::string SmallDos::pathAt(int segmentReg, int offsetReg) const {
    return cpu_.cString(reg(segmentReg), reg(offsetReg));
}

std::optional<fs::path> SmallDos::hostPath(const std::string& dosPath) const {
    std::string path = dosPath;
    if (path.size() >= 2 && path[1] == ':') {
        if ((path[0] | 0x20) != 'c') return std::nullopt;
        path.erase(0, 2);
    }
    std::vector<std::string> parts;
    if (path.empty() || (path[0] != '\\' && path[0] != '/')) parts = components(currentDirectory_);
    for (const std::string& part : components(path)) {
        if (part == "..") {
            if (parts.empty()) return std::nullopt;
            parts.pop_back();
        } else if (part != ".") {
            parts.push_back(part);
        }
    }
    fs::path host = driveC_;
    for (const std::string& part : parts) host /= part;
    return host;
}

void SmallDos::succeed(std::optional<uint16_t> ax) {
    cpu_.setFlag(FLAG_CARRY, false);
    if (ax) cpu_.setReg(UC_X86_REG_AX, *ax);
}

void SmallDos::fail(uint16_t error) {
    lastError_ = error;
    cpu_.setFlag(FLAG_CARRY, true);
    cpu_.setReg(UC_X86_REG_AX, error);
}

SmallDos::Handle* SmallDos::handle(uint16_t number) {
    return number < handles_.size() && handles_[number] ? &handles_[number] : nullptr;
}

uint16_t SmallDos::newHandle(Handle file) {
    for (size_t i = STANDARD_HANDLES; i < MAX_HANDLES; ++i) {
        if (i == handles_.size()) handles_.emplace_back();
        if (!handles_[i]) {
            handles_[i] = std::move(file);
            return uint16_t(i);
        }
    }
    return 0;
}

void SmallDos::write(uint16_t number, const std::string& bytes) {
    const Handle* file = handle(number);
    if (!file) return;
    if ((*file)->fd < 0) {
        console(bytes);
    } else if (::write((*file)->fd, bytes.data(), bytes.size()) < 0) {
        console("[small DOS: a write failed]\r\n");
    }
}

void SmallDos::interrupt21() {
    const uint16_t ax = reg(UC_X86_REG_AX), dx = reg(UC_X86_REG_DX);
    const uint8_t function = uint8_t(ax >> 8), al = uint8_t(ax);
    time_t seconds = time_t(now_());
    tm local = {};
    switch (function) {
        case 0x02:
            console(std::string(1, char(dx)));
            break;
        case 0x06:  // the keyboard never has a key; output goes to the screen
            if (uint8_t(dx) == 0xFF) {
                cpu_.setFlag(FLAG_ZERO, true);
                cpu_.setReg(UC_X86_REG_AX, ax & 0xFF00);
            } else {
                console(std::string(1, char(dx)));
            }
            break;
        case 0x09: {
            std::string text = pathAt(UC_X86_REG_DS, UC_X86_REG_DX);
            console(text.substr(0, text.find('$')));
            break;
        }
        case 0x0E:
            cpu_.setReg(UC_X86_REG_AX, (ax & 0xFF00) | 3);
            break;
        case 0x19:
            cpu_.setReg(UC_X86_REG_AX, (ax & 0xFF00) | 2);
            break;
        case 0x1A:
            transferArea_[0] = reg(UC_X86_REG_DS);
            transferArea_[1] = dx;
            break;
        case 0x25: {
            const uint16_t vector[2] = {dx, reg(UC_X86_REG_DS)};
            cpu_.write(uint32_t(al) * 4, vector, 4);
            break;
        }
        case 0x2A:
        case 0x2C:
            seconds += startedAt_;
            localtime_r(&seconds, &local);
            if (function == 0x2A) {
                cpu_.setReg(UC_X86_REG_CX, uint16_t(local.tm_year + 1900));
                cpu_.setReg(UC_X86_REG_DX, uint16_t((local.tm_mon + 1) << 8 | local.tm_mday));
            } else {
                cpu_.setReg(UC_X86_REG_CX, uint16_t(local.tm_hour << 8 | local.tm_min));
                cpu_.setReg(UC_X86_REG_DX, uint16_t(local.tm_sec << 8));
            }
            break;
        case 0x30:  // MS-DOS 5.00
            cpu_.setReg(UC_X86_REG_AX, 0x0005);
            cpu_.setReg(UC_X86_REG_BX, 0);
            break;
        case 0x35: {
            const std::vector<uint8_t> vector = cpu_.read(uint32_t(al) * 4, 4);
            cpu_.setReg(UC_X86_REG_BX, uint16_t(vector[0] | vector[1] << 8));
            cpu_.setReg(UC_X86_REG_ES, uint16_t(vector[2] | vector[3] << 8));
            break;
        }
        case 0x36:  // 16 MiB free: 32 sectors of 512 bytes a cluster, 1024 clusters
            cpu_.setReg(UC_X86_REG_AX, 32);
            cpu_.setReg(UC_X86_REG_BX, 1024);
            cpu_.setReg(UC_X86_REG_CX, 512);
            cpu_.setReg(UC_X86_REG_DX, 2048);
            break;
        case 0x39:
        case 0x3A:
        case 0x3B:
            if (const uint16_t error =
                    directoryCall(function, pathAt(UC_X86_REG_DS, UC_X86_REG_DX)))
                fail(error);
            else
                succeed();
            break;
        case 0x3C:
        case 0x3D:
            open(function == 0x3C);
            break;
        case 0x3E:
            if (Handle* file = handle(reg(UC_X86_REG_BX))) {
                file->reset();
                succeed();
            } else {
                fail(ERROR_INVALID_HANDLE);
            }
            break;
        case 0x3F:
        case 0x40:
            readOrWrite(function == 0x3F);
            break;
        case 0x41:
            remove();
            break;
        case 0x42:
            seek();
            break;
        case 0x43:
            attributes();
            break;
        case 0x44:  // device information: the console is a device, a file is on drive C:
            if (const Handle* file = handle(reg(UC_X86_REG_BX))) {
                cpu_.setReg(UC_X86_REG_DX, (*file)->fd < 0 ? 0x80D3 : 0x0002);
                succeed();
            } else {
                fail(ERROR_INVALID_HANDLE);
            }
            break;
        case 0x45:
        case 0x46:
            duplicate(function == 0x46);
            break;
        case 0x47: {
            const std::string directory = currentDirectory_ + std::string(1, '\0');
            cpu_.write(linear(reg(UC_X86_REG_DS), reg(UC_X86_REG_SI)), directory.data(),
                       directory.size());
            succeed(0x0100);
            break;
        }
        case 0x4A:
            succeed();
            break;
        case 0x4B:
            exec();
            break;
        case 0x4C: {
            const std::lock_guard lock(mutex_);
            exitCode_ = al;
            cpu_.stop();
            break;
        }
        case 0x4E:
            findFirst();
            break;
        case 0x4F:
            findNext();
            break;
        case 0x56:
            rename();
            break;
        case 0x57:
            fileTime();
            break;
        case 0x59:
            cpu_.setReg(UC_X86_REG_AX, lastError_);
            break;
        case 0x5A:
            createUnique();
            break;
        default:
            console("[small DOS: INT 21h function " + std::to_string(function) + " is missing]");
            fail(ERROR_INVALID_FUNCTION);
            break;
    }
}
