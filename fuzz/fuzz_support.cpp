#include "fuzz_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "console/link_context.h"

void fuzz_fail(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

bool NullSurface::selectConsoleFont(int, int* charWidth, int* lineHeight) {
    *charWidth = 8;
    *lineHeight = 16;
    return true;
}

namespace {

void setNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

}  // namespace

FuzzLine::FuzzLine(const uint8_t* input, size_t size) {
    int ends[2];
    fuzz_check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0, "socketpair");
    port_ = ends[0];
    farEnd_ = ends[1];
    const int bufferSize = int(2 * FUZZ_INPUT_MAX);
    setsockopt(farEnd_, SOL_SOCKET, SO_SNDBUF, &bufferSize, sizeof bufferSize);
    setsockopt(port_, SOL_SOCKET, SO_RCVBUF, &bufferSize, sizeof bufferSize);
    setNonBlocking(port_);
    setNonBlocking(farEnd_);
    // What does not fit is cut off, never waited for: the run must not block.
    while (size > 0) {
        const ssize_t put = write(farEnd_, input, size);
        if (put <= 0) break;
        input += put;
        size -= size_t(put);
    }
    // The far end says no more, but still listens: velmo's answers must not fail for it.
    shutdown(farEnd_, SHUT_WR);
}

FuzzLine::~FuzzLine() {
    close(port_);
    close(farEnd_);
}

void FuzzLine::attach(LinkContext* ctx) const {
    ctx->portHandle = port_;
    ctx->portOpen = 1;
}

void FuzzLine::drain() {
    uint8_t buffer[4096];
    ssize_t got;
    while ((got = read(farEnd_, buffer, sizeof buffer)) > 0) {
        heard_.insert(heard_.end(), buffer, buffer + got);
    }
}

const std::filesystem::path& ScratchDirectory::root() {
    static const std::filesystem::path made = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmo-fuzz-XXXXXX");
        fuzz_check(mkdtemp(pattern.data()) != nullptr, "mkdtemp");
        std::atexit([] { std::filesystem::remove_all(root()); });
        return std::filesystem::path(pattern);
    }();
    return made;
}

ScratchDirectory::ScratchDirectory()
    : previous_(std::filesystem::current_path()), path_(root() / "run") {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directory(path_);
    fuzz_check(chdir(path_.c_str()) == 0, "chdir into the scratch directory");
}

ScratchDirectory::~ScratchDirectory() {
    // libFuzzer names its corpus files relative to where it was started.
    fuzz_check(chdir(previous_.c_str()) == 0, "chdir back out of the scratch directory");
    std::filesystem::remove_all(path_);
}

void ScratchDirectory::writeFile(const char* name, const uint8_t* bytes, size_t size) const {
    std::ofstream out(path_ / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes), std::streamsize(size));
    fuzz_check(bool(out), "writing an input file");
}

int fuzz_open_descriptors() {
    DIR* dir = opendir("/proc/self/fd");
    fuzz_check(dir != nullptr, "opendir /proc/self/fd");
    int count = 0;
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
    return count;
}

void fuzz_link_context(LinkContext* ctx, bool cancelRequested) {
    a_ContextDefaults(ctx);
    ctx->cancelRequested = cancelRequested;
    ctx->timeoutSetting = 0;
}

int fuzz_run_step(LinkContext* ctx, FuzzLine* line, size_t tickLimit,
                  int (*step)(LinkContext*, DeviceContext*),
                  void (*afterTick)(const LinkContext&)) {
    NullSurface surface;
    const int descriptors = fuzz_open_descriptors();
    int result = 0;
    for (ctx->tickCount = 1; result == 0; ++ctx->tickCount) {
        fuzz_check(size_t(ctx->tickCount) <= tickLimit, "a tick that took no byte");
        result = step(ctx, &surface);
        line->drain();
        if (afterTick != nullptr) afterTick(*ctx);
    }
    fuzz_check(result == -1 || result == -2 || result > 0, "a known result");
    fuzz_check(fuzz_open_descriptors() == descriptors, "a file or port left open");
    return result;
}
