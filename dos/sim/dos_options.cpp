#include "dos/sim/dos_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/encoding.h"

const char* dos_help_text() {
    return R"(Usage: velmo-dos --root DIR (--pty LINK | --device PATH [--baud N]) [options]

A simulated MS-DOS machine at the far end of velmo's RS-232C cable. DIR is its drive A:.
It answers DIR, TYPE, CD, MD, RD, DEL, REN, COPY, ECHO, VER, DATE and TIME, and carries out
velmo's #GET and #PUT, until it is stopped with SIGINT or SIGTERM. Each command is logged on
stderr with what it moved.

Line:
  --pty LINK          make a pseudo-terminal and link its slave at LINK (use COM1=LINK in
                      velmo's PRM232C.TXT); the link is removed on exit
  --device PATH       serve an existing serial device instead
  --baud N            speed of --device (default 9600)
  --timeout SEC       give up an exchange after SEC seconds of silence (default 30)
  --line-rate BPS     hold both directions to BPS/10 bytes per second, as a real 8N1 line

Faults, for tests and benchmarks:
  --corrupt-block N   GET: send data block N of every file with a wrong checksum, every time
  --corrupt-once N    GET: the same, on the first send of block N of each file only
  --nak-block N       PUT: answer NAK to data block N of every file
  --nak-count K       PUT: ... only the first K times per file (default: every time)
  --skip-block N      GET: never send data block N of each file; go on as if it was taken
  --silent-after N    GET: send nothing more after N bytes of the transfer
  --end-after N       GET: end the transfer with ESC 'E' after N data blocks
  --hostile-name NAME GET: put NAME (UTF-8, \xHH for a raw byte) in every header

Error codes answered to a command frame (ESC and the code byte):
  0x01  the frame is malformed (no STX, odd or oversized length)
  0x02  the two copies of the command text differ (line noise)
  0x03  the command text is not valid Shift-JIS
  0x04  the frame asks for GET and PUT at once
  0x10  GET: no file matches the name
  0x11  GET or PUT: the name is invalid, leaves drive A:, or its directory does not exist
)";
}

namespace {

bool parseNumber(const char* text, int64_t low, int64_t* value) {
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || parsed < low) return false;
    *value = parsed;
    return true;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// UTF-8 text with \xHH escapes for raw bytes -> the bytes a header would carry.
bool parseHostileName(const std::string& text, std::string* bytes) {
    bytes->clear();
    std::string pending;
    auto flush = [&] {
        std::string converted;
        if (!k_cp932_from_utf8(pending, &converted)) return false;
        bytes->append(converted);
        pending.clear();
        return true;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            hexDigit(text[i + 2]) >= 0 && hexDigit(text[i + 3]) >= 0) {
            if (!flush()) return false;
            bytes->push_back(char(hexDigit(text[i + 2]) * 16 + hexDigit(text[i + 3])));
            i += 3;
        } else {
            pending.push_back(text[i]);
        }
    }
    return flush();
}

}  // namespace

ParseResult dos_parse_options(int argc, char** argv, DosOptions* options, std::string* error) {
    DosFaults& faults = options->faults;
    struct NumberOption {
        const char* name;
        int64_t low;
        int64_t* target;
    };
    int64_t baud = options->baudRate, rate = 0, timeout = options->timeoutSeconds, once = FAULT_OFF;
    const NumberOption numbers[] = {
        {"--baud", 1, &baud},
        {"--line-rate", 10, &rate},
        {"--timeout", 1, &timeout},
        {"--corrupt-block", 1, &faults.corruptBlock},
        {"--corrupt-once", 1, &once},
        {"--nak-block", 1, &faults.nakBlock},
        {"--nak-count", 1, &faults.nakCount},
        {"--skip-block", 1, &faults.skipBlock},
        {"--silent-after", 0, &faults.silentAfter},
        {"--end-after", 0, &faults.endAfter},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--help" || option == "-h") return ParseResult::Help;
        if (i + 1 >= argc) {
            *error = option.rfind("--", 0) == 0 ? option + " needs a value"
                                                : "unexpected argument " + option;
            return ParseResult::Error;
        }
        const char* value = argv[++i];
        if (option == "--root") {
            options->root = value;
        } else if (option == "--pty") {
            options->ptyLink = value;
        } else if (option == "--device") {
            options->device = value;
        } else if (option == "--hostile-name") {
            faults.hostileName = true;
            if (!parseHostileName(value, &faults.hostileNameBytes)) {
                *error = std::string("--hostile-name: \"") + value +
                         "\" has a character without a Shift-JIS form; use \\xHH for raw bytes";
                return ParseResult::Error;
            }
        } else {
            const NumberOption* match = nullptr;
            for (const auto& number : numbers) {
                if (option == number.name) match = &number;
            }
            if (match == nullptr) {
                *error = "unknown option " + option + " (see --help)";
                return ParseResult::Error;
            }
            if (!parseNumber(value, match->low, match->target)) {
                *error = option + " needs a whole number of at least " +
                         std::to_string(match->low) + ", not \"" + value + "\"";
                return ParseResult::Error;
            }
        }
    }
    if (once != FAULT_OFF) {
        faults.corruptBlock = once;
        faults.corruptOnce = true;
    }
    if (baud > 4'000'000 || rate > 100'000'000 || timeout > 3600) {
        *error = "--baud, --line-rate or --timeout is out of range";
        return ParseResult::Error;
    }
    options->baudRate = int(baud);
    options->lineRate = uint32_t(rate);
    options->timeoutSeconds = int(timeout);
    if (options->root.empty()) {
        *error = "--root DIR is required: the directory that becomes drive A:";
        return ParseResult::Error;
    }
    if (options->ptyLink.empty() == options->device.empty()) {
        *error = "give exactly one of --pty LINK or --device PATH";
        return ParseResult::Error;
    }
    return ParseResult::Run;
}
