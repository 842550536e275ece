#include "files/dos_wildcard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "files/dos_name_match.h"

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

// MS-DOS's own rule, on the 8.3 form of its directory entries.
class DosNameMatch : public testing::TestWithParam<WildcardCase> {};

TEST_P(DosNameMatch, FollowsMsDosEntryForm) {
    const WildcardCase& c = GetParam();
    EXPECT_EQ(k_dos_name_match(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

// "\x82\xA0" is a double-byte character.
INSTANTIATE_TEST_SUITE_P(
    Rules, DosNameMatch,
    testing::Values(
        WildcardCase{"???.TXT", "AB.TXT", true}, WildcardCase{"???.TXT", "ABCD.TXT", false},
        WildcardCase{"FILE?.TXT", "FILE.TXT", true}, WildcardCase{"????????.???", "AB.TXT", true},
        WildcardCase{"A*B.TXT", "ALPHA.TXT", true}, WildcardCase{"*.TXT", "A.BIN", false},
        WildcardCase{"*", "MAKEFILE", true}, WildcardCase{"*", "A.TXT", false},
        WildcardCase{"*.*", "A", true}, WildcardCase{"LONGFILENAME.TXT", "LONGFILE.TXT", true},
        WildcardCase{"README.TEXT", "README.TEX", true},
        WildcardCase{"readme.tex", "README.TEX", true}, WildcardCase{"A.TXT", "B.TXT", false},
        // Cut to 8 bytes without halving a character: 1 + 3 x 2 bytes are left.
        WildcardCase{"A\x82\xA0\x82\xA0\x82\xA0\x82\xA0.TXT", "A\x82\xA0\x82\xA0\x82\xA0.TXT",
                     true},
        WildcardCase{"\x83\x61.TXT", "\x83\x41.TXT", false}));

TEST(DosWildcardTime, ManyStarsAgainstALongNameEndQuickly) {
    // Guards against a hang only (backtracking took hours here); the match takes microseconds.
    alarm(10);
    EXPECT_FALSE(k_dos_wildcard_match("*a*a*a*a*a*a*b", std::string(200, 'a').c_str()));
    EXPECT_TRUE(k_dos_wildcard_match("*a*a*a*a*a*a*a", std::string(200, 'a').c_str()));
    alarm(0);
}

}  // namespace
