// Runs a test inside a fresh temporary directory: created and entered on construction, left
// and removed with everything in it on destruction.
#pragma once
#include <filesystem>
#include <string>

// Creates a fresh directory under the system's temporary folder, named from `prefix`; empty,
// with the test failed, when it cannot.
std::string make_scratch_directory(const std::string& prefix);

class TempWorkingDirectory {
  public:
    TempWorkingDirectory();
    ~TempWorkingDirectory();
    TempWorkingDirectory(const TempWorkingDirectory&) = delete;
    TempWorkingDirectory& operator=(const TempWorkingDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // Writes a file in the directory byte for byte (no line-end translation).
    void writeFile(const std::string& name, const std::string& bytes) const;

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};
