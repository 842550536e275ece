#include "files/find_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "files/file_layer.h"
#include "support/temp_working_directory.h"

namespace {

// Every ordinary file a pattern yields, sorted (the enumeration order is the platform's).
std::vector<std::string> allFiles(const std::string& pattern) {
    FindContext ctx{};
    std::vector<std::string> found;
    char out[FIND_NAME_MAX];
    for (int mode = FIND_FIRST; k_NormalFileNameGet(mode, pattern.c_str(), out, &ctx) == 0;
         mode = FIND_NEXT) {
        found.push_back(out);
    }
    std::sort(found.begin(), found.end());
    return found;
}

struct MatchCase {
    const char* title;
    std::vector<std::string> files;  // UTF-8 names to create
    std::string pattern;             // Shift-JIS
    std::vector<std::string> expected;
};

// Test names in listings show the case's title, not its bytes.
void PrintTo(const MatchCase& c, std::ostream* os) {
    *os << c.title;
}

class FindFiles : public testing::TestWithParam<MatchCase> {
  protected:
    TempWorkingDirectory dir;
};

TEST_P(FindFiles, YieldsTheOrdinaryFilesThatMatch) {
    const MatchCase& c = GetParam();
    std::filesystem::create_directory("sub");
    for (const std::string& name : c.files) {
        const auto parent = std::filesystem::path(name).parent_path();
        if (!parent.empty()) std::filesystem::create_directories(parent);
        dir.writeFile(name, "x");
    }
    EXPECT_EQ(allFiles(c.pattern), c.expected);
}

// "表" is 0x95 0x5C in Shift-JIS: its second byte is a backslash.
INSTANTIATE_TEST_SUITE_P(
    Files, FindFiles,
    testing::Values(
        MatchCase{"StarDotExtension", {"a.txt", "b.TXT", "c.bin"}, "*.txt", {"a.txt", "b.TXT"}},
        MatchCase{"CaseInsensitive", {"ReadMe.Doc"}, "README.DOC", {"ReadMe.Doc"}},
        MatchCase{"QuestionMarkIsOneCharacter", {"ab.c", "abc.c"}, "a?.c", {"ab.c"}},
        MatchCase{
            "StarDotStarTakesNamesWithoutDot", {"Makefile", "x.y"}, "*.*", {"Makefile", "x.y"}},
        MatchCase{"StarDotTakesOnlyNamesWithoutDot", {"Makefile", "x.y"}, "*.", {"Makefile"}},
        MatchCase{"HiddenSkipped", {".secret.txt", "open.txt"}, "*.txt", {"open.txt"}},
        MatchCase{"DirectoryPartKept", {"sub/x.txt", "y.txt"}, "sub/*.txt", {"sub/x.txt"}},
        MatchCase{"QuestionMarkTakesDoubleByteCharacter",
                  {"表.txt", "ab.txt"},
                  "?.txt",
                  {"\x95\x5C.txt"}},
        MatchCase{"BackslashTrailByteInDirectory",
                  {"sub/表/x.txt"},
                  "sub/\x95\x5C/*.txt",
                  {"sub/\x95\x5C/x.txt"}},
        MatchCase{"NothingMatches", {"a.txt"}, "*.zip", {}},
        MatchCase{"MissingDirectory", {}, "nowhere/*", {}}),
    [](const auto& row) { return std::string(row.param.title); });

class FindFile : public testing::Test {
  protected:
    TempWorkingDirectory dir;
    FindContext ctx{};
    char out[FIND_NAME_MAX] = {};
};

TEST_F(FindFile, NothingFoundLeavesTheContextFresh) {
    EXPECT_EQ(k_NormalFileNameGet(FIND_FIRST, "*.none", out, &ctx), -1);
    EXPECT_EQ(ctx.state, FCB_FRESH);
}

TEST_F(FindFile, OnlyDirectoriesOrHiddenFilesGiveMinusOneAndClose) {
    std::filesystem::create_directory("data.d");
    dir.writeFile(".data.h", "x");
    EXPECT_EQ(k_NormalFileNameGet(FIND_FIRST, "*data*", out, &ctx), -1);
    EXPECT_EQ(ctx.state, FCB_CLOSED);
}

TEST_F(FindFile, ReadOnlyFileIsFound) {
    dir.writeFile("ro.txt", "x");
    chmod("ro.txt", 0444);
    uint32_t attributes = 0;
    const char* name = nullptr;
    ASSERT_EQ(k_FindFile_fnameget2(FIND_FIRST, "ro.txt", 0xA0, &attributes, &name, &ctx), 0);
    EXPECT_EQ(attributes, FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
    EXPECT_STREQ(name, "ro.txt");
    // A mask that takes only read-only entries still sees it; one for directories does not.
    EXPECT_EQ(k_FindFile_fnameget2(FIND_FIRST, "ro.txt", 0x01, &attributes, &name, &ctx), 0);
    EXPECT_EQ(k_FindFile_fnameget2(FIND_FIRST, "ro.txt", 0x10, &attributes, &name, &ctx), -1);
}

TEST_F(FindFile, ExactNameOnceThenEndThenNextIsRefused) {
    dir.writeFile("one.txt", "x");
    ASSERT_EQ(k_NormalFileNameGet(FIND_FIRST, "one.txt", out, &ctx), 0);
    EXPECT_STREQ(out, "one.txt");
    EXPECT_EQ(k_NormalFileNameGet(FIND_NEXT, "one.txt", out, &ctx), -1);
    EXPECT_EQ(ctx.state, FCB_CLOSED);
    EXPECT_EQ(k_NormalFileNameGet(FIND_NEXT, "one.txt", out, &ctx), 30);
}

TEST_F(FindFile, CloseReturnsMinusOneAndBadModeTen) {
    dir.writeFile("a.txt", "x");
    dir.writeFile("b.txt", "x");
    ASSERT_EQ(k_NormalFileNameGet(FIND_FIRST, "*.txt", out, &ctx), 0);
    EXPECT_EQ(k_NormalFileNameGet(FIND_CLOSE, "*.txt", out, &ctx), -1);
    EXPECT_EQ(ctx.state, FCB_CLOSED);
    EXPECT_EQ(k_NormalFileNameGet(3, "*.txt", out, &ctx), 10);
}

TEST_F(FindFile, ResultThatDoesNotFitIsRefused) {
    dir.writeFile("f.txt", "x");
    std::string pattern;
    while (pattern.size() < FIND_NAME_MAX - 4) pattern += "./";
    pattern += "*.txt";
    EXPECT_EQ(k_NormalFileNameGet(FIND_FIRST, pattern.c_str(), out, &ctx), 40);
    k_NormalFileNameGet(FIND_CLOSE, pattern.c_str(), out, &ctx);
}

TEST_F(FindFile, NameWithoutShiftJisFormIsSkipped) {
    dir.writeFile("\xF0\x9F\x98\x80.txt", "x");  // an emoji has no Shift-JIS form
    dir.writeFile("a〜b.txt", "x");  // U+301C: its Shift-JIS code would open "a～b.txt"
    dir.writeFile("plain.txt", "x");
    EXPECT_EQ(allFiles("*.txt"), std::vector<std::string>{"plain.txt"});
}

}  // namespace
