// The real MS-DOS machine behind the engine: commands through COMMAND.COM, files through
// INT 21h, the screen through DOS. A PUT writes each file under a unique temporary name beside
// its final place and renames it only when it is whole, so a failed or cancelled PUT leaves no
// half file under the final name.
#pragma once
#include <cstdint>

#include "dos/engine/engine_machine.h"
#include "dos_calls.h"
#include "dos_paths.h"
#include "machine_kind.h"
#include "text_buffer.h"

class DosMachine final : public EngineMachine {
  public:
    explicit DosMachine(MachineKind kind) : kind_(kind) {}

    void runCommand(const char* text, uint32_t length, CommandOutput& out) override;
    uint32_t prompt(char* out, uint32_t capacity) override;
    void clearScreen() override;

    uint8_t findFirst(const char* pattern, uint32_t length, FoundFile* found) override;
    bool findNext(FoundFile* found) override;
    bool openFound() override;
    int32_t readFile(uint8_t* buffer, uint32_t count) override;
    void closeFile() override;

    uint8_t preparePut(const char* destination, uint32_t length) override;
    bool createFile(const char* name, uint32_t length) override;
    bool writeFile(const uint8_t* bytes, uint32_t count) override;
    bool commitFile(uint16_t dosDate, uint16_t dosTime) override;
    void abandonFile() override;
    void transferBroken(const char* reason) override;

    void exchangeStarts(const Exchange& exchange) override;
    void exchangeEnds(const Exchange& exchange) override;

  private:
    // Records why a file operation failed, for the screen; returns false.
    bool fail(const char* what, const char* path, uint16_t error);
    void describe(FoundFile* found) const;
    // A drive letter that would make DOS ask for a disk swap: the reason goes to problem_.
    bool refuseSwapDrive(const char* path, uint32_t length);

    MachineKind kind_;
    TextBuffer problem_;
    uint32_t outputLines_ = 0;
    bool started_ = false;
    DosFindData findData_{};
    char directory_[DOS_PATH_MAX] = {};  // of the GET pattern or the PUT destination
    char finalName_[DOS_PATH_MAX] = {};  // PUT: the one file every file goes to, or empty
    char path_[DOS_PATH_MAX] = {};       // the file open now (GET) or its final path (PUT)
    char temporary_[DOS_PATH_MAX + 13] = {};
    bool fileOpen_ = false;
    uint16_t file_ = 0;
};
