#include "link/velmod_sender.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

#include "console/link_context.h"
#include "link/transfer_io.h"

namespace {

// Start bit, 8 data bits and the stop bits of one byte on the line.
int bitsPerByte(int stopBits) {
    return stopBits == 0 ? 10 : 11;
}

std::string format(const char* pattern, int number, const std::string& text = {}) {
    char line[512];
    std::snprintf(line, sizeof line, pattern, number, text.c_str());
    return line;
}

// The typeable form holds printable ASCII and CR LF only: anything else (above all a Ctrl+Z,
// which would end COPY early) means the file is not what it should be.
long firstUntypeable(const std::string& text) {
    for (size_t i = 0; i < text.size(); i++) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 || c > 0x7E) && c != '\r' && c != '\n') return long(i);
    }
    return -1;
}

}  // namespace

bool velmod_copy_rate(int bitsPerSecond) {
    for (int rate : {110, 150, 300, 600, 1200, 2400, 4800, 9600, 19200})
        if (rate == bitsPerSecond) return true;
    return false;
}

std::string velmod_copy_steps(int rate) {
    return format(
        "On the DOS machine, set its port to %1$d bit/s and start COPY:\n"
        "  PC/AT:  MODE COM1:%1$d,N,8,1\n"
        "          COPY COM1 VELMOD.COM\n"
        "  PC-98:  SPEED RS232C-0 %1$d BITS-8 PARITY-NONE STOP-1 NONE\n"
        "          (or the same settings with SWITCH; AUX needs DEVICE=RSDRV.SYS)\n"
        "          COPY AUX VELMOD.COM\n"
        "(COMn for another port of a PC/AT.) Velmo sends nothing until Enter, as a byte that\n"
        "comes before COPY reads would stop it. Press Enter within a minute of starting COPY:\n"
        "COPY stores a NUL for each second it waits, and VELMOD skips at most 60 of them.\n",
        rate);
}

std::string velmod_start_steps(int rate) {
    return format(
        "VELMOD.COM is on the DOS machine. Start it there with the rate of this side:\n"
        "  PC/AT:  VELMOD /P:1 /B:%1$d     (/P:n for COMn)\n"
        "  PC-98:  VELMOD /B:%1$d\n"
        "From then on #PUT brings anything else, the compact VELMOD.COM included.\n"
        "If VELMOD does not answer velmo, or does not start: check the cable, that MODE (or\n"
        "SPEED) set %1$d bit/s, 8 bits, no parity, and that COPY read COM1 on a PC/AT, AUX on\n"
        "a PC-98; then delete VELMOD.COM there and send it again.\n",
        rate);
}

uint64_t velmod_now_us() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1'000'000 + uint64_t(now.tv_nsec) / 1000;
}

VelmodSender::~VelmodSender() {
    if (ctx_->portOpen) k_link_close(ctx_);
}

bool VelmodSender::fail(std::string problem) {
    problem_ = std::move(problem);
    finish(SendPhase::Failed);
    return false;
}

void VelmodSender::finish(SendPhase phase) {
    phase_ = phase;
    // Closing waits until the last byte has left.
    if (ctx_->portOpen) k_link_close(ctx_);
}

bool VelmodSender::start(const std::string& textPath) {
    const int rate = ctx_->baudRate;
    if (!velmod_copy_rate(rate)) {
        return fail(
            format("BAUDRATE=%d cannot be used with COPY: MODE on a PC/AT and SPEED on a "
                   "PC-98 set 110 to 19200 bit/s. Put BAUDRATE=9600 in PRM232C.TXT "
                   "while sending VELMOD.",
                   rate));
    }
    std::ifstream in(textPath, std::ios::binary);
    if (!in) {
        return fail("Cannot read " + textPath + ": " + std::strerror(errno) +
                    ". The typeable VELMOD.TXT is built beside VELMOD.COM (build/dos/) and "
                    "installed with it (share/velmo/dos/).");
    }
    text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    const long bad = firstUntypeable(text_);
    if (text_.empty() || bad >= 0) {
        return fail(textPath + " is not the typeable VELMOD (" +
                    (text_.empty() ? std::string("it is empty")
                                   : format("byte %d is not printable ASCII", int(bad))) +
                    "): build or install velmo again.");
    }
    if (!ctx_->portOpen) {
        if (k_link_open(ctx_) != 0) {
            // The explanation says what to check (the COMn= line, the dialout group, ...).
            return fail(format("Cannot open COM%d: %s.", ctx_->comPort,
                               k_rs232c_explain(&ctx_->ioOverlapped)));
        }
        ctx_->portOpen = 1;
    }
    intervalUs_ = int64_t(2) * bitsPerByte(ctx_->stopBits) * 1'000'000 / rate;
    phase_ = SendPhase::Waiting;
    return true;
}

void VelmodSender::beginText(uint64_t nowUs) {
    if (phase_ != SendPhase::Waiting) return;
    phase_ = SendPhase::Text;
    dueUs_ = nowUs;
}

bool VelmodSender::sendByte(uint8_t byte) {
    if (k_link_send(ctx_, &byte, 1) == 0) return true;
    fail(std::string("The line failed while sending (") + k_rs232c_explain(&ctx_->ioOverlapped) +
         "): check the cable, then delete the incomplete VELMOD.COM on the DOS machine "
         "(DEL VELMOD.COM) and start again.");
    return false;
}

int64_t VelmodSender::step(uint64_t nowUs) {
    if (phase_ != SendPhase::Text) return -1;
    if (nowUs < dueUs_) return int64_t(dueUs_ - nowUs);
    // Never two bytes back to back: a late call moves the schedule instead of catching up.
    const bool last = sent_ == text_.size();
    if (!sendByte(last ? DOS_END_OF_FILE : uint8_t(text_[sent_]))) return -1;
    sent_++;
    if (last) {
        finish(SendPhase::Done);
        return -1;
    }
    dueUs_ = nowUs + uint64_t(intervalUs_);
    return intervalUs_;
}

void VelmodSender::cancel() {
    if (phase_ != SendPhase::Waiting && phase_ != SendPhase::Text) return;
    sendByte(DOS_END_OF_FILE);
    fail(
        "Cancelled: velmo ended COPY with Ctrl+Z, so the VELMOD.COM it saved is incomplete. "
        "Delete it on the DOS machine (DEL VELMOD.COM) before starting again.");
}

int VelmodSender::secondsLeft() const {
    const int64_t left = int64_t(textSize() - sent_) * intervalUs_;
    return int((left + 999'999) / 1'000'000);
}
