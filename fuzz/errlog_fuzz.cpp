// The error log's configuration: the environment and "ERRLOG.TXT", both from the input.
//
// The input up to its first NUL is the environment, one entry per line; the rest is the file.
// The process's own environment is put back after every run.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "files/errlog_config.h"
#include "files/reporter.h"
#include "fuzz_support.h"

extern char** environ;

namespace {

// Entries of the environment the reporter is to see, as an environ array.
class FuzzEnvironment {
  public:
    explicit FuzzEnvironment(const std::string& text) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            entries_.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        for (std::string& entry : entries_) pointers_.push_back(entry.data());
        pointers_.push_back(nullptr);
        saved_ = environ;
        environ = pointers_.data();
    }
    ~FuzzEnvironment() { environ = saved_; }

  private:
    std::vector<std::string> entries_;
    std::vector<char*> pointers_;
    char** saved_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > FUZZ_INPUT_MAX) return -1;
    const char* text = reinterpret_cast<const char*>(data);
    const size_t environmentSize = strnlen(text, size);
    ScratchDirectory scratch;
    if (environmentSize < size) {
        scratch.writeFile("ERRLOG.TXT", data + environmentSize + 1, size - environmentSize - 1);
    }
    const int descriptors = fuzz_open_descriptors();
    int mode = -1;
    int level = -1;
    const auto logName = std::make_unique<char[]>(ERRLOG_NAME_SIZE);
    int flags;
    {
        FuzzEnvironment environment(std::string(text, environmentSize));
        flags = k_errlog_config(&mode, &level, logName.get());
    }
    fuzz_check(mode >= 0 && mode <= 99, "mode 0 to 99");
    fuzz_check(level >= 0 && level <= 9, "level 0 to 9");
    fuzz_check(flags >= 0 && flags <= 7, "flags of three bits");
    fuzz_check(strnlen(logName.get(), ERRLOG_NAME_SIZE) < ERRLOG_NAME_SIZE, "log name terminated");
    fuzz_check(fuzz_open_descriptors() == descriptors, "ERRLOG.TXT left open");
    return 0;
}
