#include "files/dos_name_match.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
    const char* pattern;
    const char* name;
    bool matches;
};

class DosNameMatch : public testing::TestWithParam<NameCase> {};

TEST_P(DosNameMatch, FollowsMsDosEntryForm) {
    const NameCase& c = GetParam();
    EXPECT_EQ(k_dos_name_match(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

// "\x82\xA0" is a double-byte character; "\x83\x61" and "\x83\x41" two whose second bytes are
// "a" and "A".
INSTANTIATE_TEST_SUITE_P(
    Rules, DosNameMatch,
    testing::Values(NameCase{"???.TXT", "AB.TXT", true}, NameCase{"???.TXT", "ABCD.TXT", false},
                    NameCase{"FILE?.TXT", "FILE.TXT", true},
                    NameCase{"????????.???", "AB.TXT", true},
                    NameCase{"A*B.TXT", "ALPHA.TXT", true}, NameCase{"*.TXT", "A.BIN", false},
                    NameCase{"*", "MAKEFILE", true}, NameCase{"*", "A.TXT", false},
                    NameCase{"*.*", "A", true}, NameCase{"LONGFILENAME.TXT", "LONGFILE.TXT", true},
                    NameCase{"README.TEXT", "README.TEX", true},
                    NameCase{"readme.tex", "README.TEX", true}, NameCase{"A.TXT", "B.TXT", false},
                    // Cut to 8 bytes without halving a character: 1 + 3 x 2 bytes are left.
                    NameCase{"A\x82\xA0\x82\xA0\x82\xA0\x82\xA0.TXT",
                             "A\x82\xA0\x82\xA0\x82\xA0.TXT", true},
                    NameCase{"\x83\x61.TXT", "\x83\x41.TXT", false}));

}  // namespace
