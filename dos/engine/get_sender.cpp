#include "dos/engine/get_sender.h"

#include "dos/engine/block_buffer.h"
#include "dos/engine/block_sender.h"
#include "dos/engine/transfers.h"
#include "wire/wire_format.h"

namespace {

FoundFile found;
uint8_t* const block = link_block_buffer;

enum class Outcome { Continue, Stop };

class GetSender final : Transfer {
  public:
    using Transfer::Transfer;

    bool start() {
        uint8_t answer = 0;
        if (line_.writePair(ESC, 'R') && line_.readAnswer(&answer) == LineRead::Ok &&
            answer == ACK) {
            return true;
        }
        exchange_->end = ExchangeEnd::Lost;
        return false;
    }

    Outcome sendFound() {
        if (!machine_.openFound()) return Outcome::Continue;  // gone since it was found
        const Outcome outcome = sendOpenFile();
        machine_.closeFile();
        return outcome;
    }

    void finish() { line_.writePair(ESC, 'E'); }

  private:
    Outcome sendOpenFile() {
        const uint32_t nameLength =
            found.nameLength < FOUND_NAME_MAX ? found.nameLength : FOUND_NAME_MAX;
        k_block_header(block, found.dosDate, found.dosTime, found.size, found.name, nameLength);
        if (!delivered(dos_send_block(line_, machine_, block, verify_))) return Outcome::Stop;

        for (uint32_t number = 1;; ++number) {
            const int32_t got = machine_.readFile(k_block_payload(block), BLOCK_PAYLOAD_MAX);
            if (got < 0) {
                exchange_->end = ExchangeEnd::Failed;
                finish();  // the file cannot be read to its end: give the transfer up
                return Outcome::Stop;
            }
            const bool last = got < BLOCK_PAYLOAD_MAX;
            k_block_data(block, last ? BLOCK_LAST : BLOCK_DATA, number, size_t(got));
            if (!delivered(dos_send_block(line_, machine_, block, verify_))) {
                return Outcome::Stop;
            }
            exchange_->bytes += uint32_t(got);
            if (last) {
                ++exchange_->files;
                return Outcome::Continue;
            }
        }
    }

    // Velmo's ESC 'E' or a broken exchange ends the transfer; after either this side
    // sends nothing more, or the bytes would be taken for the answer to the next command.
    bool delivered(BlockSend result) {
        if (result == BlockSend::Delivered) return true;
        if (result == BlockSend::GaveUp) {
            machine_.transferBroken("a block was refused on every repeat");
            exchange_->end = ExchangeEnd::Failed;
            finish();
            return false;
        }
        exchange_->end = result == BlockSend::Aborted ? ExchangeEnd::Cancelled : ExchangeEnd::Lost;
        return false;
    }
};

}  // namespace

void dos_serve_get(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
                   Exchange* exchange) {
    const uint8_t refusal = machine.findFirst(command.text, command.length, &found);
    if (refusal != 0) {
        dos_refuse_frame(line, exchange, refusal);
        return;
    }
    if (!dos_accept_frame(line, machine, exchange)) return;
    GetSender sender(line, machine, command, exchange);
    if (!sender.start()) return;
    do {
        if (sender.sendFound() == Outcome::Stop) return;
    } while (machine.findNext(&found));
    sender.finish();
}
