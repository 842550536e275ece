// velmo's side of the cable played byte by byte, for tests about what crosses the line: the
// frames, answers and blocks velmo sends, checked against the MS-DOS side's answers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class DosMachine;

using Bytes = std::vector<uint8_t>;

class RawLine {
  public:
    explicit RawLine(const DosMachine& machine);
    explicit RawLine(int fd);  // takes over `fd`
    ~RawLine();
    RawLine(const RawLine&) = delete;
    RawLine& operator=(const RawLine&) = delete;

    // Sends a CommandFrame; returns the answer after the text: {ACK} or {ESC, code}.
    Bytes frame(uint8_t flags, const std::string& text, const std::string& copy = {});
    // Reads a plain answer: its lines and its prompt. Answers NAK to record `cancelAt`
    // (counted from 0) and then expects ESC 'E' at once.
    bool answer(std::vector<std::string>* lines, std::string* prompt, int cancelAt = -1);
    std::vector<std::string> command(const std::string& text, std::string* prompt);
    // Sends a PUT block and reads the one-byte answer (no verification).
    Bytes putBlock(const Bytes& block);

    bool quiet(int ms);
    int fd() const { return fd_; }

  private:
    int fd_;
};

Bytes headerBlock(const std::string& name, uint32_t size);
Bytes dataBlock(uint8_t type, uint32_t number, const std::string& payload);
