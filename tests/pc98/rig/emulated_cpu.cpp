#include "emulated_cpu.h"

namespace {

constexpr uint32_t MEMORY_BYTES = 0x100000;
// A linear address the program never executes: emulation ends through stop().
constexpr uint64_t NEVER_REACHED = 0xFFFFF;
// This Unicorn sets no segment base when a segment register is written from outside, so a few
// instructions at 0000:0600 (free memory) load them as a loader would:
// mov ax, SEG; mov ds, ax; mov es, ax; mov ss, ax; mov sp, SP; jmp far SEG:IP.
constexpr uint16_t LOADER = 0x0600;

void onInstruction(uc_engine*, uint64_t, uint32_t, void* cpu) {
    static_cast<EmulatedCpu*>(cpu)->countInstruction();
}

uint32_t onIn(uc_engine*, uint32_t port, int, void* cpu) {
    return static_cast<EmulatedCpu*>(cpu)->portIn(uint16_t(port));
}

void onOut(uc_engine*, uint32_t port, int, uint32_t value, void* cpu) {
    static_cast<EmulatedCpu*>(cpu)->portOut(uint16_t(port), uint8_t(value));
}

void onInterrupt(uc_engine*, uint32_t number, void* cpu) {
    static_cast<EmulatedCpu*>(cpu)->interrupt(uint8_t(number));
}

}  // namespace

EmulatedCpu::EmulatedCpu() {
    uc_open(UC_ARCH_X86, UC_MODE_16, &uc_);
    uc_mem_map(uc_, 0, MEMORY_BYTES, UC_PROT_ALL);
    uc_hook hook;
    uc_hook_add(uc_, &hook, UC_HOOK_INSN, reinterpret_cast<void*>(onIn), this, 1, 0, UC_X86_INS_IN);
    uc_hook_add(uc_, &hook, UC_HOOK_INSN, reinterpret_cast<void*>(onOut), this, 1, 0,
                UC_X86_INS_OUT);
    uc_hook_add(uc_, &hook, UC_HOOK_INTR, reinterpret_cast<void*>(onInterrupt), this, 1, 0);
    uc_hook_add(uc_, &hook, UC_HOOK_CODE, reinterpret_cast<void*>(onInstruction), this, 1, 0);
}

EmulatedCpu::~EmulatedCpu() {
    uc_close(uc_);
}

void EmulatedCpu::startAt(uint16_t segment, uint16_t offset, uint16_t stackPointer) {
    const uint8_t loader[] = {0xB8,
                              uint8_t(segment),
                              uint8_t(segment >> 8),
                              0x8E,
                              0xD8,
                              0x8E,
                              0xC0,
                              0x8E,
                              0xD0,
                              0xBC,
                              uint8_t(stackPointer),
                              uint8_t(stackPointer >> 8),
                              0xEA,
                              uint8_t(offset),
                              uint8_t(offset >> 8),
                              uint8_t(segment),
                              uint8_t(segment >> 8)};
    write(LOADER, loader, sizeof loader);
}

void EmulatedCpu::run(uint64_t sliceInstructions) {
    slice_ = sliceInstructions;
    const uc_err error = uc_emu_start(uc_, LOADER, NEVER_REACHED, 0, 0);
    if (error != UC_ERR_OK) {
        failure_ = std::string(uc_strerror(error)) + " at " + std::to_string(reg(UC_X86_REG_CS)) +
                   ":" + std::to_string(reg(UC_X86_REG_IP));
    }
}

void EmulatedCpu::countInstruction() {
    if (++sinceSlice_ < slice_) return;
    sinceSlice_ = 0;
    if (!sliceDone()) stop();
}

void EmulatedCpu::stop() {
    uc_emu_stop(uc_);
}

uint16_t EmulatedCpu::reg(int id) const {
    uint32_t value = 0;
    uc_reg_read(uc_, id, &value);
    return uint16_t(value);
}

// The 16-bit registers are written as such: the upper halves stay as the program left them.
void EmulatedCpu::setReg(int id, uint16_t value) {
    uc_reg_write(uc_, id, &value);
}

void EmulatedCpu::setFlag(uint16_t flag, bool on) {
    const uint16_t flags = reg(UC_X86_REG_FLAGS);
    setReg(UC_X86_REG_FLAGS, on ? flags | flag : flags & ~flag);
}

void EmulatedCpu::write(uint32_t at, const void* bytes, size_t count) {
    uc_mem_write(uc_, at, bytes, count);
}

std::vector<uint8_t> EmulatedCpu::read(uint32_t at, size_t count) const {
    std::vector<uint8_t> bytes(count);
    uc_mem_read(uc_, at, bytes.data(), count);
    return bytes;
}

std::string EmulatedCpu::cString(uint16_t segment, uint16_t offset) const {
    std::string text;
    for (uint16_t i = 0; i < 256; ++i) {
        const uint8_t c = read(linear(segment, uint16_t(offset + i)), 1)[0];
        if (c == 0) break;
        text.push_back(char(c));
    }
    return text;
}
