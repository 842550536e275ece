#include "dos/sim/dos_file_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace {

// What creat() would have given the file.
mode_t newFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool DosFileWriter::open(const std::string& hostDir, const std::string& name) {
    abandon();
    std::string pattern = hostDir + "/.velmo-dos-XXXXXX";
    std::vector<char> path(pattern.begin(), pattern.end());
    path.push_back('\0');
    fd_ = mkstemp(path.data());
    if (fd_ < 0) return false;
    fchmod(fd_, newFileMode());  // mkstemp makes it private; a copied file should not be
    tempPath_ = path.data();
    finalPath_ = hostDir + "/" + name;
    return true;
}

bool DosFileWriter::write(const void* bytes, size_t count) {
    const auto* p = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t n = ::write(fd_, p, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        count -= size_t(n);
    }
    return true;
}

bool DosFileWriter::commit(time_t modified) {
    if (modified != 0) {
        const timespec times[2] = {{modified, 0}, {modified, 0}};
        futimens(fd_, times);
    }
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    if (!closed || rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
        unlink(tempPath_.c_str());
        return false;
    }
    return true;
}

void DosFileWriter::abandon() {
    if (fd_ < 0) return;
    close(fd_);
    fd_ = -1;
    unlink(tempPath_.c_str());
}
