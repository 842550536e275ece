// The MS-DOS side's engine, with whatever velmo sends: frames, answers, blocks, echoes and
// verdicts of any length and content. The machine holds one file for a GET, takes what a PUT
// stores without keeping it, and checks that the engine never leaves a file half written.
//
// The input is the whole line: a read past its end times out, and the wait for the next
// command then finds a stop request, so every run ends.
#include <algorithm>
#include <cstring>

#include "dos/engine/dos_engine.h"
#include "fuzz_support.h"
#include "wire/wire_format.h"

namespace {

constexpr uint32_t FILE_SIZE = 5000;  // a data block and a last block
constexpr char FILE_NAME[] = "FILE.BIN";
constexpr uint32_t PROMPT_MAX = 200;

class InputLine final : public EngineLine {
  public:
    InputLine(const uint8_t* input, size_t size) : input_(input), size_(size) {}

    LineRead read(uint8_t* buffer, uint32_t count, uint32_t) override {
        if (count > size_ - at_) {
            at_ = size_;
            return LineRead::Timeout;
        }
        std::memcpy(buffer, input_ + at_, count);
        at_ += count;
        return LineRead::Ok;
    }
    LineRead awaitByte(uint8_t* byte) override {
        return read(byte, 1, 0) == LineRead::Ok ? LineRead::Ok : LineRead::Stopped;
    }
    bool write(const uint8_t*, uint32_t) override { return true; }

  private:
    const uint8_t* input_;
    size_t size_;
    size_t at_ = 0;
};

class OneFileMachine final : public EngineMachine {
  public:
    // Every command answers with its own text, and the prompt grows with it: both reach the
    // engine's wrapping and shortening with any bytes.
    void runCommand(const char* text, uint32_t length, CommandOutput& out) override {
        lastCommand_ = std::min(length, PROMPT_MAX);
        std::memcpy(command_, text, lastCommand_);
        out.line(text, length);
    }
    uint32_t prompt(char* out, uint32_t capacity) override {
        const uint32_t length = std::min(lastCommand_ + 3, capacity);
        std::memcpy(out, "A:\\", 3);
        std::memcpy(out + 3, command_, length - 3);
        return length;
    }
    void clearScreen() override {}

    uint8_t findFirst(const char*, uint32_t length, FoundFile* found) override {
        if (length == 0) return DOS_ERROR_NO_FILE;
        std::memcpy(found->name, FILE_NAME, sizeof FILE_NAME - 1);
        found->nameLength = sizeof FILE_NAME - 1;
        found->size = FILE_SIZE;
        found->dosDate = 0;
        found->dosTime = 0;
        return 0;
    }
    bool findNext(FoundFile*) override { return false; }
    bool openFound() override {
        readAt_ = 0;
        return true;
    }
    int32_t readFile(uint8_t* buffer, uint32_t count) override {
        const uint32_t got = std::min(count, FILE_SIZE - readAt_);
        for (uint32_t i = 0; i < got; ++i) buffer[i] = uint8_t((readAt_ + i) * 7);
        readAt_ += got;
        return int32_t(got);
    }
    void closeFile() override {}

    uint8_t preparePut(const char*, uint32_t) override { return 0; }
    bool createFile(const char* name, uint32_t length) override {
        fuzz_check(length > 0 && name[0] != '.', "a PUT file name empty or starting with a dot");
        fileOpen_ = true;
        return true;
    }
    bool writeFile(const uint8_t*, uint32_t count) override {
        fuzz_check(fileOpen_ && count <= uint32_t(BLOCK_PAYLOAD_MAX), "a write outside a file");
        return true;
    }
    bool commitFile(uint16_t, uint16_t) override {
        fuzz_check(fileOpen_, "a commit outside a file");
        fileOpen_ = false;
        return true;
    }
    void abandonFile() override { fileOpen_ = false; }

    void exchangeEnds(const Exchange&) override {
        fuzz_check(!fileOpen_, "an exchange ended with a PUT file still open");
    }

  private:
    char command_[PROMPT_MAX];
    uint32_t lastCommand_ = 0;
    uint32_t readAt_ = 0;
    bool fileOpen_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > FUZZ_INPUT_MAX) return -1;
    InputLine line(data, size);
    OneFileMachine machine;
    dos_engine_serve(line, machine, 0);
    return 0;
}
