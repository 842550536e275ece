// The three byte movers over POSIX descriptors. A block is "open" while it owns a descriptor
// that holds an exclusive flock, which is how the no-sharing open is kept on this platform.
#include "files/file_layer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "base/encoding.h"
#include "files/system_error.h"

namespace {

constexpr int INVALID_NAME = 123;

int withDetail(int stage, uint32_t detail) {
    return stage | static_cast<int>(detail & 0xFFFF);
}

// A state word outside 59630..59639 means the caller never initialised the block.
bool stateValid(const FileControlBlock* block) {
    return block->state / 10 == FCB_FRESH / 10;
}

enum class OpenMode { ReadOnly, ReadWrite, Create };

int openDescriptor(const std::string& path, OpenMode mode) {
    // O_NONBLOCK keeps a FIFO from hanging the window thread at open; cleared afterwards.
    const int common = O_CLOEXEC | O_NONBLOCK;
    switch (mode) {
        case OpenMode::ReadOnly:
            return open(path.c_str(), O_RDONLY | common);
        case OpenMode::ReadWrite:
            return open(path.c_str(), O_RDWR | common);
        case OpenMode::Create: {
            // An existing file is written where it is; a new one is created with O_EXCL, which
            // refuses to create a file through a dangling symbolic link.
            int fd = open(path.c_str(), O_WRONLY | common);
            if (fd < 0 && errno == ENOENT) {
                fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | common, 0666);
            }
            return fd;
        }
    }
    return -1;
}

// Opens `name` without sharing; returns the descriptor or -(Windows-style error).
int openLocked(const char* name, OpenMode mode) {
    std::string path;
    if (!k_utf8_from_cp932(name, &path)) return -INVALID_NAME;
    const int fd = openDescriptor(path, mode);
    if (fd < 0) return -k_system_error(errno);
    int err = 0;
    struct stat info;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        err = k_system_error(errno);
    } else if (fstat(fd, &info) != 0) {
        err = k_system_error(errno);
    } else if (S_ISDIR(info.st_mode)) {
        err = 5;  // a directory is not a file to read or write, as on the original platform
    } else if (mode == OpenMode::Create && S_ISREG(info.st_mode) && ftruncate(fd, 0) != 0) {
        err = k_system_error(errno);
    } else if (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        err = k_system_error(errno);
    }
    if (err != 0) {
        close(fd);
        return -err;
    }
    return fd;
}

// Gives up the descriptor after a failed transfer; the result of close no longer matters.
void abandon(FileControlBlock* block) {
    block->state = FCB_CLOSED;
    close(block->handle);
}

int closeBlock(FileControlBlock* block) {
    if (block->state == FCB_CLOSED) return 0;
    if (block->state != FCB_OPEN) return 0x310001;
    // Linux releases the descriptor even when close reports an error, so the block must not
    // keep it: a second close could hit a descriptor reused by another file.
    block->state = FCB_CLOSED;
    if (close(block->handle) != 0) return withDetail(0x300000, k_system_error(errno));
    return 0;
}

// Shared opening step: resets an uninitialised block, closes a descriptor the block still holds
// (so a second open does not leak it), and takes the new descriptor. A missing file is the
// bare code 2 where `missingIsBare`, every other failure 0x200000 with the error.
int openBlock(const char* name, OpenMode mode, bool missingIsBare, FileControlBlock* block) {
    if (!stateValid(block)) block->state = FCB_FRESH;
    if (block->state == FCB_OPEN) closeBlock(block);
    const int fd = openLocked(name, mode);
    if (fd < 0) {
        const int err = -fd;
        return err == 2 && missingIsBare ? 2 : withDetail(0x200000, static_cast<uint32_t>(err));
    }
    block->handle = fd;
    block->state = FCB_OPEN;
    return 0;
}

struct Moved {
    uint32_t bytes = 0;
    int error = 0;  // Windows-style code of a failed call, 0 if none failed
};

// Moves up to `count` bytes at the current position, going on after partial transfers; stops
// at end of file (read returns 0) or at the first failure.
Moved moveBytes(int fd, int direction, void* buffer, uint32_t count) {
    Moved moved;
    auto* bytes = static_cast<char*>(buffer);
    while (moved.bytes < count) {
        const size_t want = count - moved.bytes;
        const ssize_t n = direction == 0 ? read(fd, bytes + moved.bytes, want)
                                         : write(fd, bytes + moved.bytes, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            moved.error = k_system_error(errno);
            break;
        }
        if (n == 0) break;
        moved.bytes += static_cast<uint32_t>(n);
    }
    return moved;
}

void setDone(uint32_t* done, uint32_t value) {
    if (done != nullptr) *done = value;
}

bool opValid(int op) {
    return op >= FILE_OPEN_ONLY && op <= FILE_CLOSE;
}

}  // namespace

int k_file_rw(int op, int direction, const char* name, void* buffer, uint32_t offset,
              uint32_t count, uint32_t* done, FileControlBlock* block) {
    if (!opValid(op)) return withDetail(0x100000, static_cast<uint32_t>(op));
    if (direction != 0 && direction != 1) {
        return withDetail(0x120000, static_cast<uint32_t>(direction));
    }
    if (op == FILE_CLOSE) return closeBlock(block);
    if (op == FILE_OPEN_ONLY || op == FILE_OPEN) {
        if (!stateValid(block)) block->size = 0;
        const bool readOnly = op == FILE_OPEN_ONLY && direction == 0;
        const int rc =
            openBlock(name, readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite, true, block);
        if (rc != 0) return rc;
        struct stat info;
        if (fstat(block->handle, &info) != 0) {
            const int err = k_system_error(errno);
            abandon(block);
            return withDetail(0x220000, err);
        }
        if (info.st_size > 0x7FFFFFFF) {
            abandon(block);
            return 1;
        }
        block->size = static_cast<uint32_t>(info.st_size);
        if (op == FILE_OPEN_ONLY) return 0;
    }
    if (block->state != FCB_OPEN) return 0x400001;
    setDone(done, 0);
    if (count == 0) return 0;
    if (count & 0x800000) return 0x420009;
    if (offset & 0x80000000u) return 0x440009;
    // Summed in 64 bits: a 32-bit sum could wrap and let a huge count through.
    if (uint64_t{offset} + count > block->size) return 0x460009;
    if (lseek(block->handle, offset, SEEK_SET) < 0) {
        const int err = k_system_error(errno);
        abandon(block);
        return withDetail(0x500000, err);
    }
    const Moved moved = moveBytes(block->handle, direction, buffer, count);
    setDone(done, moved.bytes);
    if (moved.error != 0) {
        abandon(block);
        return withDetail(0x600000, moved.error);
    }
    if (moved.bytes < count) {
        abandon(block);
        return withDetail(0x650000, moved.bytes);
    }
    return 0;
}

namespace {

// k_file_read and k_file_write: the same steps without size, arguments checks or seek.
int sequential(int op, int direction, const char* name, void* buffer, uint32_t count,
               uint32_t* done, FileControlBlock* block) {
    if (!opValid(op)) return withDetail(0x100000, static_cast<uint32_t>(op));
    if (op == FILE_CLOSE) return closeBlock(block);
    if (op == FILE_OPEN_ONLY || op == FILE_OPEN) {
        const bool reading = direction == 0;
        const int rc =
            openBlock(name, reading ? OpenMode::ReadOnly : OpenMode::Create, reading, block);
        if (rc != 0) return rc;
        if (op == FILE_OPEN_ONLY) return 0;
    }
    if (block->state != FCB_OPEN) return 0x400001;
    setDone(done, 0);
    if (count == 0) return 0;
    const Moved moved = moveBytes(block->handle, direction, buffer, count);
    setDone(done, moved.bytes);
    if (moved.error != 0) {
        abandon(block);
        return withDetail(0x420000, moved.error);
    }
    if (moved.bytes < count) {
        abandon(block);
        return direction == 0 ? -1 : withDetail(0x450000, moved.bytes);
    }
    return 0;
}

}  // namespace

int k_file_read(int op, const char* name, void* buffer, uint32_t count, uint32_t* done,
                FileControlBlock* block) {
    return sequential(op, 0, name, buffer, count, done, block);
}

int k_file_write(int op, const char* name, const void* buffer, uint32_t count, uint32_t* done,
                 FileControlBlock* block) {
    // The writer never writes into the buffer; the shared path takes a mutable pointer.
    return sequential(op, 1, name, const_cast<void*>(buffer), count, done, block);
}
