// PUT: header and data blocks from the Windows side until its ESC 'E'. Each block is checked
// (length, checksum), echoed for the Windows side's verdict when the frame asks for
// verification, and stored only once it is accepted; a file is put in place, stamped with the
// header's date and time, when its last block has arrived.
#include <algorithm>
#include <optional>

#include "core/encoding.h"
#include "dos_file_writer.h"
#include "dos_text.h"
#include "dos_time.h"
#include "link/wire_format.h"
#include "transfers.h"

namespace {

constexpr int QUIET_AFTER_SHORT_BLOCK_MS = 100;

enum class Step { Next, End };

class PutReceiver {
  public:
    PutReceiver(DosLine& line, const DosDrive& drive, const DosFaults& faults, bool verify,
                std::vector<std::string> dirs, std::string fixedName)
        : line_(line),
          drive_(drive),
          faults_(faults),
          verify_(verify),
          dirs_(std::move(dirs)),
          fixedName_(std::move(fixedName)) {}

    void run() {
        while (step() == Step::Next) {
        }
    }

  private:
    Step step() {
        uint8_t byte = 0;
        if (line_.readByte(&byte) != LineRead::Ok) return Step::End;
        if (byte == ESC) {
            uint8_t letter = 0;
            if (line_.readEscapeLetter(&letter) != LineRead::Ok) return Step::End;
            // ESC 'E' (or a new command) ends the transfer; an incomplete file is dropped.
            return letter == 'E' || letter == 'C' ? Step::End : Step::Next;
        }
        if (byte != STX) return Step::Next;  // line noise between blocks
        return receiveBlock();
    }

    Step receiveBlock() {
        block_[0] = STX;
        if (line_.read(block_ + 1, 3) != LineRead::Ok) return Step::End;
        const int length = k_block_length(block_);
        if (length > BLOCK_LENGTH_MAX) return giveUp();
        if (length < BLOCK_LENGTH_MIN) {
            line_.drain(QUIET_AFTER_SHORT_BLOCK_MS);
            return reject();
        }
        const LineRead body = line_.read(block_ + 4, size_t(length));
        if (body == LineRead::Timeout) return reject();  // part of it was lost on the way
        if (body != LineRead::Ok) return Step::End;
        if (!k_block_checksum_ok(block_) || injectNak()) return reject();
        if (verify_) {
            if (!line_.write(block_, size_t(length) + 4)) return Step::End;
            uint8_t verdict = 0;
            if (line_.readByte(&verdict) != LineRead::Ok) return Step::End;
            if (verdict == ESC) {
                uint8_t letter = 0;
                line_.readEscapeLetter(&letter);
                return Step::End;  // the Windows side gave up
            }
            if (verdict != ACK) return reject();
        }
        // Our ACK of this block reached the other side damaged, so it sent the block again.
        if (repeatsStoredBlock()) return line_.writeControl(ACK) ? Step::Next : Step::End;
        const bool stored = block_[1] == BLOCK_HEADER ? startFile() : storeData();
        if (!stored) return giveUp();
        return line_.writeControl(ACK) ? Step::Next : Step::End;
    }

    bool repeatsStoredBlock() const {
        return block_[1] != BLOCK_HEADER && lastNumber_ != 0 &&
               k_get32(block_ + 4) == lastNumber_ && k_block_length(block_) == lastLength_ &&
               k_get32(block_ + 8) == lastChecksum_;
    }

    bool injectNak() {
        if (block_[1] == BLOCK_HEADER || faults_.nakBlock == FAULT_OFF) return false;
        if (int64_t(k_get32(block_ + 4)) != faults_.nakBlock) return false;
        if (faults_.nakCount != FAULT_OFF && naksInjected_ >= faults_.nakCount) return false;
        ++naksInjected_;
        return true;
    }

    Step reject() { return line_.writeControl(NAK) ? Step::Next : Step::End; }

    // ESC 'E' as the answer to a block: the Windows side ends the transfer.
    Step giveUp() {
        writer_.abandon();
        line_.writePair(ESC, 'E');
        return Step::End;
    }

    // The header's name is reduced to its last component, so nothing lands outside the
    // destination directory; a name that is no file name refuses the file.
    bool startFile() {
        writer_.abandon();  // a header before the last block: the earlier file is incomplete
        naksInjected_ = 0;
        lastNumber_ = 0;
        const int length = k_block_length(block_);
        const std::string_view sent(reinterpret_cast<const char*>(block_ + BLOCK_HEAD),
                                    size_t(length - BLOCK_LENGTH_MIN));
        std::string name = fixedName_;
        if (name.empty() && !k_utf8_from_cp932(dos_last_component(sent), &name)) return false;
        if (!dos_valid_name(name)) return false;
        const std::string hostDir = drive_.hostDir(dirs_);
        DosEntry existing;
        if (dos_lookup(hostDir, name, &existing)) {
            if (existing.directory) return false;
            name = existing.name;  // names are case-insensitive: replace the file that is there
        }
        time_t modified = 0;
        modified_ =
            dos_time_from_stamp(k_get16(block_ + 4), k_get16(block_ + 6), &modified) ? modified : 0;
        return writer_.open(hostDir, name);
    }

    bool storeData() {
        if (!writer_.isOpen()) return false;  // data before any header
        const size_t payload = size_t(k_block_length(block_) - BLOCK_LENGTH_MIN);
        if (!writer_.write(block_ + BLOCK_HEAD, payload)) return false;
        lastNumber_ = k_get32(block_ + 4);
        lastLength_ = k_block_length(block_);
        lastChecksum_ = k_get32(block_ + 8);
        return block_[1] != BLOCK_LAST || writer_.commit(modified_);
    }

    DosLine& line_;
    const DosDrive& drive_;
    const DosFaults& faults_;
    bool verify_;
    std::vector<std::string> dirs_;
    std::string fixedName_;
    DosFileWriter writer_;
    time_t modified_ = 0;
    int64_t naksInjected_ = 0;
    // The data block stored last in this file (number 0: none yet), to know it when it comes
    // again.
    uint32_t lastNumber_ = 0;
    int lastLength_ = 0;
    uint32_t lastChecksum_ = 0;
    uint8_t block_[BLOCK_BYTES_MAX];
};

}  // namespace

void dos_serve_put(DosLine& line, const DosDrive& drive, const DosCommand& command,
                   const DosFaults& faults) {
    std::string destination;
    if (!dos_frame_name(line, command, &destination)) return;
    DosTarget target;
    std::vector<std::string> dirs;
    std::string fixedName;
    if (drive.resolve(destination, false, &target) != PathError::None) {
        dos_answer_frame(line, DOS_ERROR_PATH);
        return;
    }
    if (!DosDrive::asDirectory(target, &dirs)) {
        dirs = target.dirs;
        fixedName = target.leaf;  // every file of the transfer is written to this one name
    }
    if (!dos_answer_frame(line, 0)) return;
    PutReceiver receiver(line, drive, faults, (command.flags & COMMAND_VERIFY) != 0,
                         std::move(dirs), std::move(fixedName));
    receiver.run();
}
