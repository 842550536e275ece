#include "dos/engine/put_receiver.h"

#include "base/lead_byte.h"
#include "dos/engine/block_buffer.h"
#include "dos/engine/transfers.h"
#include "wire/wire_format.h"

namespace {

constexpr uint32_t QUIET_AFTER_SHORT_BLOCK_MS = 100;

uint8_t* const block = link_block_buffer;

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

class PutReceiver final : Transfer {
  public:
    using Transfer::Transfer;

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
            // Velmo's end: after its last file, or its user cancelled mid-file.
            if (fileOpen_) exchange_->end = ExchangeEnd::Cancelled;
            return Step::End;
        }
        if (byte != STX) return Step::Next;  // line noise between blocks
        return receiveBlock();
    }

    Step receiveBlock() {
        block[0] = STX;
        if (line_.read(k_block_after_stx(block), BLOCK_TYPE_AND_LENGTH) != LineRead::Ok) {
            return lost();
        }
        const int length = k_block_length(block);
        if (length > BLOCK_LENGTH_MAX) return giveUp();
        if (length < BLOCK_LENGTH_MIN) {
            line_.drain(QUIET_AFTER_SHORT_BLOCK_MS);
            return reject();
        }
        const LineRead body = line_.read(block + BLOCK_COUNTED_OFFSET, uint32_t(length));
        if (body == LineRead::Timeout) return reject();  // part of it was lost on the way
        if (body != LineRead::Ok) return lost();
        const bool header = k_block_type(block) == BLOCK_HEADER;
        if (!k_block_checksum_ok(block) ||
            (!header && machine_.refuseBlock(k_block_number(block)))) {
            return reject();
        }
        if (verify_) {
            EchoLine echoLine(line_);
            switch (k_echo_block(echoLine, block)) {
                case EchoVerdict::Confirmed:
                    break;
                case EchoVerdict::Refused:
                case EchoVerdict::Unexpected:
                    return reject();
                case EchoVerdict::Ended:
                    exchange_->end = ExchangeEnd::Cancelled;  // velmo gave up
                    return Step::End;
                case EchoVerdict::EchoNotSent:
                case EchoVerdict::VerdictLost:
                    return lost();
            }
        }
        // Our ACK of this block reached the other side damaged, so it sent the block again.
        if (k_block_repeats(lastStored_, block)) return acknowledge();
        if (!(header ? startFile() : storeData())) return giveUp();
        return acknowledge();
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
        k_block_forget(&lastStored_);
        const auto* sent = reinterpret_cast<const char*>(k_block_payload(block));
        const auto sentLength = uint32_t(k_block_payload_length(block));
        const uint32_t start = lastComponent(sent, sentLength);
        if (start == sentLength || sent[start] == '.') return false;
        if (!machine_.createFile(sent + start, sentLength - start)) return false;
        fileOpen_ = true;
        k_block_remember(&lastStored_, block);  // its copy after a damaged ACK is no new file
        dosDate_ = k_header_date(block);
        dosTime_ = k_header_time(block);
        announcedSize_ = k_header_size(block);
        stored_ = 0;
        nextNumber_ = 1;
        return true;
    }

    // The header's size is the contract: a block out of turn (one skipped, or a block sent
    // again with other bytes) or a file that ends short of the size or runs past it is not the
    // file that was sent, and is never put in place.
    bool storeData() {
        if (!fileOpen_) return false;  // data before any header
        const auto payload = uint32_t(k_block_payload_length(block));
        if (k_block_number(block) != nextNumber_) {
            machine_.transferBroken("a block came out of turn");
            return false;
        }
        if (payload > announcedSize_ - stored_) {
            machine_.transferBroken("the file ran past the size its header gave");
            return false;
        }
        const bool last = k_block_type(block) == BLOCK_LAST;
        if (last && stored_ + payload != announcedSize_) {
            machine_.transferBroken("the file ended short of the size its header gave");
            return false;
        }
        if (!machine_.writeFile(k_block_payload(block), payload)) return false;
        exchange_->bytes += payload;
        stored_ += payload;
        ++nextNumber_;
        k_block_remember(&lastStored_, block);
        if (!last) return true;
        fileOpen_ = false;
        if (!machine_.commitFile(dosDate_, dosTime_)) return false;
        ++exchange_->files;
        return true;
    }

    bool fileOpen_ = false;
    uint16_t dosDate_ = 0;
    uint16_t dosTime_ = 0;
    uint32_t announcedSize_ = 0;
    uint32_t stored_ = 0;  // bytes of the file so far
    uint32_t nextNumber_ = 1;
    // The block stored last, to know it when it comes again.
    BlockMemory lastStored_{0, 0, 0, 0, 0};
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
    PutReceiver(line, machine, command, exchange).run();
}
