// velmo as a user runs it: the real program as a child process in the current directory, with
// a script on standard input and standard output and error kept in files beside it.
#pragma once
#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

struct Finished {
    int status;  // the exit status, or 128 + the signal
    std::string out;
    std::string err;
};

// Standard input kept open as a pipe, for typing into velmo while it runs.
struct TypedInput {};

class VelmoProcess {
  public:
    VelmoProcess(const std::vector<std::string>& args, const std::string& input);
    VelmoProcess(const std::vector<std::string>& args, TypedInput);
    ~VelmoProcess();
    VelmoProcess(const VelmoProcess&) = delete;
    VelmoProcess& operator=(const VelmoProcess&) = delete;

    void interrupt() const;
    // Writes to velmo's standard input (TypedInput only).
    void type(const std::string& text) const;
    std::string outputSoFar() const;
    // Waits for the end, killing velmo after `seconds`.
    Finished wait(int seconds = 120);

  private:
    void start(const std::vector<std::string>& args, int input);

    std::filesystem::path in_ = std::filesystem::current_path() / ".velmo-stdin";
    std::filesystem::path out_ = std::filesystem::current_path() / ".velmo-stdout";
    std::filesystem::path err_ = std::filesystem::current_path() / ".velmo-stderr";
    pid_t pid_ = -1;
    int typed_ = -1;  // the pipe's end of TypedInput
};

inline Finished runVelmo(const std::vector<std::string>& args, const std::string& input = "") {
    return VelmoProcess(args, input).wait();
}

std::vector<std::string> linesOf(const std::string& text);
