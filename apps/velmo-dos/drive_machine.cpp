// Commands, the prompt and the injected faults of the simulated machine.
#include "drive_machine.h"

#include <cstring>

#include "dos_text.h"
#include "shell.h"

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

bool DriveMachine::damageBlock(uint32_t number, uint32_t attempt) {
    if (faults_.corruptBlock == FAULT_OFF || int64_t(number) != faults_.corruptBlock) return false;
    return !faults_.corruptOnce || attempt == 0;
}

bool DriveMachine::refuseBlock(uint32_t number) {
    if (faults_.nakBlock == FAULT_OFF || int64_t(number) != faults_.nakBlock) return false;
    if (faults_.nakCount != FAULT_OFF && naksInjected_ >= faults_.nakCount) return false;
    ++naksInjected_;
    return true;
}
