#include "fault_rig.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fault {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uid_t NOBODY = 65534;
constexpr auto NOISE_PATIENCE = std::chrono::milliseconds(200);
constexpr size_t CHUNK = 4096;

Clock::time_point after(double seconds) {
    return Clock::now() +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

void sleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint32_t nextRandom(uint32_t* state) {
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return *state = x;
}

void makeRaw(int fd) {
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

[[noreturn]] void execOrDie(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// Waits for `pid` until the deadline, then kills it; the exit status or 128 + signal.
int reap(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
            ADD_FAILURE() << "process " << pid << " did not end in time; killed";
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        sleepMs(10);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

::testing::AssertionResult sameBytes(const std::string& actual, const std::string& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    const auto differ =
        std::mismatch(actual.begin(), actual.end(), expected.begin(), expected.end());
    return ::testing::AssertionFailure()
           << actual.size() << " bytes where " << expected.size() << " were expected, first "
           << "difference at offset " << (differ.first - actual.begin());
}

std::string randomBytes(uint32_t seed, size_t count) {
    uint32_t state = seed * 2654435761u + 1;
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = char(nextRandom(&state) >> 24);
    return bytes;
}

void writeSettings(const fs::path& dir, const std::string& device, int timeoutSeconds) {
    writeFile(dir / "PRM232C.TXT",
              "COM=1\r\nCOM1=" + device + "\r\nTIMEOUT=" + std::to_string(timeoutSeconds) + "\r\n");
}

int countLines(const std::string& transcript, const std::string& text) {
    int count = 0;
    std::istringstream lines(transcript);
    for (std::string line; std::getline(lines, line);) count += line.find(text) != line.npos;
    return count;
}

// ---- velmo --batch ----

BatchVelmo::BatchVelmo(const fs::path& dir, ChildLimits limits)
    : out_(dir / ".batch-stdout"), err_(dir / ".batch-stderr") {
    signal(SIGPIPE, SIG_IGN);  // velmo may be gone when a line is typed
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return;
    }
    const int out = open(out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const int err = open(err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    pid_ = fork();
    if (pid_ == 0) {
        if (dup2(pipeEnds[0], STDIN_FILENO) < 0 || dup2(out, STDOUT_FILENO) < 0 ||
            dup2(err, STDERR_FILENO) < 0 || chdir(dir.c_str()) != 0) {
            _exit(126);
        }
        if (limits.fileSizeLimit > 0) {
            signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG instead
            const rlimit limit{rlim_t(limits.fileSizeLimit), rlim_t(limits.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (limits.asNobody &&
            (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 || setuid(NOBODY) != 0)) {
            _exit(125);
        }
        execOrDie({VELMO_BIN_DIR "/velmo", "--batch"});
    }
    close(pipeEnds[0]);
    close(out);
    close(err);
    input_ = pipeEnds[1];
    EXPECT_GT(pid_, 0) << "fork";
}

BatchVelmo::~BatchVelmo() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (input_ >= 0) close(input_);
}

void BatchVelmo::type(const std::string& line) {
    const std::string typed = line + "\n";
    ASSERT_EQ(write(input_, typed.data(), typed.size()), ssize_t(typed.size())) << "velmo gone";
}

void BatchVelmo::endInput() {
    if (input_ >= 0) close(input_);
    input_ = -1;
}

std::string BatchVelmo::output() const {
    return readFile(out_);
}

std::string BatchVelmo::errors() const {
    return readFile(err_);
}

bool BatchVelmo::waitForOutput(const std::string& text, double seconds, int times) const {
    const auto deadline = after(seconds);
    while (countLines(output(), text) < times) {
        if (Clock::now() > deadline) return false;
        sleepMs(20);
    }
    return true;
}

int BatchVelmo::finish(double seconds) {
    endInput();
    const int status = reap(pid_, after(seconds));
    pid_ = -1;
    return status;
}

long BatchVelmo::cpuTicks() const {
    const std::string stat = readFile("/proc/" + std::to_string(pid_) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long ticks = 0;
    // After the command name: state is field 3, utime 14 and stime 15.
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index >= 14) ticks += std::stol(field);
    }
    return ticks;
}

int BatchVelmo::descriptorsOn(const std::string& device) const {
    std::error_code error;
    const fs::path target = fs::canonical(device, error);
    int count = 0;
    for (const auto& entry :
         fs::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", error)) {
        count += fs::read_symlink(entry.path(), error) == target;
    }
    return count;
}

// ---- velmo-dos ----

DosProcess::DosProcess(const fs::path& root, const fs::path& link, std::vector<std::string> options)
    : root_(root), link_(link), options_(std::move(options)) {
    fs::create_directories(root_);
    start();
}

DosProcess::~DosProcess() {
    stop();
}

void DosProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        reap(pid_, after(10));
    }
    pid_ = -1;
}

void DosProcess::restart(std::vector<std::string> options) {
    stop();
    options_ = std::move(options);
    start();
}

void DosProcess::start() {
    std::error_code ignored;
    fs::remove(link_, ignored);  // left by a machine that was killed
    pid_ = fork();
    if (pid_ == 0) {
        std::vector<std::string> args = {VELMO_BIN_DIR "/velmo-dos", "--root", root_.string(),
                                         "--pty", link_.string()};
        args.insert(args.end(), options_.begin(), options_.end());
        execOrDie(args);
    }
    ASSERT_GT(pid_, 0) << "fork";
    const auto deadline = after(10);
    while (!fs::is_symlink(link_)) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_ || Clock::now() > deadline) {
            pid_ = -1;
            FAIL() << "velmo-dos did not come up at " << link_;
        }
        sleepMs(5);
    }
}

void DosProcess::kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

// ---- the relay ----

CorruptingRelay::CorruptingRelay(const fs::path& dosLink, LineDamage damage)
    : line_(damage), random_(damage.seed * 2246822519u + 7) {
    dosFd_ = open(dosLink.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    EXPECT_GE(dosFd_, 0) << "cannot open " << dosLink << ": " << std::strerror(errno);
    makeRaw(dosFd_);
    fcntl(velmoSide_.master(), F_SETFL, fcntl(velmoSide_.master(), F_GETFL) | O_NONBLOCK);
    EXPECT_EQ(pipe2(wake_, O_CLOEXEC | O_NONBLOCK), 0);
    if (line_.meanGap > 0) nextFault_ = line_.minGap + nextRandom(&random_) % line_.meanGap;
    thread_ = std::thread([this] { run(); });
}

CorruptingRelay::~CorruptingRelay() {
    stop_ = true;
    const char byte = 0;
    (void)!write(wake_[1], &byte, 1);
    thread_.join();
    if (dosFd_ >= 0) close(dosFd_);
    close(wake_[0]);
    close(wake_[1]);
}

void CorruptingRelay::injectTowardVelmo(std::string noise, uint64_t afterBytes) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        noise_ = std::move(noise);
        noiseAfter_ = afterBytes;
        noisePending_ = true;
        injectionDone_ = false;
        noiseDelivered_ = 0;
    }
    const char byte = 0;
    (void)!write(wake_[1], &byte, 1);
}

std::vector<uint8_t> CorruptingRelay::fromVelmo() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fromVelmo_;
}

void CorruptingRelay::damage(std::vector<uint8_t>* bytes, size_t start) {
    if (line_.meanGap == 0) return;
    size_t i = start;
    while (i < bytes->size()) {
        if (++seen_ < nextFault_) {
            ++i;
            continue;
        }
        const uint32_t roll = nextRandom(&random_);
        if (line_.drops && (roll & 1)) {
            bytes->erase(bytes->begin() + ptrdiff_t(i));
        } else {
            (*bytes)[i++] ^= uint8_t(1u << ((roll >> 1) % 8));
        }
        ++faults_;
        const uint64_t spread = 2 * (line_.meanGap - std::min(line_.meanGap, line_.minGap)) + 1;
        nextFault_ = seen_ + std::max<uint64_t>(line_.minGap, 1) + nextRandom(&random_) % spread;
    }
}

void CorruptingRelay::forward(int from, std::vector<uint8_t>* pending, bool towardVelmo) {
    uint8_t buffer[CHUNK];
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got <= 0) return;
    if (!towardVelmo) {
        std::lock_guard<std::mutex> lock(mutex_);
        fromVelmo_.insert(fromVelmo_.end(), buffer, buffer + got);
    }
    const std::vector<uint64_t>& flips = towardVelmo ? line_.flipsFromDos : line_.flipsFromVelmo;
    uint64_t& count = towardVelmo ? fromDosCount_ : fromVelmoCount_;
    for (uint64_t index : flips) {
        if (index >= count && index < count + uint64_t(got)) {
            buffer[index - count] ^= 1;
            ++faults_;
        }
    }
    count += uint64_t(got);
    const size_t start = pending->size();
    pending->insert(pending->end(), buffer, buffer + got);
    damage(pending, start);
}

void CorruptingRelay::pourNoise() {
    const int velmo = velmoSide_.master();
    auto lastProgress = Clock::now();
    size_t offset = 0;
    std::string noise;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        noise.swap(noise_);
        noisePending_ = false;
    }
    while (offset < noise.size() && !stop_) {
        const ssize_t put =
            write(velmo, noise.data() + offset, std::min(noise.size() - offset, CHUNK));
        if (put > 0) {
            offset += size_t(put);
            noiseDelivered_ = offset;
            lastProgress = Clock::now();
            continue;
        }
        if (Clock::now() - lastProgress > NOISE_PATIENCE) break;  // overrun: the rest is lost
        pollfd wait{velmo, POLLOUT, 0};
        poll(&wait, 1, 10);
    }
    injectionDone_ = true;
}

void CorruptingRelay::run() {
    const int velmo = velmoSide_.master();
    while (!stop_) {
        bool noiseDue;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            noiseDue = noisePending_ && towardVelmoCount_ >= noiseAfter_;
        }
        if (noiseDue) pourNoise();
        pollfd fds[3] = {
            {velmo, short(POLLIN | (toVelmo_.empty() ? 0 : POLLOUT)), 0},
            {dosFd_, short(POLLIN | (toDos_.empty() ? 0 : POLLOUT)), 0},
            {wake_[0], POLLIN, 0},
        };
        if (poll(fds, 3, 20) < 0) continue;
        if (fds[2].revents & POLLIN) {
            char drained[16];
            while (read(wake_[0], drained, sizeof drained) > 0) {
            }
        }
        if ((fds[1].revents & (POLLHUP | POLLERR)) && !(fds[1].revents & POLLIN)) {
            sleepMs(10);  // velmo-dos is gone: nothing to forward, nothing to spin on
        }
        if (fds[0].revents & POLLIN) forward(velmo, &toDos_, false);
        if (fds[1].revents & POLLIN) forward(dosFd_, &toVelmo_, true);
        if (!toDos_.empty()) {
            const ssize_t put = write(dosFd_, toDos_.data(), toDos_.size());
            if (put > 0) toDos_.erase(toDos_.begin(), toDos_.begin() + put);
        }
        if (!toVelmo_.empty()) {
            size_t room = toVelmo_.size();
            {
                // Genuine bytes stop where the noise is to come in.
                std::lock_guard<std::mutex> lock(mutex_);
                if (noisePending_)
                    room = size_t(std::min<uint64_t>(
                        room, noiseAfter_ - std::min(noiseAfter_, towardVelmoCount_)));
            }
            const ssize_t put = room == 0 ? 0 : write(velmo, toVelmo_.data(), room);
            if (put > 0) {
                toVelmo_.erase(toVelmo_.begin(), toVelmo_.begin() + put);
                std::lock_guard<std::mutex> lock(mutex_);
                towardVelmoCount_ += uint64_t(put);
            }
        }
    }
}

}  // namespace fault
