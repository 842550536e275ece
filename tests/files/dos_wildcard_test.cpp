#include "files/dos_wildcard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

struct WildcardCase {
    const char* pattern;
    const char* name;
    bool matches;
};

class DosWildcard : public testing::TestWithParam<WildcardCase> {};

TEST_P(DosWildcard, FollowsTheDosRules) {
    const WildcardCase& c = GetParam();
    EXPECT_EQ(k_dos_wildcard_match(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

// "\x83\x61" and "\x83\x41" are two katakana whose second bytes are "a" and "A".
INSTANTIATE_TEST_SUITE_P(
    Rules, DosWildcard,
    testing::Values(WildcardCase{"*.txt", "A.TXT", true}, WildcardCase{"a?c", "abc", true},
                    WildcardCase{"a?c",
                                 "a\x83\x61"
                                 "c",
                                 true},
                    WildcardCase{"a??c",
                                 "a\x83\x61"
                                 "c",
                                 false},
                    WildcardCase{"\x83\x61", "\x83\x41", false}, WildcardCase{"*b*b", "abab", true},
                    WildcardCase{"*b*b", "abba", false}, WildcardCase{"x.*", "x", true},
                    WildcardCase{"x.*", "x.y", true}, WildcardCase{"*.", "makefile", true},
                    WildcardCase{"*.", "x.y", false}, WildcardCase{"*", "", true},
                    WildcardCase{"???.TXT", "AB.TXT", true},
                    WildcardCase{"???.TXT", "ABCD.TXT", false}, WildcardCase{"A??", "A", true},
                    WildcardCase{"A?B", "A.B", false}));

TEST(DosWildcardTime, ManyStarsAgainstALongNameEndQuickly) {
    // Guards against a hang only (backtracking took hours here); the match takes microseconds.
    alarm(10);
    EXPECT_FALSE(k_dos_wildcard_match("*a*a*a*a*a*a*b", std::string(200, 'a').c_str()));
    EXPECT_TRUE(k_dos_wildcard_match("*a*a*a*a*a*a*a", std::string(200, 'a').c_str()));
    alarm(0);
}

}  // namespace
