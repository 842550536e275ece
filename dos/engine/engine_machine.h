// The MS-DOS machine behind the protocol engine: its command interpreter, its screen and its
// files. The engine owns every byte on the line; the machine only runs commands and moves file
// bytes, so velmo-dos (a directory under --root) and VELMOD.COM (INT 21h) differ only here.
//
// Text is Shift-JIS bytes as they cross the line, never NUL-terminated. One file is open at a
// time: the one a GET reads or the one a PUT writes.
#pragma once
#include <cstdint>

#include "wire/wire_format.h"  // the error codes of a refused frame

constexpr uint32_t FOUND_NAME_MAX = 512;

struct FoundFile {
    char name[FOUND_NAME_MAX];  // as the GET header carries it: the name without its directory
    uint32_t nameLength;
    uint32_t size;
    uint16_t dosDate;  // MS-DOS directory-entry date and time of the last write
    uint16_t dosTime;
};

// Where a command's output goes, line by line, as the machine produces it.
class CommandOutput {
  public:
    // One line without its line end, any length (the engine wraps it). false: stop producing,
    // velmo cancelled or the line failed.
    virtual bool line(const char* text, uint32_t length) = 0;

  protected:
    ~CommandOutput() = default;
};

enum class ExchangeKind : uint8_t { Command, ClearScreen, Get, Put };

enum class ExchangeEnd : uint8_t {
    Done,
    Refused,    // the frame was answered with the error code in `refusal`
    Cancelled,  // velmo ended it (NAK to an answer line, ESC 'E' in a transfer)
    Failed,     // this side gave up: a file could not be read or written
    Lost,       // the line failed, fell silent, or a stop was requested
};

// One exchange, for the machine to show: what ran and what it moved.
struct Exchange {
    ExchangeKind kind;
    const char* text;  // the command line or the frame's file name
    uint32_t textLength;
    ExchangeEnd end;  // meaningful in exchangeEnds only
    uint8_t refusal;
    uint32_t files;  // files moved completely
    uint32_t bytes;  // file bytes moved (wraps past 4 GiB)
};

class EngineMachine {
  public:
    // Plain commands.
    virtual void runCommand(const char* text, uint32_t length, CommandOutput& out) = 0;
    // The prompt after the last command ("A:\>"), at most `capacity` bytes; returns its length.
    virtual uint32_t prompt(char* out, uint32_t capacity) = 0;
    // "!cls": the command that clears the screen.
    virtual void clearScreen() = 0;

    // GET: the files a DOS name or wildcard stands for. 0 with the first file in *found, or
    // DOS_ERROR_NO_FILE, DOS_ERROR_PATH or DOS_ERROR_TEXT for the frame's answer.
    virtual uint8_t findFirst(const char* pattern, uint32_t length, FoundFile* found) = 0;
    virtual bool findNext(FoundFile* found) = 0;
    // Opens the file found last for reading; false when it has gone since (it is skipped).
    virtual bool openFound() = 0;
    // Up to `count` bytes, fewer only at the end of the file; -1 when reading failed.
    virtual int32_t readFile(uint8_t* buffer, uint32_t count) = 0;
    virtual void closeFile() = 0;

    // PUT: checks the frame's destination (empty: the current directory; a directory; or one
    // file name that every file of the transfer is written to). 0, or DOS_ERROR_PATH or
    // DOS_ERROR_TEXT for the frame's answer.
    virtual uint8_t preparePut(const char* destination, uint32_t length) = 0;
    // Starts the file a header names (the last component of the header's name, never empty,
    // never starting with "."), under a temporary name beside its final place: nothing appears
    // under the final name until commitFile. false when no such file can be made.
    virtual bool createFile(const char* name, uint32_t length) = 0;
    virtual bool writeFile(const uint8_t* bytes, uint32_t count) = 0;
    // Stamps the file with the header's MS-DOS date and time, closes it and renames it to its
    // final name, replacing a file there. false when it could not be put in place (the
    // temporary file is gone then).
    virtual bool commitFile(uint16_t dosDate, uint16_t dosTime) = 0;
    // Closes and removes an unfinished file; nothing when none is open.
    virtual void abandonFile() = 0;
    // Why the engine gave a transfer up on its own (the blocks broke the file's contract, or a
    // block went unanswered too often), for the screen; the engine removes the file itself.
    virtual void transferBroken(const char* /*reason*/) {}

    // Activity: exchangeStarts once a frame is accepted, before the command runs; exchangeEnds
    // for every frame answered, a refused one too.
    virtual void exchangeStarts(const Exchange&) {}
    virtual void exchangeEnds(const Exchange&) {}

    // Faults a test machine injects on the protocol path; a real machine injects none.
    // GET: send data block `number` (of its file; `attempt` 0 is its first send) with a wrong
    // checksum.
    virtual bool damageBlock(uint32_t /*number*/, uint32_t /*attempt*/) { return false; }
    // GET: never send data block `number` and go on as if it had been acknowledged, as a side
    // that takes a NAK for an ACK.
    virtual bool skipBlock(uint32_t /*number*/) { return false; }
    // PUT: answer a good data block `number` with NAK as if it had been damaged.
    virtual bool refuseBlock(uint32_t /*number*/) { return false; }

  protected:
    ~EngineMachine() = default;
};
