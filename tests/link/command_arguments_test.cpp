// The two arguments of a file command, as the interpreter splits them.
#include "link/command_arguments.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct SplitCase {
    std::string command;
    std::string first;
    std::string second;
};

class ArgumentsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(ArgumentsTest, SplitsAtBlanksOutsideTheFirstQuotes) {
    char first[512];
    char second[512];
    const std::string& command = GetParam().command;
    k_command_arguments(command.c_str(), command.size(), first, second, sizeof first);
    EXPECT_EQ(std::string(first), GetParam().first);
    EXPECT_EQ(std::string(second), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ArgumentsTest,
    ::testing::Values(SplitCase{"#GET a.txt", "a.txt", ""},
                      SplitCase{"#GET    a.txt    b   ", "a.txt", "b"},
                      SplitCase{"#PUT \"my file.txt\" b:\\", "my file.txt", "b:\\"},
                      SplitCase{"#PUT \"a b\" \"c d\" e", "a b", "c d"},
                      SplitCase{"#PUT a\"b c\"d e", "ab cd", "e"},
                      // After the first pair of quotes a blank separates again.
                      SplitCase{"#PUT \"a\"\"b c\"", "ab", "c"}, SplitCase{"#PUT a b c", "a", "b"},
                      SplitCase{"#PUT", "", ""}, SplitCase{"#GET   ", "", ""}));

TEST(Arguments, LongArgumentIsCutToTheCapacity) {
    const std::string command = "#GET " + std::string(40, 'x') + " y";
    char first[8];
    char second[8];
    k_command_arguments(command.c_str(), command.size(), first, second, sizeof first);
    EXPECT_EQ(std::string(first), "xxxxxxx");
    EXPECT_EQ(std::string(second), "y");
}

TEST(Arguments, StopsAtTheLengthWithoutATerminator) {
    const char command[] = {'#', 'G', 'E', 'T', ' ', 'a', 'b', 'X'};
    char first[16];
    char second[16];
    k_command_arguments(command, 7, first, second, sizeof first);
    EXPECT_EQ(std::string(first), "ab");
}

}  // namespace
