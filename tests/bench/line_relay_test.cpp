// The relay run as the benchmark runs it: real programs on both pseudo-terminals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_working_directory.h"

namespace {

namespace fs = std::filesystem;

struct RelayRun {
    int exitStatus = -1;
    std::map<std::string, std::string> report;  // the key=value pairs of its one line
};

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

RelayRun runRelay(const std::vector<std::string>& arguments) {
    std::string command = BENCH_BIN_DIR "/bench_line_relay";
    for (const std::string& argument : arguments) command += " " + quoted(argument);
    RelayRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char line[512] = {};
    std::string text = std::fgets(line, sizeof line, pipe) ? line : "";
    int status = pclose(pipe);
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream fields(text);
    for (std::string field; fields >> field;) {
        size_t equals = field.find('=');
        if (equals != std::string::npos)
            run.report[field.substr(0, equals)] = field.substr(equals + 1);
    }
    return run;
}

std::string randomFile(const fs::path& path, size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string content(size, '\0');
    for (char& c : content) c = char(random());
    std::ofstream(path, std::ios::binary) << content;
    return content;
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class RelayCarries : public testing::TestWithParam<int> {};

TEST_P(RelayCarries, BothDirectionsUnchangedAndCounted) {
    TempWorkingDirectory dir;
    std::string toRight = randomFile(dir.path() / "a.bin", 8000, 1);
    std::string toLeft = randomFile(dir.path() / "b.bin", 3000, 2);
    std::string d = quoted(dir.path().string());
    RelayRun run =
        runRelay({"--rate", std::to_string(GetParam()), "--limit", "60", "--left",
                  "cd " + d + " && cat a.bin && head -c 3000 > from_right.bin", "--right",
                  "cd " + d + " && head -c 8000 > from_left.bin && cat b.bin"});
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(run.report["left_status"], "0");
    EXPECT_EQ(run.report["right_status"], "0");
    EXPECT_EQ(run.report["timed_out"], "0");
    EXPECT_EQ(run.report["left_to_right"], "8000");
    EXPECT_EQ(run.report["right_to_left"], "3000");
    EXPECT_TRUE(contentOf(dir.path() / "from_left.bin") == toRight);
    EXPECT_TRUE(contentOf(dir.path() / "from_right.bin") == toLeft);
}

INSTANTIATE_TEST_SUITE_P(UnpacedAndPaced, RelayCarries, testing::Values(0, 115200));

TEST(Relay, StopsAProgramThatOutlivesTheLimitAndSaysSo) {
    RelayRun run = runRelay({"--limit", "0.3", "--left", "exec sleep 30", "--right", "true"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.report["timed_out"], "1");
    EXPECT_EQ(run.report["left_status"], "143");  // SIGTERM
    EXPECT_EQ(run.report["right_status"], "0");
}

TEST(Relay, ReportsAFailingProgram) {
    RelayRun run = runRelay({"--left", "exit 3", "--right", "true"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.report["left_status"], "3");
    EXPECT_EQ(run.report["timed_out"], "0");
}

TEST(Relay, RefusesBadUsage) {
    EXPECT_EQ(runRelay({"--left", "true"}).exitStatus, 2);
    EXPECT_EQ(runRelay({"--rate", "fast", "--left", "true", "--right", "true"}).exitStatus, 2);
}

// The comparison the benchmark makes: lrzsz's sz and rz on the two ends of a paced line. sz
// flushes its terminal as it exits, which on a pseudo-terminal throws away its closing "OO";
// rz then waits 30 s for it. The file is complete once sz has ended, so that is what counts.
TEST(Relay, CarriesAZmodemTransferAtAPacedRate) {
    if (access("/usr/bin/sz", X_OK) != 0 || access("/usr/bin/rz", X_OK) != 0)
        GTEST_SKIP() << "lrzsz is not installed";
    TempWorkingDirectory dir;
    fs::create_directory(dir.path() / "out");
    std::string content = randomFile(dir.path() / "z.bin", 20000, 3);
    std::string d = quoted(dir.path().string());
    RelayRun run =
        runRelay({"--rate", "115200", "--limit", "8", "--left", "cd " + d + " && exec sz -q z.bin",
                  "--right", "cd " + d + "/out && exec rz -q -y"});
    EXPECT_EQ(run.report["left_status"], "0");
    EXPECT_TRUE(contentOf(dir.path() / "out" / "z.bin") == content);
}

}  // namespace
