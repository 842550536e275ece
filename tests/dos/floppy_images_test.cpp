// The floppy images that bring VELMOD.COM to a DOS machine without a cable, read back with
// mtools: each holds the build's VELMOD.COM and a README.TXT in Shift-JIS CR LF lines, and the
// PC-98 one has the geometry and boot-sector fields of a 2HD disk.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/encoding.h"
#include "support/file_bytes.h"
#include "support/shell_command.h"
#include "support/temp_working_directory.h"

namespace {

struct FloppyImage {
    const char* label;
    const char* name;
    uintmax_t size;
};

std::string imagePath(const char* name) {
    return std::string(VELMOD_IMAGES_DIR) + "/" + name;
}

std::string readBack(const std::string& image, const char* file) {
    const CommandResult copied =
        runCommand("mcopy -o -i " + shellQuoted(image) + " ::" + file + " " + file + ".back 2>&1");
    EXPECT_EQ(copied.status, 0) << copied.out;
    return fileBytes(std::string(file) + ".back");
}

class FloppyImageTest : public ::testing::TestWithParam<FloppyImage> {
  protected:
    TempWorkingDirectory dir;
};

TEST_P(FloppyImageTest, MtoolsReadsBackVelmodAndTheReadme) {
    const std::string image = imagePath(GetParam().name);
    EXPECT_EQ(std::filesystem::file_size(image), GetParam().size);
    const std::string velmod = readBack(image, "VELMOD.COM");
    EXPECT_TRUE(velmod == fileBytes(VELMOD_COM)) << "VELMOD.COM differs from the build's";

    const std::string readme = readBack(image, "README.TXT");
    std::string japanese;
    ASSERT_TRUE(k_cp932_from_utf8("PC/AT 互換機:  VELMOD /P:1 /B:9600", &japanese));
    EXPECT_NE(readme.find(japanese), std::string::npos) << "not Shift-JIS";
    for (size_t at = readme.find('\n'); at != std::string::npos; at = readme.find('\n', at + 1))
        ASSERT_TRUE(at > 0 && readme[at - 1] == '\r') << "a line without CR at " << at;
}

INSTANTIATE_TEST_SUITE_P(Images, FloppyImageTest,
                         ::testing::Values(FloppyImage{"PcAt", "velmod-pcat.img", 1'474'560},
                                           FloppyImage{"Pc98", "velmod-pc98.hdm", 1'261'568}),
                         [](const auto& row) { return std::string(row.param.label); });

uint16_t word(const std::string& sector, size_t at) {
    return uint16_t(uint8_t(sector[at]) | uint8_t(sector[at + 1]) << 8);
}

TEST(Pc98FloppyImage, BootSectorDescribesA2hdDisk) {
    const std::string sector = fileBytes(imagePath("velmod-pc98.hdm")).substr(0, 1024);
    ASSERT_EQ(sector.size(), 1024u);
    EXPECT_EQ(word(sector, 11), 1024);  // bytes a sector
    EXPECT_EQ(uint8_t(sector[13]), 1);  // sectors a cluster
    EXPECT_EQ(word(sector, 14), 1);     // reserved sectors
    EXPECT_EQ(uint8_t(sector[16]), 2);  // FATs
    EXPECT_EQ(word(sector, 17), 192);   // root entries
    EXPECT_EQ(word(sector, 19), 1232);  // sectors: 77 x 2 x 8
    EXPECT_EQ(uint8_t(sector[21]), 0xFE);
    EXPECT_EQ(word(sector, 22), 2);  // sectors a FAT
    EXPECT_EQ(word(sector, 24), 8);  // sectors a track
    EXPECT_EQ(word(sector, 26), 2);  // heads
}

}  // namespace
