#include "support/floppy_image.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

constexpr size_t SECTOR = 512;
constexpr size_t SECTORS = 320;
constexpr size_t FAT_SECTOR = 1, FAT_COPIES = 2, ROOT_SECTOR = 3, DATA_SECTOR = 7;
constexpr uint16_t END_OF_CHAIN = 0xFFF;

void put16(uint8_t* at, uint16_t value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

// FAT12: entry n takes 12 bits at byte n * 3 / 2.
void setCluster(uint8_t* fat, size_t n, uint16_t value) {
    uint8_t* at = fat + n * 3 / 2;
    if (n % 2 == 0) {
        at[0] = uint8_t(value);
        at[1] = uint8_t((at[1] & 0xF0) | (value >> 8));
    } else {
        at[0] = uint8_t((at[0] & 0x0F) | (value << 4));
        at[1] = uint8_t(value >> 4);
    }
}

}  // namespace

bool write_floppy_image(const std::string& path, size_t fillBytes) {
    if (fillBytes > FLOPPY_FREE_BYTES) return false;
    std::vector<uint8_t> disk(SECTORS * SECTOR, 0);
    uint8_t* boot = disk.data();
    const uint8_t jump[] = {0xEB, 0x3C, 0x90};
    std::memcpy(boot, jump, sizeof jump);
    std::memcpy(boot + 3, "VELMOTST", 8);
    put16(boot + 11, SECTOR);
    boot[13] = 1;         // sectors per cluster
    put16(boot + 14, 1);  // reserved sectors
    boot[16] = FAT_COPIES;
    put16(boot + 17, 64);  // root entries
    put16(boot + 19, SECTORS);
    boot[21] = 0xFE;      // media: 160 KiB single-sided
    put16(boot + 22, 1);  // sectors per FAT
    put16(boot + 24, 8);  // sectors per track
    put16(boot + 26, 1);  // heads
    boot[510] = 0x55;
    boot[511] = 0xAA;

    std::vector<uint8_t> fat(SECTOR, 0);
    fat[0] = 0xFE;
    fat[1] = 0xFF;
    fat[2] = 0xFF;
    const size_t clusters = (fillBytes + SECTOR - 1) / SECTOR;
    for (size_t i = 0; i < clusters; ++i) {
        setCluster(fat.data(), 2 + i, i + 1 == clusters ? END_OF_CHAIN : uint16_t(3 + i));
    }
    for (size_t copy = 0; copy < FAT_COPIES; ++copy) {
        std::memcpy(disk.data() + (FAT_SECTOR + copy) * SECTOR, fat.data(), SECTOR);
    }

    uint8_t* entry = disk.data() + ROOT_SECTOR * SECTOR;
    std::memcpy(entry, "FILL    BIN", 11);
    entry[11] = 0x20;                                    // archive
    put16(entry + 24, (2000 - 1980) << 9 | 1 << 5 | 1);  // 2000-01-01
    put16(entry + 26, clusters ? 2 : 0);
    const uint32_t size = uint32_t(fillBytes);
    std::memcpy(entry + 28, &size, 4);
    std::memset(disk.data() + DATA_SECTOR * SECTOR, 'F', fillBytes);

    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(disk.data()), std::streamsize(disk.size()));
    return bool(out);
}
