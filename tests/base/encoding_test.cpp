#include "base/encoding.h"

#include <gtest/gtest.h>

#include <string>

#include "base/messages.h"

namespace {

struct RoundTrip {
    const char* utf8;
    std::string cp932;
};

void PrintTo(const RoundTrip& c, std::ostream* os) {
    *os << c.utf8;
}

class EncodingRoundTrip : public testing::TestWithParam<RoundTrip> {};

TEST_P(EncodingRoundTrip, BothDirections) {
    std::string out;
    ASSERT_TRUE(k_cp932_from_utf8(GetParam().utf8, &out));
    EXPECT_EQ(out, GetParam().cp932);
    ASSERT_TRUE(k_utf8_from_cp932(GetParam().cp932, &out));
    EXPECT_EQ(out, GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Core, EncodingRoundTrip,
                         testing::Values(RoundTrip{"", ""},
                                         RoundTrip{"MS-DOS> dir \\ ~", "MS-DOS> dir \\ ~"},
                                         RoundTrip{"表示", "\x95\x5C\x8E\xA6"},
                                         RoundTrip{"ｱｲ", "\xB1\xB2"},
                                         RoundTrip{"①髙", "\x87\x40\xFB\xFC"}));

TEST(Encoding, UnconvertibleInputFailsWithThePrefixConverted) {
    std::string out;
    EXPECT_FALSE(k_cp932_from_utf8("ab\xF0\x9F\x98\x80", &out));  // emoji
    EXPECT_EQ(out, "ab");
    EXPECT_FALSE(k_utf8_from_cp932("ok\x81", &out));  // lead byte without trail
    EXPECT_EQ(out, "ok");
    EXPECT_FALSE(k_cp932_from_utf8("\xC3", &out));  // broken UTF-8
}

struct InertCase {
    std::string cp932;
    const char* shown;
};

void PrintTo(const InertCase& c, std::ostream* os) {
    *os << c.shown;
}

class InertText : public testing::TestWithParam<InertCase> {};

TEST_P(InertText, NoControlCharacterGetsThrough) {
    const std::string shown = k_utf8_inert(GetParam().cp932);
    EXPECT_EQ(shown, GetParam().shown);
    for (size_t i = 0; i < shown.size(); ++i) {
        const auto b = static_cast<unsigned char>(shown[i]);
        EXPECT_TRUE(b == '\t' || (b >= 0x20 && b != 0x7F)) << "byte " << i;
        if (b == 0xC2 && i + 1 < shown.size()) {
            EXPECT_FALSE(static_cast<unsigned char>(shown[i + 1]) <= 0x9F) << "C1 at " << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Core, InertText,
    testing::Values(InertCase{"plain\ttab", "plain\ttab"},
                    InertCase{"\x1B[2J\r\n\x7F", "^[[2J^M^J^?"},
                    InertCase{std::string("nul\0end", 7), "nul^@end"},
                    InertCase{"\x80\xA0\xFD\xFF", "\\x80\\xA0\\xFD\\xFF"},
                    InertCase{"\x95\x5C\x81\x40", "表　"},  // lead bytes 0x81-0x9F are text
                    InertCase{"\x83\x1B", "\\x83^["},       // a lead byte without its trail
                    InertCase{"tail\x83", "tail\\x83"}, InertCase{"\xB1", "ｱ"}));

TEST(Messages, TextsAreShiftJisWithOneBackslash) {
    std::string utf8;
    ASSERT_TRUE(k_utf8_from_cp932(k_message(Message::Cancelled), &utf8));
    EXPECT_EQ(utf8, "*処理を中断しました。");
    ASSERT_TRUE(k_utf8_from_cp932(k_message(Message::PutUsage), &utf8));
    EXPECT_EQ(utf8, "*Usage : #PUT Windows側ファイル名 [MS-DOS側ファイル名/ディレクトリ名\\] [/V]");
    const std::string getUsage = k_message(Message::GetUsage);
    EXPECT_EQ(getUsage.find("\\] [/V]"), getUsage.size() - 7);
    EXPECT_EQ(k_message(Message::GetPurpose), k_message(Message::GetPurpose));  // converted once
}

}  // namespace
