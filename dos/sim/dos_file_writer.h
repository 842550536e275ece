// Writes a file of drive A: so that nothing is lost on the way: the bytes go to a hidden
// temporary file beside the target, which replaces the target only when it is complete.
// An abandoned write leaves the old file as it was.
#pragma once
#include <cstddef>
#include <ctime>
#include <string>

class DosFileWriter {
  public:
    DosFileWriter() = default;
    ~DosFileWriter() { abandon(); }
    DosFileWriter(const DosFileWriter&) = delete;
    DosFileWriter& operator=(const DosFileWriter&) = delete;

    // Starts a new file that will become hostDir/name. false when no file can be made there.
    bool open(const std::string& hostDir, const std::string& name);
    bool isOpen() const { return fd_ >= 0; }
    bool write(const void* bytes, size_t count);
    // Stamps the file (when `modified` is not 0) and puts it in place.
    bool commit(time_t modified);
    void abandon();

  private:
    int fd_ = -1;
    std::string tempPath_;
    std::string finalPath_;
};
