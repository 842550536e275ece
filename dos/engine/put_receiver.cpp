#include "core/lead_byte.h"
#include "dos/engine/block_buffer.h"
#include "dos/engine/transfers.h"
#include "link/wire_format.h"

namespace {

constexpr uint32_t QUIET_AFTER_SHORT_BLOCK_MS = 100;

uint8_t* const block = dos_block;

// Where the last component of a Shift-JIS name starts: after its last "\", "/" or ":" that is
// not the second byte of a double-byte character.
uint32_t lastComponent(const char* name, uint32_t length) {
    uint32_t start = 0;
    for (uint32_t i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (k_is_lead_byte(b)) {
            ++i;  // the trail byte may be 0x5C and is no separator
        } else if (b == '\\' || b == '/' || b == ':') {
            start = i + 1;
        }
    }
    return start < length ? start : length;
}

enum class Step { Next, End };

class PutReceiver {
  public:
    PutReceiver(ExchangeLine& line, EngineMachine& machine, bool verify, Exchange* exchange)
        : line_(line), machine_(machine), verify_(verify), exchange_(exchange) {}

    void run() {
        while (step() == Step::Next) {
        }
        if (fileOpen_) machine_.abandonFile();  // an incomplete file is dropped
    }

  private:
    Step step() {
        uint8_t byte = 0;
        if (line_.readByte(&byte) != LineRead::Ok) return lost();
        if (byte == ESC) {
            uint8_t letter = 0;
            if (line_.readEscapeLetter(&letter) != LineRead::Ok) return lost();
            if (letter == 'C') return lost();  // the next command: this one's end was lost
            if (letter != 'E') return Step::Next;
            // The Windows side's end: after its last file, or its user cancelled mid-file.
            if (fileOpen_) exchange_->end = ExchangeEnd::Cancelled;
            return Step::End;
        }
        if (byte != STX) return Step::Next;  // line noise between blocks
        return receiveBlock();
    }

    Step receiveBlock() {
        block[0] = STX;
        if (line_.read(block + 1, 3) != LineRead::Ok) return lost();
        const int length = k_block_length(block);
        if (length > BLOCK_LENGTH_MAX) return giveUp();
        if (length < BLOCK_LENGTH_MIN) {
            line_.drain(QUIET_AFTER_SHORT_BLOCK_MS);
            return reject();
        }
        const LineRead body = line_.read(block + 4, uint32_t(length));
        if (body == LineRead::Timeout) return reject();  // part of it was lost on the way
        if (body != LineRead::Ok) return lost();
        const bool header = block[1] == BLOCK_HEADER;
        if (!k_block_checksum_ok(block) || (!header && machine_.refuseBlock(k_get32(block + 4)))) {
            return reject();
        }
        if (verify_) {
            if (!line_.write(block, uint32_t(length) + 4)) return lost();
            uint8_t verdict = 0;
            if (line_.readByte(&verdict) != LineRead::Ok) return lost();
            if (verdict == ESC) {
                uint8_t letter = 0;
                line_.readEscapeLetter(&letter);
                exchange_->end = ExchangeEnd::Cancelled;  // the Windows side gave up
                return Step::End;
            }
            if (verdict != ACK) return reject();
        }
        // Our ACK of this block reached the other side damaged, so it sent the block again.
        if (repeatsStoredBlock()) return acknowledge();
        if (!(header ? startFile() : storeData())) return giveUp();
        return acknowledge();
    }

    bool repeatsStoredBlock() const {
        return block[1] != BLOCK_HEADER && lastNumber_ != 0 && k_get32(block + 4) == lastNumber_ &&
               k_block_length(block) == lastLength_ && k_get32(block + 8) == lastChecksum_;
    }

    Step acknowledge() { return line_.writeControl(ACK) ? Step::Next : lost(); }
    Step reject() { return line_.writeControl(NAK) ? Step::Next : lost(); }

    Step lost() {
        exchange_->end = ExchangeEnd::Lost;
        return Step::End;
    }

    // ESC 'E' as the answer to a block: this side ends the transfer.
    Step giveUp() {
        exchange_->end = ExchangeEnd::Failed;
        if (fileOpen_) machine_.abandonFile();
        fileOpen_ = false;
        line_.writePair(ESC, 'E');
        return Step::End;
    }

    // Only the header name's last component counts, so nothing lands outside the destination;
    // an empty one or one starting with "." is no name a file of the drive may have.
    bool startFile() {
        if (fileOpen_) machine_.abandonFile();  // a header before the last block
        fileOpen_ = false;
        lastNumber_ = 0;
        const auto* sent = reinterpret_cast<const char*>(block + BLOCK_HEAD);
        const uint32_t sentLength = uint32_t(k_block_length(block) - BLOCK_LENGTH_MIN);
        const uint32_t start = lastComponent(sent, sentLength);
        if (start == sentLength || sent[start] == '.') return false;
        if (!machine_.createFile(sent + start, sentLength - start)) return false;
        fileOpen_ = true;
        dosDate_ = k_get16(block + 4);
        dosTime_ = k_get16(block + 6);
        return true;
    }

    bool storeData() {
        if (!fileOpen_) return false;  // data before any header
        const uint32_t payload = uint32_t(k_block_length(block) - BLOCK_LENGTH_MIN);
        if (!machine_.writeFile(block + BLOCK_HEAD, payload)) return false;
        exchange_->bytes += payload;
        lastNumber_ = k_get32(block + 4);
        lastLength_ = k_block_length(block);
        lastChecksum_ = k_get32(block + 8);
        if (block[1] != BLOCK_LAST) return true;
        fileOpen_ = false;
        if (!machine_.commitFile(dosDate_, dosTime_)) return false;
        ++exchange_->files;
        return true;
    }

    ExchangeLine& line_;
    EngineMachine& machine_;
    bool verify_;
    Exchange* exchange_;
    bool fileOpen_ = false;
    uint16_t dosDate_ = 0;
    uint16_t dosTime_ = 0;
    // The data block stored last in this file (number 0: none yet), to know it when it comes
    // again.
    uint32_t lastNumber_ = 0;
    int lastLength_ = 0;
    uint32_t lastChecksum_ = 0;
};

}  // namespace

void dos_serve_put(ExchangeLine& line, EngineMachine& machine, const DosCommand& command,
                   Exchange* exchange) {
    const uint8_t refusal = machine.preparePut(command.text, command.length);
    if (refusal != 0) {
        dos_refuse_frame(line, exchange, refusal);
        return;
    }
    if (!dos_accept_frame(line, machine, exchange)) return;
    PutReceiver(line, machine, (command.flags & COMMAND_VERIFY) != 0, exchange).run();
}
