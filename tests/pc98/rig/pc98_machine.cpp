#include "pc98_machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <mutex>

#include "emulated_cpu.h"
#include "pty_bridge.h"
#include "small_dos.h"
#include "support/file_bytes.h"
#include "support/pc98_serial.h"
#include "support/temp_working_directory.h"

namespace fs = std::filesystem;

namespace {

constexpr int START_SECONDS = 30;
constexpr uint64_t NS_PER_SECOND = 1000000000;
// How far the emulated clock may run ahead of the wall clock before the CPU waits.
constexpr auto AHEAD_ALLOWED = std::chrono::milliseconds(2);

// The BIOS's system flags (bit 7: the timer runs at 1.9968 MHz) and the PC-9821's ROM
// identifier.
constexpr uint32_t SYSTEM_FLAGS = 0x0501;
constexpr uint8_t EIGHT_MHZ_FAMILY = 0x80;
constexpr uint32_t PC9821_ID = 0xF8E80;

}  // namespace

struct Pc98Machine::Parts {
    Parts(const Pc98Options& options, const std::string& driveC)
        : serial(options.timerClock, options.lineRate),
          dos(cpu, driveC, [this] { return double(nowNs) / NS_PER_SECOND; }) {}

    EmulatedCpu cpu;
    Pc98Serial serial;
    SmallDos dos;
    PtyBridge bridge;
    uint64_t nowNs = 0;
    mutable std::mutex faultMutex;
    std::string fault;
};

Pc98Machine::Pc98Machine(const Pc98Options& options) : options_(options) {
    dir_ = make_scratch_directory("velmod-pc98");
    if (dir_.empty()) return;
    driveC_ = dir_ + "/C";
    fs::create_directory(driveC_);
    if (options.prepare) options.prepare(driveC_);

    parts_ = std::make_unique<Parts>(options, driveC_);
    EmulatedCpu& cpu = parts_->cpu;
    Pc98Serial& serial = parts_->serial;
    cpu.portIn = [&serial](uint16_t port) { return serial.in(port); };
    cpu.portOut = [&serial](uint16_t port, uint8_t value) { serial.out(port, value); };
    cpu.interrupt = [this](uint8_t number) {
        if (number == 0x21) parts_->dos.interrupt21();
    };
    const uint8_t flags = options.timerClock == 1996800 ? EIGHT_MHZ_FAMILY : 0;
    cpu.write(SYSTEM_FLAGS, &flags, 1);
    if (options.pc9821) {
        const uint8_t id[2] = {0x98, 0x21};
        cpu.write(PC9821_ID, id, 2);
    }
    const std::string program = fileBytes(VELMOD_COM);
    parts_->dos.load(std::vector<uint8_t>(program.begin(), program.end()), " " + options.switches);
    thread_ = std::thread([this] { run(); });

    if (!options.lineless && !wait_for_velmod(linePath(), START_SECONDS)) {
        ADD_FAILURE() << "VELMOD did not come up; its screen: " << stopAndReadScreen();
    }
}

Pc98Machine::~Pc98Machine() {
    stop();
    if (!dir_.empty()) {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
}

const std::string& Pc98Machine::linePath() const {
    return parts_->bridge.path();
}

void Pc98Machine::configureVelmo(const std::string& directory) const {
    write_velmo_settings(directory, linePath(), options_.lineRate);
}

// Slices of a quarter of a byte's time on the line, so that the model sees the driver poll
// between two bytes as the chip would.
void Pc98Machine::run() {
    const uint64_t sliceInstructions =
        std::clamp<uint64_t>(INSTRUCTIONS_PER_SECOND * 10 / options_.lineRate / 4, 64, 4000);
    const uint64_t sliceNs = sliceInstructions * NS_PER_SECOND / INSTRUCTIONS_PER_SECOND;
    auto start = std::chrono::steady_clock::now();
    Parts& p = *parts_;
    p.cpu.sliceDone = [&] {
        p.serial.clearToSend = clearToSend_;
        p.nowNs += sliceNs;
        emulatedNs_ = p.nowNs;
        p.serial.advance(sliceNs);
        overruns_ = p.serial.overruns;
        p.bridge.pump(p.serial);
        const auto now = std::chrono::steady_clock::now();
        const auto ahead = start + std::chrono::nanoseconds(p.nowNs) - now;
        if (ahead > AHEAD_ALLOWED) std::this_thread::sleep_for(ahead);
        // Time the host could not give is not made up later: the PC-98 never runs faster
        // than real time.
        if (ahead < std::chrono::nanoseconds(0)) start = now - std::chrono::nanoseconds(p.nowNs);
        return !stopping_;
    };
    p.cpu.run(sliceInstructions);
    const std::lock_guard lock(p.faultMutex);
    p.fault = p.cpu.failure().empty() ? p.serial.fault() : "CPU: " + p.cpu.failure();
}

void Pc98Machine::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
}

std::string Pc98Machine::stopAndReadScreen() {
    stop();
    return parts_->dos.screen();
}

int Pc98Machine::exitCode(int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!parts_->dos.exitCode() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return parts_->dos.exitCode().value_or(-1);
}

std::string Pc98Machine::fault() const {
    const std::lock_guard lock(parts_->faultMutex);
    return parts_->fault;
}
