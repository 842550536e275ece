#include "files/text_line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_working_directory.h"

namespace {

struct LineCase {
    const char* title;
    std::string contents;
    int size;
    std::vector<std::string> lines;  // every line returned with result 0, then -1
};

// Test names in listings show the case's title, not its bytes.
void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.title;
}

std::vector<LineCase> lineCases() {
    const std::string long200(200, 'x');
    const std::string exact120(120, 'y');
    return {
        {"TwoCrLfLines", "hello\r\nworld\r\n", 120, {"hello", "world"}},
        {"EmptyLineIsNotEndOfFile", "\r\n\r\nz\r\n", 120, {"", "", "z"}},
        {"LoneLfIsText", "a\nb\n", 120, {"a\nb\n"}},
        {"LoneCrIsText", "a\rb\r\n", 120, {"a\rb"}},
        {"EofMarkAtLineStartEnds",
         "ab\r\n\x1A"
         "after\r\n",
         120,
         {"ab"}},
        {"EofMarkInsideLineIsText",
         "a\x1A"
         "b\r\n",
         120,
         {"a\x1A"
          "b"}},
        {"LastLineWithoutCrLf", "one\r\ntwo", 120, {"one", "two"}},
        {"FileEndsAfterCr", "one\r", 120, {"one"}},
        {"EmptyFile", "", 120, {}},
        {"LongLineInPieces",
         long200 + "\r\nnext\r\n",
         120,
         {std::string(119, 'x'), std::string(81, 'x'), "next"}},
        {"LineOfBufferSizeSplitsBeforeCrLf", exact120 + "\r\n", 120, {std::string(119, 'y'), "y"}},
        {"LongLastLineWithoutCrLf", long200, 120, {std::string(119, 'x'), std::string(81, 'x')}},
        {"SmallestBuffer", "ab\r\n", 2, {"a", "b"}},
    };
}

class TextLineReader : public testing::TestWithParam<LineCase> {
  protected:
    TempWorkingDirectory dir;
};

TEST_P(TextLineReader, ReturnsLinesThenEndOfFile) {
    const LineCase& c = GetParam();
    dir.writeFile("t.txt", c.contents);
    FileControlBlock block{};
    std::vector<char> line(c.size);
    int length = -1;
    int op = FILE_OPEN;
    for (const std::string& expected : c.lines) {
        ASSERT_EQ(k_text_lineget(op, "t.txt", line.data(), c.size, &length, &block), 0);
        EXPECT_EQ(std::string(line.data(), length), expected);
        EXPECT_EQ(line[length], '\0');
        op = FILE_TRANSFER;
    }
    EXPECT_EQ(k_text_lineget(op, "t.txt", line.data(), c.size, &length, &block), -1);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(block.state, FCB_CLOSED);
    // The reader closed the file itself: a further read is refused, a close accepted.
    EXPECT_EQ(k_text_lineget(FILE_TRANSFER, "t.txt", line.data(), c.size, &length, &block),
              0x4000001);
    EXPECT_EQ(k_text_lineget(FILE_CLOSE, "t.txt", line.data(), c.size, &length, &block), 0);
}

INSTANTIATE_TEST_SUITE_P(Files, TextLineReader, testing::ValuesIn(lineCases()),
                         [](const auto& row) { return std::string(row.param.title); });

TEST(TextLineReaderArguments, RefusesBadOpSizeAndMissingFile) {
    TempWorkingDirectory dir;
    dir.writeFile("t.txt", "x\r\n");
    FileControlBlock block{};
    char line[8];
    int length;
    EXPECT_EQ(k_text_lineget(5, "t.txt", line, 8, &length, &block), 0x1000005);
    EXPECT_EQ(k_text_lineget(FILE_OPEN, "t.txt", line, 1, &length, &block), 0x1200001);
    EXPECT_EQ(k_text_lineget(FILE_OPEN, "missing.txt", line, 8, &length, &block), 2);
}

TEST(TextLineReaderArguments, OpenOnlyThenReadAndEarlyClose) {
    TempWorkingDirectory dir;
    dir.writeFile("t.txt", "first\r\nsecond\r\n");
    FileControlBlock block{};
    char line[16];
    int length;
    ASSERT_EQ(k_text_lineget(FILE_OPEN_ONLY, "t.txt", line, 16, &length, &block), 0);
    ASSERT_EQ(k_text_lineget(FILE_TRANSFER, "t.txt", line, 16, &length, &block), 0);
    EXPECT_STREQ(line, "first");
    EXPECT_EQ(block.position, 7u);
    EXPECT_EQ(k_text_lineget(FILE_CLOSE, "t.txt", line, 16, &length, &block), 0);
    EXPECT_EQ(block.state, FCB_CLOSED);
}

}  // namespace
