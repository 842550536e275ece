#include "files/file_layer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/file_bytes.h"
#include "support/temp_working_directory.h"

namespace {

class FileLayer : public testing::Test {
  protected:
    TempWorkingDirectory dir;
    FileControlBlock block{};
    uint32_t done = 99;
    char buffer[64] = {};

    int closeBlock() { return k_file_rw(FILE_CLOSE, 0, "", nullptr, 0, 0, &done, &block); }
};

// Another program holding the file: a separate open file description with its own flock.
class HeldByOther {
  public:
    explicit HeldByOther(const char* path) : fd_(open(path, O_RDONLY)) {
        EXPECT_EQ(flock(fd_, LOCK_EX | LOCK_NB), 0);
    }
    ~HeldByOther() { close(fd_); }

  private:
    int fd_;
};

TEST_F(FileLayer, PositionedReadAndWriteWithinTheFile) {
    dir.writeFile("f.bin", "0123456789");
    ASSERT_EQ(k_file_rw(FILE_OPEN, 0, "f.bin", buffer, 3, 4, &done, &block), 0);
    EXPECT_EQ(std::string(buffer, 4), "3456");
    EXPECT_EQ(done, 4u);
    EXPECT_EQ(block.size, 10u);
    ASSERT_EQ(closeBlock(), 0);
    ASSERT_EQ(k_file_rw(FILE_OPEN, 1, "f.bin", const_cast<char*>("ab"), 8, 2, &done, &block), 0);
    EXPECT_EQ(closeBlock(), 0);
    EXPECT_EQ(fileBytes("f.bin"), "01234567ab");
}

TEST_F(FileLayer, CountZeroBeyondTheEndMovesNothing) {
    dir.writeFile("f.bin", "abc");
    ASSERT_EQ(k_file_rw(FILE_OPEN_ONLY, 0, "f.bin", nullptr, 0, 0, &done, &block), 0);
    EXPECT_EQ(k_file_rw(FILE_TRANSFER, 0, "f.bin", buffer, 1000, 0, &done, &block), 0);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(block.state, FCB_OPEN);
}

TEST_F(FileLayer, ArgumentChecksLeaveTheFileOpen) {
    dir.writeFile("f.bin", "abc");
    ASSERT_EQ(k_file_rw(FILE_OPEN_ONLY, 1, "f.bin", nullptr, 0, 0, &done, &block), 0);
    EXPECT_EQ(k_file_rw(FILE_TRANSFER, 1, "f.bin", buffer, 2, 2, &done, &block), 0x460009);
    EXPECT_EQ(k_file_rw(FILE_TRANSFER, 0, "f.bin", buffer, 0, 0x800000, &done, &block), 0x420009);
    EXPECT_EQ(k_file_rw(FILE_TRANSFER, 0, "f.bin", buffer, 0x80000000u, 1, &done, &block),
              0x440009);
    // offset + count wraps around 32 bits: still beyond the end, never a huge read.
    EXPECT_EQ(k_file_rw(FILE_TRANSFER, 0, "f.bin", buffer, 0x10, 0xFF7FFFF0u, &done, &block),
              0x460009);
    EXPECT_EQ(block.state, FCB_OPEN);
    EXPECT_EQ(fileBytes("f.bin"), "abc");
}

TEST_F(FileLayer, BadOpDirectionAndStateCodes) {
    EXPECT_EQ(k_file_rw(3, 0, "x", buffer, 0, 1, &done, &block), 0x100003);
    EXPECT_EQ(k_file_rw(FILE_OPEN, 2, "x", buffer, 0, 1, &done, &block), 0x120002);
    EXPECT_EQ(k_file_read(-2, "x", buffer, 1, &done, &block), 0x10FFFE);
    block.state = FCB_FRESH;
    EXPECT_EQ(k_file_rw(FILE_TRANSFER, 0, "x", buffer, 0, 1, &done, &block), 0x400001);
    EXPECT_EQ(closeBlock(), 0x310001);
}

TEST_F(FileLayer, CloseTwiceIsAccepted) {
    dir.writeFile("f.bin", "abc");
    ASSERT_EQ(k_file_rw(FILE_OPEN_ONLY, 0, "f.bin", nullptr, 0, 0, &done, &block), 0);
    EXPECT_EQ(closeBlock(), 0);
    EXPECT_EQ(closeBlock(), 0);
    EXPECT_EQ(block.state, FCB_CLOSED);
}

TEST_F(FileLayer, MissingFileIsBareTwoForReadersOnly) {
    EXPECT_EQ(k_file_rw(FILE_OPEN_ONLY, 0, "none.bin", nullptr, 0, 0, &done, &block), 2);
    EXPECT_EQ(k_file_read(FILE_OPEN, "none.bin", buffer, 1, &done, &block), 2);
    EXPECT_EQ(k_file_write(FILE_OPEN, "no/dir.bin", "x", 1, &done, &block), 0x200002);
}

TEST_F(FileLayer, FileHeldByAnotherProgramIsASharingViolation) {
    dir.writeFile("held.bin", "keep me");
    HeldByOther other("held.bin");
    EXPECT_EQ(k_file_rw(FILE_OPEN_ONLY, 0, "held.bin", nullptr, 0, 0, &done, &block), 0x200020);
    EXPECT_EQ(k_file_read(FILE_OPEN_ONLY, "held.bin", nullptr, 0, &done, &block), 0x200020);
    EXPECT_EQ(k_file_write(FILE_OPEN_ONLY, "held.bin", nullptr, 0, &done, &block), 0x200020);
    // The refused writer must not have emptied the other program's file.
    EXPECT_EQ(fileBytes("held.bin"), "keep me");
}

TEST_F(FileLayer, OurOwnOpenFileKeepsOthersOut) {
    dir.writeFile("f.bin", "abc");
    ASSERT_EQ(k_file_rw(FILE_OPEN_ONLY, 0, "f.bin", nullptr, 0, 0, &done, &block), 0);
    FileControlBlock second{};
    EXPECT_EQ(k_file_rw(FILE_OPEN_ONLY, 0, "f.bin", nullptr, 0, 0, &done, &second), 0x200020);
}

TEST_F(FileLayer, SequentialReadEndsWithAShortRead) {
    dir.writeFile("f.bin", "abcdef");
    ASSERT_EQ(k_file_read(FILE_OPEN, "f.bin", buffer, 4, &done, &block), 0);
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_EQ(k_file_read(FILE_TRANSFER, "f.bin", buffer, 4, &done, &block), -1);
    EXPECT_EQ(done, 2u);
    EXPECT_EQ(std::string(buffer, 2), "ef");
    EXPECT_EQ(block.state, FCB_CLOSED);
}

TEST_F(FileLayer, WriterEmptiesAnExistingFile) {
    dir.writeFile("f.bin", "old contents");
    ASSERT_EQ(k_file_write(FILE_OPEN, "f.bin", "new", 3, &done, &block), 0);
    ASSERT_EQ(k_file_write(FILE_TRANSFER, "f.bin", "er", 2, &done, &block), 0);
    ASSERT_EQ(k_file_write(FILE_CLOSE, "f.bin", nullptr, 0, &done, &block), 0);
    EXPECT_EQ(fileBytes("f.bin"), "newer");
}

TEST_F(FileLayer, WriterAppendsAfterAPositionedRead) {
    dir.writeFile("log.txt", "abc");
    ASSERT_EQ(k_file_rw(FILE_OPEN_ONLY, 1, "log.txt", nullptr, 0, 0, &done, &block), 0);
    ASSERT_EQ(k_file_rw(FILE_TRANSFER, 0, "log.txt", buffer, 2, 1, &done, &block), 0);
    ASSERT_EQ(k_file_write(FILE_TRANSFER, "log.txt", "de", 2, &done, &block), 0);
    ASSERT_EQ(closeBlock(), 0);
    EXPECT_EQ(fileBytes("log.txt"), "abcde");
}

TEST_F(FileLayer, WriterDoesNotCreateThroughADanglingLink) {
    std::filesystem::create_symlink(dir.path() / "elsewhere.txt", "link.txt");
    EXPECT_EQ(k_file_write(FILE_OPEN, "link.txt", "x", 1, &done, &block) & 0xFFFF0000, 0x200000);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "elsewhere.txt"));
}

TEST_F(FileLayer, DirectoryIsNotAFile) {
    std::filesystem::create_directory("sub");
    EXPECT_EQ(k_file_rw(FILE_OPEN_ONLY, 0, "sub", nullptr, 0, 0, &done, &block), 0x200005);
}

TEST_F(FileLayer, ShiftJisNamesBecomeUtf8OnDisk) {
    // "テスト.txt" in Shift-JIS
    const char* name = "\x83\x65\x83\x58\x83\x67.txt";
    ASSERT_EQ(k_file_write(FILE_OPEN, name, "x", 1, &done, &block), 0);
    ASSERT_EQ(k_file_write(FILE_CLOSE, name, nullptr, 0, &done, &block), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "テスト.txt"));
    // A lead byte without a valid trail byte has no UTF-8 form: invalid name.
    EXPECT_EQ(k_file_write(FILE_OPEN, "bad\x83.txt", "x", 1, &done, &block), 0x20007B);
}

}  // namespace
