// A mebibyte of random bytes pours in while velmo is idle, in the middle of a text answer and
// in the middle of a GET: no crash, no wait beyond the time-out, and velmo takes the next
// command. A command that meets the noise may fail; one after it must be answered.
#include <gtest/gtest.h>

#include <chrono>

#include "fault_rig.h"
#include "support/temp_working_directory.h"

namespace {

using namespace fault;
using std::chrono::steady_clock;

constexpr size_t NOISE_SIZE = 1 << 20;
constexpr int TIMEOUT_SECONDS = 1;
constexpr auto SETTLE = std::chrono::milliseconds(1500);  // beyond either side's time-out

class NoiseFlood : public ::testing::Test {
  protected:
    // Everything velmo finds at its start: its settings, and the files of drive A:.
    const fs::path& prepare() {
        fs::create_directories(velmoDir / "in");
        for (int i = 0; i < 12; ++i) {
            writeFile(work.path() / "A" / ("FILE" + std::to_string(i) + ".TXT"), "text\r\n");
        }
        writeFile(work.path() / "A" / "DATA.BIN", source);
        writeSettings(velmoDir, relay.velmoDevice(), TIMEOUT_SECONDS);
        return velmoDir;
    }

    // Runs `command` and waits for its end: true when `success` was shown, false after an
    // error line. A command takes no longer than a few time-outs.
    bool run(const std::string& command, const std::string& success) {
        const int errors = countLines(velmo.output(), "-error, code=0x");
        const int successes = countLines(velmo.output(), success);
        velmo.type(command);
        const auto deadline = steady_clock::now() + std::chrono::seconds(10);
        while (steady_clock::now() < deadline) {
            const std::string transcript = velmo.output();
            if (countLines(transcript, success) > successes) return true;
            if (countLines(transcript, "-error, code=0x") > errors) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ADD_FAILURE() << command << " did not end within 10 s";
        return false;
    }

    // The noise ends when velmo has taken it all, or when it has taken nothing for a while
    // (the rest is lost, as on an overrun line). Then both ends get a time-out to settle.
    void waitForNoiseToEnd() {
        const auto deadline = steady_clock::now() + std::chrono::seconds(60);
        while (!relay.injectionDone() && steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ASSERT_TRUE(relay.injectionDone());
        EXPECT_GT(relay.noiseDelivered(), 0u) << "no noise reached velmo";
        std::this_thread::sleep_for(SETTLE);
    }

    // Ready again: a plain command is answered. One may still meet the MS-DOS side half-way
    // through a frame broken by the noise; it gives up after its own time-out.
    void expectReadyAgain() {
        bool answered = false;
        for (int attempt = 0; attempt < 3 && !answered; ++attempt) {
            answered = run("ver", "Velmo-DOS Version");
            if (!answered) std::this_thread::sleep_for(SETTLE);
        }
        EXPECT_TRUE(answered) << velmo.output();
        const int status = velmo.finish();
        EXPECT_TRUE(status == 0 || status == 1) << "velmo ended with " << status;
    }

    TempWorkingDirectory work;
    const fs::path velmoDir = work.path() / "velmo";
    const std::string source = randomBytes(7, 20000);
    DosProcess dos{work.path() / "A", work.path() / "COM1", {"--timeout", "1"}};
    CorruptingRelay relay{work.path() / "COM1", LineDamage{}};
    BatchVelmo velmo{prepare()};
};

TEST_F(NoiseFlood, WhileIdle) {
    ASSERT_TRUE(run("ver", "Velmo-DOS Version")) << velmo.output();
    relay.injectTowardVelmo(randomBytes(8, NOISE_SIZE));
    waitForNoiseToEnd();
    expectReadyAgain();
}

TEST_F(NoiseFlood, DuringTextAnswer) {
    relay.injectTowardVelmo(randomBytes(9, NOISE_SIZE), 100);
    velmo.type("dir");
    waitForNoiseToEnd();
    expectReadyAgain();
}

TEST_F(NoiseFlood, DuringGet) {
    relay.injectTowardVelmo(randomBytes(10, NOISE_SIZE), 5000);
    velmo.type("#GET DATA.BIN in/");
    waitForNoiseToEnd();
    expectReadyAgain();
    const std::string transcript = velmo.output();
    const fs::path received = velmoDir / "in" / "DATA.BIN";
    if (countLines(transcript, "-END-") == 1) {
        EXPECT_TRUE(sameBytes(readFile(received), source));
    } else if (fs::exists(received)) {
        EXPECT_EQ(countLines(transcript, "*Incomplete: DATA.BIN"), 1) << transcript;
    }
}

}  // namespace
