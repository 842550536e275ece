#include "dos_screen.h"

#include "dos_calls.h"
#include "dos_paths.h"

namespace {

// The command or name as shown: the line keeps room for the outcome.
constexpr uint32_t SHOWN_TEXT_MAX = 48;

const char* refusalText(uint8_t code) {
    switch (code) {
        case DOS_ERROR_NO_FILE:
            return "no such file";
        case DOS_ERROR_PATH:
            return "bad name or path";
        case DOS_ERROR_TEXT:
            return "name is not Shift-JIS";
        default:
            return "garbled command frame";
    }
}

}  // namespace

void screen_write(const char* text) {
    dos_write(STDOUT, text, uint16_t(dos_length(text)));
}

void screen_line(const TextBuffer& line) {
    screen_write(line.text());
    screen_write("\r\n");
}

void screen_clear(MachineKind kind) {
    if (kind == MachineKind::Pc98) {
        // The PC-98's console takes the escape sequence itself.
        screen_write("\x1b[2J");
        return;
    }
    // Setting the video mode in use again clears the screen without needing ANSI.SYS.
    uint16_t ax = 0x0F00;
    asm volatile("int $0x10" : "+a"(ax) : : "bx", "cx", "dx", "memory");
    ax &= 0x007F;
    asm volatile("int $0x10" : "+a"(ax) : : "bx", "cx", "dx", "si", "di", "memory");
}

void screen_exchange_starts(const Exchange& exchange) {
    TextBuffer line;
    switch (exchange.kind) {
        case ExchangeKind::Command:
        case ExchangeKind::ClearScreen:
            line.add("> ");
            break;
        case ExchangeKind::Get:
            line.add("GET ");
            break;
        case ExchangeKind::Put:
            line.add("PUT ");
            break;
    }
    const uint32_t shown =
        exchange.textLength < SHOWN_TEXT_MAX ? exchange.textLength : SHOWN_TEXT_MAX;
    line.add(exchange.text, shown);
    if (shown < exchange.textLength) line.add("...");
    if (exchange.kind == ExchangeKind::Put && exchange.textLength == 0) line.add(".");
    screen_write(line.text());
}

void screen_exchange_ends(const Exchange& exchange, uint32_t outputLines,
                          const TextBuffer& problem) {
    TextBuffer line;
    line.add("  ");
    switch (exchange.end) {
        case ExchangeEnd::Done:
            if (exchange.kind == ExchangeKind::Command) {
                line.number(outputLines).add(outputLines == 1 ? " line" : " lines");
            } else if (exchange.kind != ExchangeKind::ClearScreen) {
                line.number(exchange.files).add(exchange.files == 1 ? " file, " : " files, ");
                line.number(exchange.bytes).add(" bytes");
            }
            break;
        case ExchangeEnd::Refused:
            line.add("refused: ").add(refusalText(exchange.refusal));
            break;
        case ExchangeEnd::Cancelled:
            line.add("cancelled by Velmo after ").number(exchange.bytes).add(" bytes");
            break;
        case ExchangeEnd::Failed:
            line.add("FAILED: ").add(problem.text());
            break;
        case ExchangeEnd::Lost:
            line.add("broken off: Velmo fell silent, went away or started anew");
            break;
    }
    // A command that ran but with a problem (its output cut short, say) says so too.
    if (exchange.end != ExchangeEnd::Failed && problem.length()) line.add("; ").add(problem.text());
    screen_line(line);
}
