#include "dos/engine/block_sender.h"

#include "wire/wire_format.h"

namespace {

constexpr uint32_t DAMAGE = 0xA5;  // flips bits of the checksum's low byte

// Where velmo's echo of a block arrives, to be compared with what was sent.
uint8_t echo[BLOCK_BYTES_MAX];

// After ESC: 'E' is velmo giving up; anything else breaks the exchange.
BlockSend afterEsc(ExchangeLine& line) {
    uint8_t letter = 0;
    if (line.readEscapeLetter(&letter) != LineRead::Ok) return BlockSend::Failed;
    return letter == 'E' ? BlockSend::Aborted : BlockSend::Failed;
}

// Velmo echoed the block: compare, give the verdict, then take its final word.
BlockSend checkEcho(ExchangeLine& line, const uint8_t* sent) {
    EchoLine echoLine(line);
    switch (k_check_echo(echoLine, sent, echo)) {
        case EchoResult::Delivered:
            return BlockSend::Delivered;
        case EchoResult::Rejected:
            return BlockSend::Rejected;
        case EchoResult::Aborted:
            return BlockSend::Aborted;
        default:
            return BlockSend::Failed;
    }
}

BlockSend readAnswer(ExchangeLine& line, const uint8_t* sent, bool verify) {
    uint8_t byte = 0;
    if (line.readByte(&byte) != LineRead::Ok) return BlockSend::Failed;
    if (verify && byte == STX) return checkEcho(line, sent);
    if (byte == ACK) return BlockSend::Delivered;
    if (byte == ESC) return afterEsc(line);
    return BlockSend::Rejected;  // NAK, or anything velmo would not send
}

}  // namespace

BlockSend dos_send_block(ExchangeLine& line, EngineMachine& machine, uint8_t* block, bool verify) {
    const bool data = k_block_type(block) != BLOCK_HEADER;
    if (data && machine.skipBlock(k_block_number(block))) return BlockSend::Delivered;
    for (uint32_t attempt = 0; attempt <= BLOCK_REPEATS_MAX; ++attempt) {
        // A damaged send is damaged on the line only: the next attempt starts from the block.
        const bool damaged = data && machine.damageBlock(k_block_number(block), attempt);
        if (damaged) k_block_set_checksum(block, k_block_checksum(block) ^ DAMAGE);
        const bool written = line.write(block, uint32_t(k_block_size(block)));
        const BlockSend answer = written ? readAnswer(line, block, verify) : BlockSend::Failed;
        if (damaged) k_block_set_checksum(block, k_block_checksum(block) ^ DAMAGE);
        if (answer != BlockSend::Rejected) return answer;
    }
    return BlockSend::GaveUp;
}
