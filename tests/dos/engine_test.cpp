// The MS-DOS side's engine on a scripted machine over a real pseudo-terminal, for what velmo-dos's
// own tests cannot show: its machine has no screen, no activity display and a shell of its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <thread>

#include "dos/engine/block_sender.h"
#include "dos/engine/dos_engine.h"
#include "support/file_bytes.h"
#include "support/pty_pair.h"
#include "support/raw_line.h"
#include "wire/wire_format.h"

namespace {

constexpr uint32_t IDLE_MS = 2000;
constexpr int AWAIT_SLICE_MS = 20;

// The engine's end of the pseudo-terminal: blocking reads under poll, no pacing.
class PtyLine final : public EngineLine {
  public:
    explicit PtyLine(int fd) : fd_(fd) {}
    ~PtyLine() { close(fd_); }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;
    void stop() { stop_ = true; }

    LineRead read(uint8_t* buffer, uint32_t count, uint32_t idleMs) override {
        for (uint32_t got = 0; got < count;) {
            if (stop_) return LineRead::Stopped;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, int(idleMs)) <= 0) return LineRead::Timeout;
            const ssize_t n = ::read(fd_, buffer + got, count - got);
            if (n <= 0) return LineRead::Gone;
            got += uint32_t(n);
        }
        return LineRead::Ok;
    }
    LineRead awaitByte(uint8_t* byte) override {
        for (;;) {
            const LineRead result = read(byte, 1, AWAIT_SLICE_MS);
            if (result == LineRead::Ok || result == LineRead::Stopped) return result;
        }
    }
    bool write(const uint8_t* bytes, uint32_t count) override {
        for (uint32_t put = 0; put < count;) {
            const ssize_t n = ::write(fd_, bytes + put, count - put);
            if (n <= 0) return false;
            put += uint32_t(n);
        }
        return true;
    }

  private:
    int fd_;
    std::atomic<bool> stop_{false};
};

struct Ended {
    ExchangeKind kind;
    ExchangeEnd end;
    uint8_t refusal;
    uint32_t files;
    uint32_t bytes;
    bool operator==(const Ended&) const = default;
};

// Files in memory: "*.*" finds all of them, any other pattern the one of that name.
class ScriptMachine final : public EngineMachine {
  public:
    std::string promptText = "A:\\>";
    std::map<std::string, std::string> files;
    int screenClears = 0;
    int starts = 0;
    std::vector<Ended> ends;

    void runCommand(const char*, uint32_t, CommandOutput&) override { ADD_FAILURE(); }
    uint32_t prompt(char* out, uint32_t capacity) override {
        const size_t length = std::min(promptText.size(), size_t(capacity));
        promptText.copy(out, length);
        return uint32_t(length);
    }
    void clearScreen() override { ++screenClears; }

    uint8_t findFirst(const char* pattern, uint32_t length, FoundFile* found) override {
        const std::string name(pattern, length);
        found_.clear();
        for (const auto& [fileName, bytes] : files) {
            if (name == "*.*" || name == fileName) found_.push_back(fileName);
        }
        next_ = 0;
        return findNext(found) ? 0 : DOS_ERROR_NO_FILE;
    }
    bool findNext(FoundFile* found) override {
        if (next_ >= found_.size()) return false;
        reading_ = found_[next_++];
        found->nameLength = uint32_t(reading_.copy(found->name, FOUND_NAME_MAX));
        found->size = uint32_t(files[reading_].size());
        found->dosDate = k_dos_date(2000, 1, 15);
        found->dosTime = k_dos_time(12, 30, 0);
        return true;
    }
    bool openFound() override {
        readAt_ = 0;
        return true;
    }
    int32_t readFile(uint8_t* buffer, uint32_t count) override {
        const size_t got = files[reading_].copy(reinterpret_cast<char*>(buffer), count, readAt_);
        readAt_ += got;
        return int32_t(got);
    }
    void closeFile() override {}

    uint8_t preparePut(const char*, uint32_t) override { return 0; }
    bool createFile(const char* name, uint32_t length) override {
        writing_.assign(name, length);
        written_.clear();
        return true;
    }
    bool writeFile(const uint8_t* bytes, uint32_t count) override {
        written_.append(reinterpret_cast<const char*>(bytes), count);
        return true;
    }
    bool commitFile(uint16_t, uint16_t) override {
        files[writing_] = written_;
        return true;
    }
    void abandonFile() override {}

    void exchangeStarts(const Exchange&) override { ++starts; }
    void exchangeEnds(const Exchange& e) override {
        ends.push_back({e.kind, e.end, e.refusal, e.files, e.bytes});
    }

  private:
    std::vector<std::string> found_;
    size_t next_ = 0;
    std::string reading_;
    size_t readAt_ = 0;
    std::string writing_;
    std::string written_;
};

// The engine serving `machine` on a thread; the test plays velmo on velmo(). finish() stops
// the engine, after which the machine may be looked at.
class EngineRig {
  public:
    explicit EngineRig(ScriptMachine& machine)
        : line_(open(pty_.slavePath().c_str(), O_RDWR | O_NOCTTY)),
          velmo_(dup(pty_.master())),
          engine_([this, &machine] { dos_engine_serve(line_, machine, IDLE_MS); }) {}
    ~EngineRig() { finish(); }
    RawLine& velmo() { return velmo_; }
    void finish() {
        line_.stop();
        if (engine_.joinable()) engine_.join();
    }

  private:
    PtyPair pty_;
    PtyLine line_;
    RawLine velmo_;
    std::thread engine_;
};

// Takes a GET as velmo does, optionally echoing each block (`echo` may change the echo);
// returns the files received, by name.
std::map<std::string, std::string> receiveGet(RawLine& velmo,
                                              const std::function<void(Bytes&)>& echo = {}) {
    std::map<std::string, std::string> received;
    EXPECT_EQ(readBytes(velmo.fd(), 2), (Bytes{ESC, 'R'}));
    writeBytes(velmo.fd(), Bytes{ACK});
    std::string name;
    for (;;) {
        Bytes block = readBytes(velmo.fd(), 2);
        if (block == Bytes{ESC, 'E'} || block.size() < 2) return received;
        const Bytes rest = readBytes(velmo.fd(), 2);
        block.insert(block.end(), rest.begin(), rest.end());
        const Bytes body = readBytes(velmo.fd(), size_t(k_block_length(block.data())));
        block.insert(block.end(), body.begin(), body.end());
        if (echo) {
            Bytes echoed = block;
            echo(echoed);
            writeBytes(velmo.fd(), echoed);
            const bool same = readBytes(velmo.fd(), 1) == Bytes{ACK};
            writeBytes(velmo.fd(), Bytes{same ? ACK : NAK});
            if (!same) continue;  // the same block comes again
        } else {
            writeBytes(velmo.fd(), Bytes{ACK});
        }
        const std::string payload(block.begin() + BLOCK_PAYLOAD_OFFSET, block.end());
        if (block[1] == BLOCK_HEADER) {
            name = payload;
        } else {
            received[name] += payload;
        }
    }
}

TEST(DosEngine, ClearScreenClearsTheMachineAndAnswersOnlyThePrompt) {
    ScriptMachine machine;
    {
        EngineRig rig(machine);
        std::vector<std::string> lines;
        std::string prompt;
        ASSERT_EQ(rig.velmo().frame(0, "!cls"), Bytes{ACK});
        ASSERT_TRUE(rig.velmo().answer(&lines, &prompt));
        EXPECT_TRUE(lines.empty());
        EXPECT_EQ(prompt, "A:\\>");
    }
    EXPECT_EQ(machine.screenClears, 1);
    EXPECT_EQ(machine.ends, (std::vector<Ended>{{ExchangeKind::ClearScreen, ExchangeEnd::Done}}));
}

TEST(DosEngine, PromptTooLongForARecordKeepsItsDriveAndEndWithoutSplittingACharacter) {
    const std::string kanji = "\x95\x5C";  // its second byte is "\"
    std::string deep;
    for (int i = 0; i < 40; ++i) deep += kanji;
    ScriptMachine machine;
    machine.promptText = "A:\\" + deep + ">";  // 84 bytes
    EngineRig rig(machine);
    std::vector<std::string> lines;
    std::string prompt;
    ASSERT_EQ(rig.velmo().frame(0, "!cls"), Bytes{ACK});
    ASSERT_TRUE(rig.velmo().answer(&lines, &prompt));
    EXPECT_EQ(prompt, "A:\\..." + deep.substr(8) + ">");
}

TEST(DosEngine, EveryExchangeIsReportedWithWhatItMoved) {
    ScriptMachine machine;
    machine.files = {{"A.TXT", "abc"}, {"B.BIN", patterned(5000)}};
    {
        EngineRig rig(machine);
        ASSERT_EQ(rig.velmo().frame(COMMAND_GET, "*.*"), Bytes{ACK});
        EXPECT_EQ(receiveGet(rig.velmo()), machine.files);
        ASSERT_EQ(rig.velmo().frame(COMMAND_PUT, ""), Bytes{ACK});
        EXPECT_EQ(rig.velmo().putBlock(headerBlock("C.TXT", 2)), Bytes{ACK});
        EXPECT_EQ(rig.velmo().putBlock(dataBlock(BLOCK_LAST, 1, "xy")), Bytes{ACK});
        writeBytes(rig.velmo().fd(), Bytes{ESC, 'E'});
        EXPECT_EQ(rig.velmo().frame(COMMAND_GET, "NONE"), (Bytes{ESC, DOS_ERROR_NO_FILE}));
    }
    EXPECT_EQ(machine.files["C.TXT"], "xy");
    EXPECT_EQ(machine.starts, 2);
    EXPECT_EQ(machine.ends, (std::vector<Ended>{
                                {ExchangeKind::Get, ExchangeEnd::Done, 0, 2, 5003},
                                {ExchangeKind::Put, ExchangeEnd::Done, 0, 1, 2},
                                {ExchangeKind::Get, ExchangeEnd::Refused, DOS_ERROR_NO_FILE},
                            }));
}

TEST(DosEngine, PutHeaderWithoutAFileNameEndsThePutBeforeAnythingIsCreated) {
    ScriptMachine machine;
    EngineRig rig(machine);
    for (const std::string name : {"", "SUB\\", ".PROFILE", "A:..\\.X"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(rig.velmo().frame(COMMAND_PUT, ""), Bytes{ACK});
        EXPECT_EQ(rig.velmo().putBlock(headerBlock(name, 2)), (Bytes{ESC, 'E'}));
    }
    rig.finish();
    EXPECT_TRUE(machine.files.empty());
}

TEST(DosEngine, VerifiedGetEchoDifferingLateIsAnsweredNakAndTheBlockSentAgain) {
    ScriptMachine machine;
    machine.files = {{"A.BIN", patterned(1000)}};
    EngineRig rig(machine);
    ASSERT_EQ(rig.velmo().frame(COMMAND_GET | COMMAND_VERIFY, "A.BIN"), Bytes{ACK});
    int damaged = 0;
    const auto echo = [&damaged](Bytes& block) {
        // Past the first few hundred bytes, where a comparison in pieces must still look.
        if (block[1] != BLOCK_HEADER && damaged++ == 0) block[BLOCK_PAYLOAD_OFFSET + 900] ^= 1;
    };
    EXPECT_EQ(receiveGet(rig.velmo(), echo), machine.files);
    EXPECT_EQ(damaged, 2);
}

// A PUT whose blocks break the header's size or their order: the file is never put in place,
// and the block that breaks it is answered ESC 'E'.
struct BrokenPut {
    const char* name;
    uint32_t announced;
    std::vector<Bytes> blocks;  // all ACKed but the last
};

class DosEnginePutContract : public ::testing::TestWithParam<BrokenPut> {};

TEST_P(DosEnginePutContract, TheFileIsDroppedAndTheHostToldToStop) {
    ScriptMachine machine;
    {
        EngineRig rig(machine);
        ASSERT_EQ(rig.velmo().frame(COMMAND_PUT, ""), Bytes{ACK});
        ASSERT_EQ(rig.velmo().putBlock(headerBlock("DATA.BIN", GetParam().announced)), Bytes{ACK});
        const std::vector<Bytes>& blocks = GetParam().blocks;
        for (size_t i = 0; i + 1 < blocks.size(); ++i) {
            ASSERT_EQ(rig.velmo().putBlock(blocks[i]), Bytes{ACK}) << i;
        }
        EXPECT_EQ(rig.velmo().putBlock(blocks.back()), (Bytes{ESC, 'E'}));
    }
    EXPECT_TRUE(machine.files.empty());
    ASSERT_EQ(machine.ends.size(), 1u);
    EXPECT_EQ(machine.ends[0].end, ExchangeEnd::Failed);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DosEnginePutContract,
    ::testing::Values(
        BrokenPut{"ShortOfTheSize", 10000, {dataBlock(BLOCK_LAST, 1, "0123456789")}},
        BrokenPut{"PastTheSize", 3, {dataBlock(BLOCK_LAST, 1, "abcd")}},
        BrokenPut{
            "BlockSkipped", 6, {dataBlock(BLOCK_DATA, 1, "abc"), dataBlock(BLOCK_LAST, 3, "def")}},
        BrokenPut{"FirstBlockAgainWithOtherBytes",
                  6,
                  {dataBlock(BLOCK_DATA, 1, "abc"), dataBlock(BLOCK_DATA, 1, "xyz")}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(DosEngine, GetBlockRefusedOnEveryRepeatIsGivenUp) {
    ScriptMachine machine;
    machine.files = {{"A.BIN", "abc"}};
    {
        EngineRig rig(machine);
        RawLine& velmo = rig.velmo();
        ASSERT_EQ(velmo.frame(COMMAND_GET, "A.BIN"), Bytes{ACK});
        ASSERT_EQ(readBytes(velmo.fd(), 2), (Bytes{ESC, 'R'}));
        writeBytes(velmo.fd(), Bytes{ACK});
        readBytes(velmo.fd(), BLOCK_PAYLOAD_OFFSET + 5);  // the header, "A.BIN"
        writeBytes(velmo.fd(), Bytes{ACK});
        const Bytes data = dataBlock(BLOCK_LAST, 1, "abc");
        for (uint32_t send = 0; send <= BLOCK_REPEATS_MAX; ++send) {
            ASSERT_EQ(readBytes(velmo.fd(), data.size()), data) << send;
            writeBytes(velmo.fd(), Bytes{NAK});
        }
        EXPECT_EQ(readBytes(velmo.fd(), 2), (Bytes{ESC, 'E'}));
    }
    EXPECT_EQ(machine.ends, (std::vector<Ended>{{ExchangeKind::Get, ExchangeEnd::Failed}}));
}

}  // namespace
