#include "dos/engine/block_sender.h"

#include "link/wire_format.h"

namespace {

constexpr uint32_t DAMAGE = 0xA5;  // flips bits of the checksum's low byte

// Where the Windows side's echo of a block arrives, to be compared with what was sent.
uint8_t echo[BLOCK_BYTES_MAX];

enum class Answer { Taken, Rejected, Aborted, Failed };

// After ESC: 'E' is the Windows side giving up; anything else breaks the exchange.
Answer afterEsc(ExchangeLine& line) {
    uint8_t letter = 0;
    if (line.readEscapeLetter(&letter) != LineRead::Ok) return Answer::Failed;
    return letter == 'E' ? Answer::Aborted : Answer::Failed;
}

// The Windows side echoed the block: compare, give the verdict, then take its final word.
Answer checkEcho(ExchangeLine& line, const uint8_t* sent) {
    EchoLine echoLine(line);
    switch (k_check_echo(echoLine, sent, echo)) {
        case EchoResult::Delivered:
            return Answer::Taken;
        case EchoResult::Rejected:
            return Answer::Rejected;
        case EchoResult::Aborted:
            return Answer::Aborted;
        default:
            return Answer::Failed;
    }
}

Answer readAnswer(ExchangeLine& line, const uint8_t* sent, bool verify) {
    uint8_t byte = 0;
    if (line.readByte(&byte) != LineRead::Ok) return Answer::Failed;
    if (verify && byte == STX) return checkEcho(line, sent);
    if (byte == ACK) return Answer::Taken;
    if (byte == ESC) return afterEsc(line);
    return Answer::Rejected;  // NAK, or anything the Windows side would not send
}

}  // namespace

BlockSend dos_send_block(ExchangeLine& line, EngineMachine& machine, uint8_t* block, bool verify) {
    const bool data = k_block_type(block) != BLOCK_HEADER;
    for (uint32_t attempt = 0;; ++attempt) {
        // A damaged send is damaged on the line only: the next attempt starts from the block.
        const bool damaged = data && machine.damageBlock(k_block_number(block), attempt);
        if (damaged) k_block_set_checksum(block, k_block_checksum(block) ^ DAMAGE);
        const bool written = line.write(block, uint32_t(k_block_size(block)));
        const Answer answer = written ? readAnswer(line, block, verify) : Answer::Failed;
        if (damaged) k_block_set_checksum(block, k_block_checksum(block) ^ DAMAGE);
        switch (answer) {
            case Answer::Taken:
                return BlockSend::Delivered;
            case Answer::Aborted:
                return BlockSend::Aborted;
            case Answer::Failed:
                return BlockSend::Failed;
            case Answer::Rejected:
                break;
        }
    }
}
