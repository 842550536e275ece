// Byte-exact blocks as they cross the line.
#include "link/wire_format.h"

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
    std::memcpy(block + BLOCK_HEAD, "abc", 3);
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

}  // namespace
