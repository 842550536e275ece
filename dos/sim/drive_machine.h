// The simulated machine behind the protocol engine: drive A: under --root, the little command
// processor, and the faults of --corrupt-block and friends, injected where the engine asks.
#pragma once
#include <string>
#include <vector>

#include "dos/engine/engine_machine.h"
#include "dos/sim/dos_drive.h"
#include "dos/sim/dos_file_writer.h"
#include "dos/sim/dos_line.h"
#include "dos/sim/dos_options.h"

class DriveMachine final : public EngineMachine {
  public:
    DriveMachine(DosDrive& drive, DosLine& line, const DosFaults& faults)
        : drive_(drive), line_(line), faults_(faults) {}
    ~DriveMachine() { closeFile(); }
    DriveMachine(const DriveMachine&) = delete;
    DriveMachine& operator=(const DriveMachine&) = delete;

    void runCommand(const char* text, uint32_t length, CommandOutput& out) override;
    uint32_t prompt(char* out, uint32_t capacity) override;
    void clearScreen() override {}  // no screen of its own

    uint8_t findFirst(const char* pattern, uint32_t length, FoundFile* found) override;
    bool findNext(FoundFile* found) override;
    bool openFound() override;
    int32_t readFile(uint8_t* buffer, uint32_t count) override;
    void closeFile() override;

    uint8_t preparePut(const char* destination, uint32_t length) override;
    bool createFile(const char* name, uint32_t length) override;
    bool writeFile(const uint8_t* bytes, uint32_t count) override;
    bool commitFile(uint16_t dosDate, uint16_t dosTime) override;
    void abandonFile() override { writer_.abandon(); }

    void exchangeStarts(const Exchange& exchange) override;
    void exchangeEnds(const Exchange& exchange) override;
    bool damageBlock(uint32_t number, uint32_t attempt) override;
    bool refuseBlock(uint32_t number) override;
    bool skipBlock(uint32_t number) override;

  private:
    void describe(const DosEntry& entry, FoundFile* found) const;

    DosDrive& drive_;
    DosLine& line_;
    const DosFaults& faults_;
    // GET: the files found, the one being read, and the data blocks read in this transfer.
    std::vector<DosEntry> found_;
    std::vector<std::string> foundDirs_;
    size_t foundIndex_ = 0;
    int fd_ = -1;
    int64_t blocksRead_ = 0;
    // PUT: where files go (one fixed name, or each under its own), the file being written, and
    // the NAKs injected into it.
    std::vector<std::string> putDirs_;
    std::string putFixedName_;
    DosFileWriter writer_;
    int64_t naksInjected_ = 0;
};
