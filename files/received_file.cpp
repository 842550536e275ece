// The checks and the temporary-then-rename of a received file, on POSIX calls.
#include "files/received_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/encoding.h"
#include "files/errlog_config.h"
#include "files/reporter.h"
#include "files/system_error.h"

namespace {

constexpr int INVALID_NAME = 123;
constexpr size_t PENDING_MAX = 4096;

// The temporary to remove if a signal ends the process; written before the handlers can see it.
char pendingPath[PENDING_MAX];
volatile sig_atomic_t pendingSet = 0;
struct sigaction previousTerm;
struct sigaction previousHup;

void onTermination(int signal) {
    k_received_file_abandon();
    // The previous disposition takes over: the window's orderly close, or the default end.
    const struct sigaction& previous = signal == SIGTERM ? previousTerm : previousHup;
    if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN &&
        (previous.sa_flags & SA_SIGINFO) == 0) {
        previous.sa_handler(signal);
        return;
    }
    sigaction(signal, &previous, nullptr);
    raise(signal);
}

void installHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action = {};
    action.sa_handler = onTermination;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &previousTerm);
    sigaction(SIGHUP, &action, &previousHup);
}

}  // namespace

void k_received_file_abandon() {
    if (pendingSet != 0) unlink(pendingPath);
}

namespace {

bool toPath(const char* name, std::string* path) {
    return k_utf8_from_cp932(name, path);
}

// The folder part of a local path ("." when there is none) and its last component.
std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string leafOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether any descriptor of this process (standard input, output, a script) is that file.
bool openHere(const struct stat& file) {
    DIR* fds = opendir("/proc/self/fd");
    if (fds == nullptr) return false;
    bool found = false;
    while (const dirent* entry = readdir(fds)) {
        struct stat info;
        if (entry->d_name[0] == '.') continue;
        const int fd = std::atoi(entry->d_name);
        if (fd == dirfd(fds)) continue;
        if (fstat(fd, &info) == 0 && sameFile(info, file)) found = true;
    }
    closedir(fds);
    return found;
}

std::string errorLogPath() {
    int mode = 0;
    int level = 0;
    char logName[ERRLOG_NAME_SIZE];
    k_errlog_config(&mode, &level, logName);
    std::string path;
    return toPath(logName, &path) ? path : std::string();
}

// Same folder (after resolving links) and the same name without regard to case.
bool sameFolderAndName(const std::string& a, const std::string& b) {
    if (strcasecmp(leafOf(a).c_str(), leafOf(b).c_str()) != 0) return false;
    char* folderA = realpath(folderOf(a).c_str(), nullptr);
    char* folderB = realpath(folderOf(b).c_str(), nullptr);
    const bool same =
        folderA != nullptr && folderB != nullptr && std::strcmp(folderA, folderB) == 0;
    std::free(folderA);
    std::free(folderB);
    return same;
}

}  // namespace

const char* k_received_file_check(const char* localName, bool* exists) {
    *exists = false;
    std::string path;
    if (!toPath(localName, &path)) return "no name here";
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return nullptr;  // a new file
    if (S_ISLNK(info.st_mode)) return "a symbolic link is there";
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    if ((info.st_mode & S_IWUSR) == 0) return "a read-only file is there";
    struct stat logInfo;
    const std::string log = errorLogPath();
    if (openHere(info) ||
        (!log.empty() && stat(log.c_str(), &logInfo) == 0 && sameFile(info, logInfo))) {
        return "velmo's own file";
    }
    *exists = true;
    return nullptr;
}

bool k_received_file_temporary(const char* localName, char* tempName, size_t size) {
    static std::atomic<unsigned> count{0};
    const char* slash = std::strrchr(localName, '/');
    const int folderLength = slash == nullptr ? 0 : int(slash - localName + 1);
    const int written = std::snprintf(tempName, size, "%.*s.velmo-%d-%u.part", folderLength,
                                      localName, int(getpid()), count++);
    return written > 0 && size_t(written) < size;
}

void k_received_file_pending(const char* tempName) {
    installHandlers();
    pendingSet = 0;
    std::string path;
    if (!toPath(tempName, &path) || path.size() >= PENDING_MAX) return;
    std::memcpy(pendingPath, path.c_str(), path.size() + 1);
    pendingSet = 1;
}

int k_received_file_commit(const char* tempName, const char* localName) {
    std::string from;
    std::string to;
    if (!toPath(tempName, &from) || !toPath(localName, &to)) return INVALID_NAME;
    const int result = rename(from.c_str(), to.c_str()) == 0 ? 0 : k_system_error(errno);
    pendingSet = 0;
    return result;
}

void k_received_file_discard(const char* tempName) {
    std::string path;
    if (toPath(tempName, &path)) unlink(path.c_str());
    pendingSet = 0;
}

bool k_received_file_is_setting(const char* localName) {
    std::string path;
    if (!toPath(localName, &path)) return false;
    const std::string log = errorLogPath();
    return sameFolderAndName(path, "PRM232C.TXT") || sameFolderAndName(path, "ERRLOG.TXT") ||
           (!log.empty() && sameFolderAndName(path, log));
}
