#include "driver/prm_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "console/link_context.h"
#include "support/temp_working_directory.h"

namespace {

std::unique_ptr<LinkContext> defaultContext() {
    auto ctx = std::make_unique<LinkContext>();
    a_ContextDefaults(ctx.get());
    return ctx;
}

class PrmReaderTest : public ::testing::Test {
  protected:
    // Reads `file` as "PRM232C.TXT" into a context that starts from the defaults.
    std::unique_ptr<LinkContext> readParameters(const std::string& file) {
        directory.writeFile("PRM232C.TXT", file);
        auto ctx = defaultContext();
        k_prm_read(ctx.get());
        return ctx;
    }

    TempWorkingDirectory directory;
};

struct NumberCase {
    const char* name;
    std::string file;
    int LinkContext::*field;
    int expected;
};

class PrmNumberTest : public PrmReaderTest, public ::testing::WithParamInterface<NumberCase> {};

TEST_P(PrmNumberTest, SetsOrKeepsTheField) {
    auto ctx = readParameters(GetParam().file);
    EXPECT_EQ(ctx.get()->*GetParam().field, GetParam().expected);
}

const NumberCase kNumberCases[] = {
    {"KeyInLowerCase", "com=3\r\n", &LinkContext::comPort, 3},
    {"BlankBeforeKey", " COM=3\r\n", &LinkContext::comPort, 1},
    {"BlanksAroundEquals", "COM = 3\r\n", &LinkContext::comPort, 1},
    {"BlankAfterEquals", "COM= 3\r\n", &LinkContext::comPort, 3},
    {"PortZero", "COM=0\r\n", &LinkContext::comPort, 1},
    {"PortTen", "COM=10\r\n", &LinkContext::comPort, 1},
    {"PortNotANumber", "COM=A\r\n", &LinkContext::comPort, 1},
    {"LastLineWithoutLineEnd", "COM=6", &LinkContext::comPort, 6},
    {"KeyGivenTwice", "COM=2\r\nCOM=4\r\n", &LinkContext::comPort, 4},
    {"EndOfFileMark",
     "COM=2\r\n\x1A"
     "COM=4\r\n",
     &LinkContext::comPort, 2},
    {"CommentWithKey", ";COM=4\r\n", &LinkContext::comPort, 1},
    {"EmptyLines", "\r\n\r\nCOM=7\r\n", &LinkContext::comPort, 7},
    {"PortMappingIsNotThePort", "COM1=/dev/ttyUSB0\r\n", &LinkContext::comPort, 1},
    // A line longer than 119 characters arrives in pieces, each read as a line of its own.
    {"PieceOfLongLine", std::string(119, 'x') + "COM=5\r\n", &LinkContext::comPort, 5},
    {"BaudRateWithRemark", "BAUDRATE=38400 fast cable\r\n", &LinkContext::baudRate, 38400},
    {"BaudRateLineTooShort", "BAUDRATE=9\r\n", &LinkContext::baudRate, 9600},
    {"BaudRateShortestLine", "BAUDRATE=96\r\n", &LinkContext::baudRate, 96},
    {"BaudRateZero", "BAUDRATE=00\r\n", &LinkContext::baudRate, 9600},
    {"BaudRateBeyondInt", "BAUDRATE=99999999999\r\n", &LinkContext::baudRate, 9600},
    {"TwoStopBits", "STOPBIT=2\r\n", &LinkContext::stopBits, 2},
    {"OneStopBit", "STOPBIT=2\r\nSTOPBIT=1\r\n", &LinkContext::stopBits, 0},
    {"ThreeStopBits", "STOPBIT=2\r\nSTOPBIT=3\r\n", &LinkContext::stopBits, 2},
    {"TimeoutInEighths", "TIMEOUT=10\r\n", &LinkContext::timeoutSetting, 80},
    {"TimeoutZero", "TIMEOUT=0\r\n", &LinkContext::timeoutSetting, 240},
    {"TimeoutTooLargeToCount", "TIMEOUT=999999999\r\n", &LinkContext::timeoutSetting, 240},
    {"VerifyOn", "VERIFY=5\r\n", &LinkContext::verifyOn, 1},
    {"VerifyOff", "VERIFY=5\r\nVERIFY=0\r\n", &LinkContext::verifyOn, 0},
    {"VerifyNegative", "VERIFY=5\r\nVERIFY=-1\r\n", &LinkContext::verifyOn, 1},
    {"VerifyNotANumber", "VERIFY=5\r\nVERIFY=X\r\n", &LinkContext::verifyOn, 1},
    {"BackColour", "BKCOLOR=0x00FF0000\r\n", &LinkContext::backColor, 0xFF0000},
    {"BackColourLowerCase", "bkcolor=0x00ff00ff\r\n", &LinkContext::backColor, 0xFF00FF},
    {"BackColourLineTooShort", "BKCOLOR=0xFF0000\r\n", &LinkContext::backColor, -1},
    {"BackColourAboveRange", "BKCOLOR=0x01000000\r\n", &LinkContext::backColor, -1},
    {"TextColour", "TEXTCOLOR=0x0000FF00\r\n", &LinkContext::textColor, 0xFF00},
    {"TextColourLineTooShort", "TEXTCOLOR=0x00FF00\r\n", &LinkContext::textColor, -1},
};

INSTANTIATE_TEST_SUITE_P(Keys, PrmNumberTest, ::testing::ValuesIn(kNumberCases),
                         [](const auto& row) { return std::string(row.param.name); });

struct CaptionCase {
    const char* name;
    std::string line;
    std::string expected;
};

class PrmCaptionTest : public PrmReaderTest, public ::testing::WithParamInterface<CaptionCase> {};

TEST_P(PrmCaptionTest, TakesTheCaptionAsWritten) {
    auto ctx = readParameters(GetParam().line + "\r\n");
    EXPECT_EQ(std::string(ctx->captionText), GetParam().expected);
}

const CaptionCase kCaptionCases[] = {
    {"Quoted", "CAPTION=\"My Link\"", "My Link"},
    {"WithoutClosingQuote", "CAPTION=\"My Link", "My Link"},
    {"LowerCaseKeyKeepsLetters", "caption=\"my link\" remark", "my link"},
    {"ShiftJisKept", "CAPTION=\"\x83\x65\x83\x58\x83\x67 Link\"", "\x83\x65\x83\x58\x83\x67 Link"},
    {"ShortestLine", "CAPTION=\"ab", "ab"},
    {"LineTooShort", "CAPTION=\"a", "Quandor for MS-DOS"},
    {"LongestCaption", "CAPTION=\"" + std::string(110, 'c'), std::string(110, 'c')},
};

INSTANTIATE_TEST_SUITE_P(Captions, PrmCaptionTest, ::testing::ValuesIn(kCaptionCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(PrmReaderTest, NoFileKeepsEveryDefault) {
    auto ctx = defaultContext();
    k_prm_read(ctx.get());
    auto expected = defaultContext();
    expected->ioOverlapped.portPaths = ctx->portPaths;
    EXPECT_EQ(std::memcmp(ctx.get(), expected.get(), sizeof(LinkContext)), 0);
}

TEST_F(PrmReaderTest, CaptionAndColoursChangeNothingElse) {
    auto ctx = readParameters(
        "; colours of the console\r\n"
        "CAPTION=\"Lab PC\"\r\n"
        "BKCOLOR=0x00102030\r\n"
        "TEXTCOLOR=0x00FFFFFF\r\n");
    auto expected = defaultContext();
    expected->ioOverlapped.portPaths = ctx->portPaths;
    std::memset(expected->captionText, 0, sizeof expected->captionText);
    std::strcpy(expected->captionText, "Lab PC");
    expected->backColor = 0x102030;
    expected->textColor = 0xFFFFFF;
    EXPECT_EQ(std::memcmp(ctx.get(), expected.get(), sizeof(LinkContext)), 0);
    EXPECT_STREQ(ctx->lines[0].text, "MS-DOS>");
}

TEST_F(PrmReaderTest, PortMappingKeepsThePathAsWritten) {
    auto ctx = readParameters(
        "COM1=/dev/ttyUSB0\r\n"
        "com3=/dev/serial/by-id/Usb-FTDI\r\n"
        "COM=3\r\n");
    EXPECT_STREQ(ctx->portPaths[1], "/dev/ttyUSB0");
    EXPECT_STREQ(ctx->portPaths[3], "/dev/serial/by-id/Usb-FTDI");
    EXPECT_STREQ(ctx->portPaths[2], "");
    EXPECT_EQ(ctx->comPort, 3);
    EXPECT_EQ(ctx->ioOverlapped.portPaths, ctx->portPaths);
}

TEST_F(PrmReaderTest, PortMappingOutsideOneToNineIsIgnored) {
    auto ctx = readParameters("COM0=/dev/null\r\nCOMX=/dev/null\r\nCOM10=/dev/null\r\n");
    for (const auto& path : ctx->portPaths) EXPECT_STREQ(path, "");
}

TEST_F(PrmReaderTest, LinuxLineEndsEndLinesAndPortPaths) {
    auto ctx = readParameters("COM1=/dev/ttyUSB0\nCOM2=/dev/ttyS1\rremark\n\nCOM=3\nTIMEOUT=10");
    EXPECT_STREQ(ctx->portPaths[1], "/dev/ttyUSB0");
    EXPECT_STREQ(ctx->portPaths[2], "/dev/ttyS1");
    EXPECT_EQ(ctx->comPort, 3);
    EXPECT_EQ(ctx->timeoutSetting, 80);
}

TEST_F(PrmReaderTest, DirectoryWithoutShiftJisNameStillHasItsFileRead) {
    const auto folder = directory.path() / "\xF0\x9F\x93\x81";  // an emoji: no Shift-JIS form
    std::filesystem::create_directory(folder);
    std::filesystem::current_path(folder);
    std::ofstream("PRM232C.TXT") << "COM=4\r\n";
    auto ctx = defaultContext();
    k_prm_read(ctx.get());
    std::filesystem::current_path(directory.path());
    EXPECT_EQ(ctx->comPort, 4);
}

// A file that is there but not read is told on the console before the first prompt, and every
// setting keeps its default.
void expectNotice(const LinkContext& ctx, const std::string& notice) {
    ASSERT_EQ(ctx.lineCount, 2);
    EXPECT_EQ(std::string(ctx.lines[0].text), notice);
    EXPECT_STREQ(ctx.lines[1].text, "MS-DOS>");
    EXPECT_EQ(ctx.comPort, 1);
}

TEST_F(PrmReaderTest, FileOver64KiBIsNotRead) {
    auto ctx = readParameters("COM=3\r\n" + std::string(64 * 1024, ';'));
    expectNotice(*ctx, "*PRM232C.TXT not read (larger than 64 KiB); default settings used");
}

TEST_F(PrmReaderTest, FileHeldByAnotherProgramIsToldOf) {
    directory.writeFile("PRM232C.TXT", "COM=3\r\n");
    const int held = open("PRM232C.TXT", O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    auto ctx = defaultContext();
    k_prm_read(ctx.get());
    close(held);
    expectNotice(*ctx, "*PRM232C.TXT not read (another program holds it); default settings used");
}

}  // namespace
