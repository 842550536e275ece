#include "send_velmod.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/install_paths.h"
#include "batch_interrupt.h"
#include "console/link_context.h"
#include "driver/context_instance.h"
#include "link/velmod_sender.h"

namespace {

constexpr int EXIT_SENT = 0;
constexpr int EXIT_NOT_SENT = 1;
constexpr int EXIT_CANCELLED = 130;
constexpr uint64_t PROGRESS_PERIOD_US = 250'000;
// How often a Ctrl+C is looked for while waiting for Enter.
constexpr int64_t ENTER_CHECK_US = 250'000;

// True once a line (or the end) of standard input has come: COPY is running.
bool enterPressed() {
    char bytes[256];
    const ssize_t got = read(STDIN_FILENO, bytes, sizeof bytes);
    if (got <= 0) return got == 0;
    for (ssize_t i = 0; i < got; i++)
        if (bytes[i] == '\n') return true;
    return false;
}

// On a terminal the line is rewritten in place; otherwise a line for every tenth.
class Progress {
  public:
    explicit Progress(bool terminal) : terminal_(terminal) {}

    void show(const VelmodSender& sender, uint64_t nowUs) {
        const size_t percent = sender.textSent() * 100 / sender.textSize();
        if (terminal_ ? nowUs < nextUs_ : percent < nextPercent_) return;
        nextUs_ = nowUs + PROGRESS_PERIOD_US;
        nextPercent_ = percent / 10 * 10 + 10;
        const int left = sender.secondsLeft();
        std::fprintf(terminal_ ? stderr : stdout, "%s%3zu%%  %zu of %zu bytes, %d:%02d left%s",
                     terminal_ ? "\r\x1b[K" : "", percent, sender.textSent(), sender.textSize(),
                     left / 60, left % 60, terminal_ ? "" : "\n");
        std::fflush(terminal_ ? stderr : stdout);
    }

    void clear() const {
        if (terminal_) std::fputs("\r\x1b[K", stderr);
    }

  private:
    bool terminal_;
    uint64_t nextUs_ = 0;
    size_t nextPercent_ = 0;
};

}  // namespace

int velmo_send_velmod_main() {
    // 1. The port and rate of PRM232C.TXT, the typeable form beside VELMOD.COM.
    LinkContext* ctx = a_ContextGet();
    batch_catch_interrupts(isatty(STDERR_FILENO) == 1, ctx);
    VelmodSender sender(ctx);
    const std::string text = k_velmod_dir() + "/VELMOD.TXT";
    if (!sender.start(text)) {
        std::fprintf(stderr, "velmo: %s\n", sender.problem().c_str());
        return EXIT_NOT_SENT;
    }
    std::printf("Sending %s to COM%d (%s) at %d bit/s.\n%sPress Enter here once COPY is running.\n",
                text.c_str(), ctx->comPort, ctx->ioOverlapped.devicePath, ctx->baudRate,
                velmod_copy_steps(ctx->baudRate).c_str());
    std::fflush(stdout);

    // 2. Nothing until Enter, then the text; the first Ctrl+C cancels.
    Progress progress(isatty(STDERR_FILENO) == 1);
    uint64_t textStartUs = 0;
    for (int64_t waitUs = 0; waitUs >= 0;) {
        if (batch_interrupts() > 0) {
            sender.cancel();
            break;
        }
        const bool waiting = sender.phase() == SendPhase::Waiting;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const timespec wait{time_t(waitUs / 1'000'000), long(waitUs % 1'000'000) * 1000};
        if (ppoll(&input, waiting ? 1 : 0, &wait, nullptr) > 0 &&
            ((input.revents & (POLLERR | POLLNVAL)) || enterPressed())) {
            textStartUs = velmod_now_us();
            sender.beginText(textStartUs);
        }
        const uint64_t nowUs = velmod_now_us();
        waitUs = sender.phase() == SendPhase::Waiting ? ENTER_CHECK_US : sender.step(nowUs);
        if (sender.phase() == SendPhase::Text) progress.show(sender, nowUs);
    }
    progress.clear();

    // 3. What to do next on the DOS side, or what went wrong.
    if (sender.phase() != SendPhase::Done) {
        std::fprintf(stderr, "velmo: %s\n", sender.problem().c_str());
        return batch_interrupts() > 0 ? EXIT_CANCELLED : EXIT_NOT_SENT;
    }
    const int seconds = int((velmod_now_us() - textStartUs) / 1'000'000);
    std::printf("Sent %zu bytes in %d:%02d.\n%s", sender.textSize(), seconds / 60, seconds % 60,
                velmod_start_steps(ctx->baudRate).c_str());
    return EXIT_SENT;
}
