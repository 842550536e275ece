#include "batch_session.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/encoding.h"
#include "batch_host.h"
#include "batch_input.h"
#include "batch_interrupt.h"
#include "batch_progress.h"
#include "batch_transcript.h"
#include "console/drawing.h"
#include "console/line_editor.h"
#include "console/link_context.h"
#include "driver/context_instance.h"
#include "driver/driver.h"

namespace {

constexpr int EXIT_ALL_NORMAL = 0;
constexpr int EXIT_SOME_FAILED = 1;
constexpr int EXIT_INTERRUPTED = 130;

// Ctrl+C already acted on; one more than this is news.
int interruptsHandled = 0;

bool noNewInterrupt() {
    return batch_interrupts() == interruptsHandled;
}

struct Session {
    LinkContext* ctx;
    BatchHost host;
    BatchProgress progress;
    BatchTranscript transcript;
    bool anyFailed = false;

    explicit Session(LinkContext* context)
        : ctx(context), progress(isatty(STDERR_FILENO) == 1), transcript(context, &progress) {
        ctx->statusBar = &progress;
        ctx->consoleObserver = &transcript;
        // Lines from reading the settings came before anyone watched the console.
        for (int i = 0; i + 1 < ctx->lineCount; i++) transcript.lineAppended(i);
    }

    void refuse(int number, const std::string& why) {
        std::fprintf(stderr, "velmo: line %d: %s; skipped\n", number, why.c_str());
        anyFailed = true;
    }

    // The line as it is typed at the console, or an empty string after refusing it. A blank
    // line does nothing, like Enter on an empty input line.
    std::string typable(int number, const std::string& utf8) {
        std::string line;
        if (!k_cp932_from_utf8(utf8, &line)) {
            refuse(number, "it is not valid UTF-8, or has a character with no Shift-JIS form");
            return "";
        }
        for (char& c : line) {
            // The editor cannot type a TAB; in a command line it separates words like a blank.
            if (c == '\t') c = ' ';
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                refuse(number, "it has a control character, which cannot be typed at the console");
                return "";
            }
        }
        line.erase(line.find_last_not_of(' ') + 1);
        // The console line, and so the command sent, keeps 80 characters with the prompt; a
        // command cut short could name the wrong file.
        size_t room = static_cast<size_t>(CONSOLE_LINE_MAX - a_promptLength(ctx));
        if (line.size() > room) {
            refuse(number, "the command is " + std::to_string(line.size()) +
                               " bytes long, but only " + std::to_string(room) +
                               " fit after the prompt \"" + k_utf8_inert(ctx->promptText) + "\"");
            return "";
        }
        return line;
    }

    // Types the line, presses Enter and ticks like the window's timer until the command ends.
    CommandEnd run(const std::string& line) {
        for (unsigned char c : line) a_editChar(ctx, &host, c);
        a_editChar(ctx, &host, KEY_ENTER);
        CommandEnd end = CommandEnd::Running;
        while (host.timerSet()) {
            if (takeNewInterrupt()) a_cancelCommand(ctx);
            host.waitForTimer(ctx->portOpen == 1 ? ctx->portHandle : -1);
            CommandEnd tickEnd = CommandEnd::Running;
            a_driverTick(ctx, &host, host.timerId(), &tickEnd);
            if (tickEnd != CommandEnd::Running) end = tickEnd;
        }
        // A Ctrl+C during the last tick was meant for this command, even when the tick ended
        // it anyway: it must not end the script.
        takeNewInterrupt();
        return end;
    }

    static bool takeNewInterrupt() {
        if (noNewInterrupt()) return false;
        interruptsHandled = batch_interrupts();
        batch_interrupt_taken();
        return true;
    }

    int finish(int status) {
        transcript.finish();
        progress.clear();
        a_closePort(ctx);
        return status;
    }
};

}  // namespace

int velmo_batch_main() {
    // 1. Settings from PRM232C.TXT in the current directory, as the window reads them.
    Session session(a_ContextGet());
    batch_catch_interrupts(isatty(STDERR_FILENO) == 1, session.ctx);

    // 2. One command per line until the input ends or Ctrl+C comes while no command runs.
    BatchInput input(STDIN_FILENO);
    std::string utf8;
    std::string problem;
    for (int number = 1;; number++) {
        InputResult result = noNewInterrupt() ? input.next(&utf8, noNewInterrupt, &problem)
                                              : InputResult::Interrupted;
        if (result == InputResult::End) break;
        if (result == InputResult::Interrupted) {
            session.finish(EXIT_INTERRUPTED);
            std::fputs("velmo: interrupted\n", stderr);
            return EXIT_INTERRUPTED;
        }
        if (result == InputResult::Failed) {
            std::fprintf(stderr, "velmo: cannot read standard input: %s\n", problem.c_str());
            return session.finish(EXIT_SOME_FAILED);
        }
        if (result == InputResult::TooLong) {
            session.refuse(number, "it is longer than " + std::to_string(BATCH_LINE_LIMIT) +
                                       " bytes, which no command can be");
            continue;
        }
        std::string line = session.typable(number, utf8);
        if (line.empty()) continue;
        CommandEnd end = session.run(line);
        if (end == CommandEnd::Failed || end == CommandEnd::Cancelled) session.anyFailed = true;
    }

    // 3. The port is closed at the end, as when the window closes.
    return session.finish(session.anyFailed ? EXIT_SOME_FAILED : EXIT_ALL_NORMAL);
}
