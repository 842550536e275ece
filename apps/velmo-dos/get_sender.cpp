// GET: ESC 'R', then per file a header block and data blocks numbered from 1, the last of
// type BLOCK_LAST (empty when the size is a multiple of the block size), then ESC 'E'.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "block_sender.h"
#include "dos_text.h"
#include "dos_time.h"
#include "link/wire_format.h"
#include "transfers.h"

namespace {

enum class Outcome { Continue, Stop };

// Fills the payload as far as the file goes; -1 on a read failure.
ssize_t readPayload(int fd, uint8_t* payload) {
    size_t got = 0;
    while (got < size_t(BLOCK_PAYLOAD_MAX)) {
        const ssize_t n = read(fd, payload + got, BLOCK_PAYLOAD_MAX - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        got += size_t(n);
    }
    return ssize_t(got);
}

class GetSender {
  public:
    GetSender(DosLine& line, const DosFaults& faults, bool verify)
        : line_(line), faults_(faults), verify_(verify) {}

    bool start() {
        uint8_t answer = 0;
        return line_.writePair(ESC, 'R') && line_.readAnswer(&answer) == LineRead::Ok &&
               answer == ACK;
    }

    Outcome sendFile(const std::string& hostPath, const DosEntry& entry) {
        const int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return Outcome::Continue;  // gone since it was listed: nothing to send
        const Outcome outcome = sendOpenFile(fd, entry);
        close(fd);
        return outcome;
    }

    void finish() { line_.writePair(ESC, 'E'); }

  private:
    Outcome sendOpenFile(int fd, const DosEntry& entry) {
        uint16_t dosDate = 0, dosTime = 0;
        dos_stamp_from_time(entry.modified, &dosDate, &dosTime);
        const std::string name =
            faults_.hostileName ? faults_.hostileNameBytes : dos_text(entry.name);
        const size_t nameLength = std::min(name.size(), size_t(BLOCK_PAYLOAD_MAX));
        size_t size =
            k_block_header(block_, dosDate, dosTime, uint32_t(entry.size), name.data(), nameLength);
        if (!delivered(dos_send_block(line_, block_, size, verify_, 0))) return Outcome::Stop;

        for (uint32_t number = 1;; ++number) {
            if (faults_.endAfter != FAULT_OFF && blocksSent_ >= uint64_t(faults_.endAfter)) {
                finish();
                return Outcome::Stop;
            }
            const ssize_t got = readPayload(fd, k_block_payload(block_));
            if (got < 0) {
                finish();  // the file cannot be read to its end: give the transfer up
                return Outcome::Stop;
            }
            const bool last = got < BLOCK_PAYLOAD_MAX;
            size = k_block_data(block_, last ? BLOCK_LAST : BLOCK_DATA, number, size_t(got));
            if (!delivered(dos_send_block(line_, block_, size, verify_, corruptSends(number)))) {
                return Outcome::Stop;
            }
            ++blocksSent_;
            if (last) return Outcome::Continue;
        }
    }

    int corruptSends(uint32_t number) const {
        if (faults_.corruptBlock == FAULT_OFF || int64_t(number) != faults_.corruptBlock) return 0;
        return faults_.corruptOnce ? 1 : -1;
    }

    // The Windows side's ESC 'E' or a broken exchange ends the transfer; after either this side
    // sends nothing more, or the bytes would be taken for the answer to the next command.
    static bool delivered(BlockSend result) { return result == BlockSend::Delivered; }

    DosLine& line_;
    const DosFaults& faults_;
    bool verify_;
    uint64_t blocksSent_ = 0;
    uint8_t block_[BLOCK_BYTES_MAX];
};

}  // namespace

void dos_serve_get(DosLine& line, const DosDrive& drive, const DosCommand& command,
                   const DosFaults& faults) {
    std::string name;
    if (!dos_frame_name(line, command, &name)) return;
    DosTarget target;
    if (drive.resolve(name, true, &target) != PathError::None) {
        dos_answer_frame(line, DOS_ERROR_PATH);
        return;
    }
    std::vector<std::string> dirs;
    std::vector<DosEntry> files = dos_matching_files(drive, target, &dirs);
    // A header carries the size in 32 bits: a larger file cannot be described.
    std::erase_if(files, [](const DosEntry& file) { return file.size > UINT32_MAX; });
    if (files.empty()) {
        dos_answer_frame(line, DOS_ERROR_NO_FILE);
        return;
    }
    if (!dos_answer_frame(line, 0)) return;

    if (faults.silentAfter != FAULT_OFF) line.setSendBudget(uint64_t(faults.silentAfter));
    GetSender sender(line, faults, (command.flags & COMMAND_VERIFY) != 0);
    bool complete = sender.start();
    for (size_t i = 0; complete && i < files.size(); ++i) {
        const std::string path = drive.hostDir(dirs) + "/" + files[i].name;
        complete = sender.sendFile(path, files[i]) == Outcome::Continue;
    }
    if (complete) sender.finish();
    line.clearSendBudget();
}
