// A serial cable between two programs, made of two pseudo-terminals and paced in both
// directions to the same rate. Each program runs with its standard input and output on one
// pseudo-terminal, as it would on a serial port; the relay carries the bytes across with the
// timing of an 8N1 line (support/paced_line.h) and reports how long the pair took.
//
//   bench_line_relay [--rate BPS] [--limit SECONDS] --left COMMAND --right COMMAND
//
// The commands run through /bin/sh -c. Output, one line:
//   seconds=S left_seconds=S right_seconds=S left_status=N right_status=N left_cpu=S
//   right_cpu=S left_to_right=BYTES right_to_left=BYTES timed_out=0|1
// seconds runs until both programs have ended, left_seconds and right_seconds until each one
// has. They differ when one end waits out a time-out of its own after the other has gone.
// Exit status 0 when both commands ended with 0 within the limit, 1 otherwise, 2 on bad usage.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/monotonic_clock.h"
#include "support/paced_line.h"

namespace {

// What a UART driver holds for sending (Linux: one page). The relay stops taking bytes from a
// program while this much is waiting, so that a writer is held back as by a real port.
constexpr size_t TRANSMIT_BUFFER = 4096;
constexpr Nanos GRACE_AFTER_TERM = 2'000'000'000;

struct Options {
    int rate = 0;  // 0: unpaced
    double limitSeconds = 3600;
    std::string left;
    std::string right;
};

struct Side {
    int master = -1;
    bool terminalOpen = false;  // false once the program has closed its end
    pid_t pid = -1;
    int exitWatch = -1;
    bool running = false;
    Nanos endedAt = 0;
    ChildResult result;
};

struct Direction {
    Side* from;
    Side* to;
    PacedLine line;
    bool farEndFull = false;  // the last write to `to` could not take everything
    uint64_t delivered = 0;
};

void usage() {
    std::fprintf(stderr,
                 "usage: bench_line_relay [--rate BPS] [--limit SECONDS] --left COMMAND "
                 "--right COMMAND\n");
}

bool parseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        if (i + 1 >= argc) return false;
        const char* value = argv[++i];
        char* end = nullptr;
        if (option == "--rate") {
            long rate = std::strtol(value, &end, 10);
            if (*end != '\0' || rate < 0 || rate > 4'000'000) return false;
            options->rate = int(rate);
        } else if (option == "--limit") {
            options->limitSeconds = std::strtod(value, &end);
            if (*end != '\0' || options->limitSeconds <= 0) return false;
        } else if (option == "--left") {
            options->left = value;
        } else if (option == "--right") {
            options->right = value;
        } else {
            return false;
        }
    }
    return !options->left.empty() && !options->right.empty();
}

// A pseudo-terminal whose slave looks like a raw serial port at `rate` (so that programs that
// size their blocks or time-outs by the port speed see the paced speed).
bool openTerminal(int rate, int* master, int* slave) {
    if (openpty(master, slave, nullptr, nullptr, nullptr) != 0) {
        std::fprintf(stderr, "openpty: %s\n", std::strerror(errno));
        return false;
    }
    termios line{};
    tcgetattr(*slave, &line);
    cfmakeraw(&line);
    if (rate > 0) cfsetspeed(&line, speed_t(rate));  // glibc takes plain numbers too
    tcsetattr(*slave, TCSANOW, &line);
    fcntl(*master, F_SETFL, fcntl(*master, F_GETFL) | O_NONBLOCK);
    fcntl(*master, F_SETFD, FD_CLOEXEC);
    return true;
}

bool startSide(Side* side, const std::string& command, int rate) {
    int slave = -1;
    if (!openTerminal(rate, &side->master, &slave)) return false;
    side->pid = k_bench_spawn({"/bin/sh", "-c", command}, slave);
    close(slave);  // the program holds it now; its exit shows as a hang-up on the master
    if (side->pid < 0) return false;
    side->exitWatch = k_bench_exit_watch(side->pid);
    side->running = true;
    side->terminalOpen = true;
    return side->exitWatch >= 0;
}

// Takes what the program wrote, up to the transmit buffer, and puts it on the line.
void takeFromProgram(Direction* d, Nanos now) {
    uint8_t buffer[TRANSMIT_BUFFER];
    while (d->from->terminalOpen && d->line.queued() < TRANSMIT_BUFFER) {
        ssize_t got = read(d->from->master, buffer, TRANSMIT_BUFFER - d->line.queued());
        if (got > 0) {
            d->line.enqueue(buffer, size_t(got), now);
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) return;
        d->from->terminalOpen = false;  // EIO: the program closed its end
    }
}

// Hands the bytes that have crossed the line to the program at the far end.
void deliver(Direction* d, Nanos now) {
    size_t ready = d->line.arrived(now);
    d->farEndFull = false;
    while (ready > 0) {
        if (!d->to->terminalOpen) {  // nobody listens any more: the bytes fall off the cable
            d->line.consume(ready);
            return;
        }
        ssize_t put = write(d->to->master, d->line.front(), ready);
        if (put > 0) {
            d->line.consume(size_t(put));
            d->delivered += uint64_t(put);
            ready -= size_t(put);
            continue;
        }
        if (put < 0 && errno == EINTR) continue;
        if (put < 0 && errno == EAGAIN) {
            d->farEndFull = true;
            return;
        }
        d->to->terminalOpen = false;
    }
}

Nanos nextWake(const Direction& d) {
    if (d.farEndFull) return NEVER;  // woken by POLLOUT instead
    return d.line.nextArrival(d.line.bytesPerMillisecond());
}

void collectExit(Side* side) {
    if (!side->running) return;
    k_bench_wait(side->pid, &side->result);
    side->endedAt = k_bench_now();
    side->running = false;
    close(side->exitWatch);
}

void terminate(Side* side, int signal) {
    if (side->running) kill(-side->pid, signal);  // its whole session: sh and what it started
}

// Runs both programs until both have ended or the limit is reached. Returns true on time.
bool relay(Side* left, Side* right, Direction* directions, Nanos deadline) {
    bool timedOut = false;
    Nanos killAt = NEVER;
    while (left->running || right->running) {
        Nanos now = k_bench_now();
        if (!timedOut && now >= deadline) {
            timedOut = true;
            terminate(left, SIGTERM);
            terminate(right, SIGTERM);
            killAt = now + GRACE_AFTER_TERM;
        }
        if (now >= killAt) {
            terminate(left, SIGKILL);
            terminate(right, SIGKILL);
            killAt = NEVER;
        }

        pollfd fds[4];
        Side* exitOf[4] = {};
        nfds_t count = 0;
        for (Side* side : {left, right}) {
            short events = 0;
            for (int i = 0; i < 2; ++i) {
                const Direction& d = directions[i];
                if (d.from == side && side->terminalOpen && d.line.queued() < TRANSMIT_BUFFER)
                    events |= POLLIN;
                if (d.to == side && side->terminalOpen && d.farEndFull) events |= POLLOUT;
            }
            if (events) fds[count++] = {side->master, events, 0};
            if (side->running) {
                exitOf[count] = side;
                fds[count++] = {side->exitWatch, POLLIN, 0};
            }
        }
        Nanos wake = std::min(
            {nextWake(directions[0]), nextWake(directions[1]), timedOut ? killAt : deadline});
        timespec timeout = k_bench_timespec(wake - now);
        if (ppoll(fds, count, wake == NEVER ? nullptr : &timeout, nullptr) < 0 && errno != EINTR) {
            std::fprintf(stderr, "ppoll: %s\n", std::strerror(errno));
            terminate(left, SIGKILL);
            terminate(right, SIGKILL);
            collectExit(left);
            collectExit(right);
            return false;
        }

        now = k_bench_now();
        for (int i = 0; i < 2; ++i) takeFromProgram(&directions[i], now);
        for (int i = 0; i < 2; ++i) deliver(&directions[i], now);
        for (nfds_t i = 0; i < count; ++i)
            if (exitOf[i] && fds[i].revents) collectExit(exitOf[i]);
    }
    return !timedOut;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, &options)) {
        usage();
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);

    Side left;
    Side right;
    Direction directions[2] = {{&left, &right, PacedLine(options.rate)},
                               {&right, &left, PacedLine(options.rate)}};
    Nanos start = k_bench_now();
    if (!startSide(&left, options.left, options.rate) ||
        !startSide(&right, options.right, options.rate)) {
        terminate(&left, SIGKILL);
        terminate(&right, SIGKILL);
        return 1;
    }
    Nanos deadline = start + Nanos(options.limitSeconds * 1e9);
    bool onTime = relay(&left, &right, directions, deadline);
    auto secondsUntil = [start](Nanos end) { return double(end - start) * 1e-9; };

    std::printf(
        "seconds=%.3f left_seconds=%.3f right_seconds=%.3f left_status=%d right_status=%d "
        "left_cpu=%.3f right_cpu=%.3f left_to_right=%" PRIu64 " right_to_left=%" PRIu64
        " timed_out=%d\n",
        secondsUntil(k_bench_now()), secondsUntil(left.endedAt), secondsUntil(right.endedAt),
        left.result.status, right.result.status, left.result.cpuSeconds(),
        right.result.cpuSeconds(), directions[0].delivered, directions[1].delivered, !onTime);
    return onTime && left.result.status == 0 && right.result.status == 0 ? 0 : 1;
}
