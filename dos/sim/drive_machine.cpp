// Commands, the prompt, the activity log and the injected faults of the simulated machine.
#include "dos/sim/drive_machine.h"

#include <cstdio>
#include <cstring>
#include <iterator>

#include "base/encoding.h"
#include "dos/sim/command_processor.h"
#include "dos/sim/dos_text.h"

namespace {

// How an exchange ended, by ExchangeEnd.
constexpr const char* END_WORDS[] = {
    "",
    ", refused with code",
    ", ended by velmo",
    ", given up: a file could not be read or written",
    ", broken off: the line failed or fell silent",
};
static_assert(std::size(END_WORDS) == size_t(ExchangeEnd::Lost) + 1);

}  // namespace

void DriveMachine::runCommand(const char* text, uint32_t length, CommandOutput& out) {
    for (const std::string& line : dos_run_command(drive_, std::string_view(text, length))) {
        if (!out.line(line.data(), uint32_t(line.size()))) return;
    }
}

uint32_t DriveMachine::prompt(char* out, uint32_t capacity) {
    std::string text = dos_text(drive_.prompt());
    // Too deep to hold: the innermost directories stay, where the current one's name is.
    const std::vector<std::string>& dirs = drive_.cwd();
    for (size_t skip = 1; text.size() > capacity && skip < dirs.size(); ++skip) {
        const std::vector<std::string> inner(dirs.begin() + ptrdiff_t(skip), dirs.end());
        text = dos_text("A:\\...\\" + DosDrive::dosPath(inner).substr(3) + ">");
    }
    const size_t length = std::min(text.size(), size_t(capacity));
    std::memcpy(out, text.data(), length);
    return uint32_t(length);
}

void DriveMachine::exchangeStarts(const Exchange& exchange) {
    if (exchange.kind != ExchangeKind::Get) return;
    blocksRead_ = 0;
    if (faults_.silentAfter != FAULT_OFF) line_.setSendBudget(uint64_t(faults_.silentAfter));
}

// One line per exchange on stderr: what ran and what it moved. Names from the line are shown
// inert, so no control byte reaches the terminal.
void DriveMachine::exchangeEnds(const Exchange& exchange) {
    line_.clearSendBudget();
    const std::string text = k_utf8_inert(std::string_view(exchange.text, exchange.textLength));
    std::string moved;
    const bool transfer = exchange.kind == ExchangeKind::Get || exchange.kind == ExchangeKind::Put;
    if (transfer && exchange.end != ExchangeEnd::Refused) {
        moved = ": " + std::to_string(exchange.files) + " file(s), " +
                std::to_string(exchange.bytes) + " bytes";
    }
    std::string code;
    if (exchange.end == ExchangeEnd::Refused) {
        char hex[8];
        std::snprintf(hex, sizeof hex, " 0x%02X", exchange.refusal);
        code = hex;
    }
    const char* kind = exchange.kind == ExchangeKind::Get   ? "#GET "
                       : exchange.kind == ExchangeKind::Put ? "#PUT "
                                                            : "";
    std::fprintf(stderr, "velmo-dos: %s\"%s\"%s%s%s\n", kind, text.c_str(), moved.c_str(),
                 END_WORDS[size_t(exchange.end)], code.c_str());
}

bool DriveMachine::damageBlock(uint32_t number, uint32_t attempt) {
    if (faults_.corruptBlock == FAULT_OFF || int64_t(number) != faults_.corruptBlock) return false;
    return !faults_.corruptOnce || attempt == 0;
}

bool DriveMachine::skipBlock(uint32_t number) {
    return faults_.skipBlock != FAULT_OFF && int64_t(number) == faults_.skipBlock;
}

bool DriveMachine::refuseBlock(uint32_t number) {
    if (faults_.nakBlock == FAULT_OFF || int64_t(number) != faults_.nakBlock) return false;
    if (faults_.nakCount != FAULT_OFF && naksInjected_ >= faults_.nakCount) return false;
    ++naksInjected_;
    return true;
}
