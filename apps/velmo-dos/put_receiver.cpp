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
        if (line_.read(k_block_after_stx(block_), BLOCK_TYPE_AND_LENGTH) != LineRead::Ok)
            return Step::End;
        const int length = k_block_length(block_);
        if (length > BLOCK_LENGTH_MAX) return giveUp();
        if (length < BLOCK_LENGTH_MIN) {
            line_.drain(QUIET_AFTER_SHORT_BLOCK_MS);
            return reject();
        }
        const LineRead body = line_.read(block_ + BLOCK_BODY, size_t(length));
        if (body == LineRead::Timeout) return reject();  // part of it was lost on the way
        if (body != LineRead::Ok) return Step::End;
        if (!k_block_checksum_ok(block_) || injectNak()) return reject();
        if (verify_) {
            DosBlockLine blockLine(line_);
            switch (k_echo_block(blockLine, block_)) {
                case EchoVerdict::Confirmed:
                    break;
                case EchoVerdict::Refused:
                case EchoVerdict::Unexpected:
                    return reject();
                case EchoVerdict::Ended:  // the Windows side gave up
                case EchoVerdict::EchoNotSent:
                case EchoVerdict::VerdictLost:
                    return Step::End;
            }
        }
        // Our ACK of this block reached the other side damaged, so it sent the block again.
        if (k_block_repeats(lastStored_, block_)) {
            return line_.writeControl(ACK) ? Step::Next : Step::End;
        }
        const bool stored = k_block_type(block_) == BLOCK_HEADER ? startFile() : storeData();
        if (!stored) return giveUp();
        return line_.writeControl(ACK) ? Step::Next : Step::End;
    }

    bool injectNak() {
        if (k_block_type(block_) == BLOCK_HEADER || faults_.nakBlock == FAULT_OFF) return false;
        if (int64_t(k_block_number(block_)) != faults_.nakBlock) return false;
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
        k_block_forget(&lastStored_);
        const std::string_view sent(reinterpret_cast<const char*>(k_block_payload(block_)),
                                    k_block_payload_length(block_));
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
        modified_ = dos_time_from_stamp(k_header_date(block_), k_header_time(block_), &modified)
                        ? modified
                        : 0;
        if (!writer_.open(hostDir, name)) return false;
        k_block_remember(&lastStored_, block_);  // its copy after a damaged ACK is no new file
        return true;
    }

    bool storeData() {
        if (!writer_.isOpen()) return false;  // data before any header
        if (!writer_.write(k_block_payload(block_), k_block_payload_length(block_))) return false;
        k_block_remember(&lastStored_, block_);
        return k_block_type(block_) != BLOCK_LAST || writer_.commit(modified_);
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
    // The block stored last, to know it when it comes again.
    BlockMemory lastStored_{0, 0, 0, 0, 0};
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
