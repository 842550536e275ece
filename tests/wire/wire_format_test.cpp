// Byte-exact blocks as they cross the line.
#include "wire/wire_format.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

TEST(WireFormat, ChecksumOfAbcIs0x126) {
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(k_checksum(abc, 3), 0x126u);
}

TEST(WireFormat, LastDataBlockOfAThreeByteFile) {
    uint8_t block[BLOCK_BYTES_MAX] = {};
    std::memcpy(block + BLOCK_PAYLOAD_OFFSET, "abc", 3);
    size_t size = k_block_data(block, BLOCK_LAST, 1, 3);
    EXPECT_EQ(Bytes(block, block + size), (Bytes{0x02, 0x82, 0x0B, 0x00, 0x01, 0x00, 0x00, 0x00,
                                                 0x26, 0x01, 0x00, 0x00, 0x61, 0x62, 0x63}));
    EXPECT_TRUE(k_block_checksum_ok(block));
    block[14] ^= 1;
    EXPECT_FALSE(k_block_checksum_ok(block));
}

TEST(WireFormat, HeaderOfATxtWrittenOn15January2000At1230) {
    uint8_t block[BLOCK_BYTES_MAX] = {};
    size_t size =
        k_block_header(block, k_dos_date(2000, 1, 15), k_dos_time(12, 30, 0), 3, "A.TXT", 5);
    EXPECT_EQ(Bytes(block, block + size),
              (Bytes{0x02, 0x81, 0x0D, 0x00, 0x2F, 0x28, 0xC0, 0x63, 0x03, 0x00, 0x00, 0x00, 0x41,
                     0x2E, 0x54, 0x58, 0x54}));
}

TEST(WireFormat, LengthFieldIsReadSigned) {
    const uint8_t head[] = {0x02, 0x80, 0x00, 0x80};
    EXPECT_LT(k_block_length(head), BLOCK_LENGTH_MIN);
}

TEST(WireFormat, NamedFieldsOfADataBlock) {
    uint8_t block[BLOCK_BYTES_MAX] = {};
    std::memcpy(k_block_payload(block), "abc", 3);
    k_block_data(block, BLOCK_DATA, 7, 3);
    EXPECT_EQ(k_block_type(block), BLOCK_DATA);
    EXPECT_EQ(k_block_number(block), 7u);
    EXPECT_EQ(k_block_checksum(block), 0x126u);
    EXPECT_EQ(k_block_payload_length(block), 3u);
    EXPECT_EQ(k_block_size(block), 15u);
    k_block_set_number(block, 9);
    EXPECT_EQ(block[4], 9);
}

TEST(WireFormat, NamedFieldsOfAHeaderBlock) {
    uint8_t block[BLOCK_BYTES_MAX] = {};
    k_block_header(block, 0x282F, 0x63C0, 3, "A.TXT", 5);
    EXPECT_EQ(k_header_date(block), 0x282F);
    EXPECT_EQ(k_header_time(block), 0x63C0);
    EXPECT_EQ(k_header_size(block), 3u);
    EXPECT_EQ(k_block_payload_length(block), 5u);
}

// A copy of the block stored last is a repeat; a last block that only shares number, length
// and checksum with the data block before it is not.
TEST(WireFormat, RepeatRuleComparesTypeNumberLengthAndChecksum) {
    uint8_t stored[BLOCK_BYTES_MAX] = {};
    std::memcpy(k_block_payload(stored), "abcd", 4);
    k_block_data(stored, BLOCK_DATA, 1, 4);
    BlockMemory memory;
    k_block_forget(&memory);
    EXPECT_FALSE(k_block_repeats(memory, stored));
    k_block_remember(&memory, stored);
    EXPECT_TRUE(k_block_repeats(memory, stored));

    uint8_t last[BLOCK_BYTES_MAX] = {};
    std::memcpy(k_block_payload(last), "dcba", 4);
    k_block_data(last, BLOCK_LAST, 1, 4);
    EXPECT_FALSE(k_block_repeats(memory, last));
    uint8_t next[BLOCK_BYTES_MAX] = {};
    std::memcpy(k_block_payload(next), "abcd", 4);
    k_block_data(next, BLOCK_DATA, 2, 4);
    EXPECT_FALSE(k_block_repeats(memory, next));
}

// A scripted line: what it will receive, and what was sent on it.
struct ScriptLine {
    static constexpr bool LONG_ECHO_ENDS = true;
    Bytes incoming;
    size_t at = 0;
    Bytes sent;
    bool receive(uint8_t* bytes, size_t count) {
        if (incoming.size() - at < count) return false;
        std::memcpy(bytes, incoming.data() + at, count);
        at += count;
        return true;
    }
    bool receiveLetter(uint8_t* letter) { return receive(letter, 1); }
    bool send(const uint8_t* bytes, size_t count) {
        sent.insert(sent.end(), bytes, bytes + count);
        return true;
    }
    void skipUnframed() {}
};

TEST(WireFormat, EchoOfAVerifiedGetBlockThenTheVerdict) {
    uint8_t block[BLOCK_BYTES_MAX] = {};
    std::memcpy(k_block_payload(block), "abc", 3);
    const size_t size = k_block_data(block, BLOCK_DATA, 1, 3);
    ScriptLine line;
    line.incoming = {ACK};
    EXPECT_EQ(k_echo_block(line, block), EchoVerdict::Confirmed);
    EXPECT_EQ(line.sent, Bytes(block, block + size));
    line = ScriptLine{};
    line.incoming = {NAK};
    EXPECT_EQ(k_echo_block(line, block), EchoVerdict::Refused);
    line = ScriptLine{};
    line.incoming = {ESC, 'E'};
    EXPECT_EQ(k_echo_block(line, block), EchoVerdict::Ended);
    line = ScriptLine{};
    EXPECT_EQ(k_echo_block(line, block), EchoVerdict::VerdictLost);
}

TEST(WireFormat, CheckOfAnEchoGivesTheVerdictAndTakesTheFinalWord) {
    uint8_t block[BLOCK_BYTES_MAX] = {};
    std::memcpy(k_block_payload(block), "abc", 3);
    const size_t size = k_block_data(block, BLOCK_DATA, 1, 3);
    uint8_t echo[BLOCK_BYTES_MAX];

    ScriptLine same;
    same.incoming.assign(block + 1, block + size);
    same.incoming.push_back(ACK);
    EXPECT_EQ(k_check_echo(same, block, echo), EchoResult::Delivered);
    EXPECT_EQ(same.sent, Bytes{ACK});

    ScriptLine damaged;
    damaged.incoming.assign(block + 1, block + size);
    damaged.incoming[12] ^= 1;
    damaged.incoming.push_back(NAK);
    EXPECT_EQ(k_check_echo(damaged, block, echo), EchoResult::Rejected);
    EXPECT_EQ(damaged.sent, Bytes{NAK});

    ScriptLine tooLong;
    tooLong.incoming = {BLOCK_DATA, 0x09, 0x10};
    EXPECT_EQ(k_check_echo(tooLong, block, echo), EchoResult::TooLong);

    ScriptLine aborted;
    aborted.incoming.assign(block + 1, block + size);
    aborted.incoming.insert(aborted.incoming.end(), {ESC, 'E'});
    EXPECT_EQ(k_check_echo(aborted, block, echo), EchoResult::Aborted);
}

}  // namespace
