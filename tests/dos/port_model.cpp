#include "port_model.h"

#include "dos/pc/hardware.h"

namespace {

PortModel* installed = nullptr;

}  // namespace

PortModel::PortModel() {
    installed = this;
}
PortModel::~PortModel() {
    installed = nullptr;
}

void PortModel::attach(uint16_t first, uint16_t last, PortDevice* device) {
    ranges_.push_back({first, last, device});
}

void PortModel::setMemory(uint16_t segment, uint16_t offset, std::vector<uint8_t> bytes) {
    const uint32_t linear = uint32_t(segment) * 16 + offset;
    for (size_t i = 0; i < bytes.size(); ++i) memory_[linear + uint32_t(i)] = bytes[i];
}

uint8_t PortModel::in(uint16_t port) {
    for (const Range& range : ranges_) {
        if (port >= range.first && port <= range.last) return range.device->in(port);
    }
    return 0xFF;
}

void PortModel::out(uint16_t port, uint8_t value) {
    for (const Range& range : ranges_) {
        if (port >= range.first && port <= range.last) {
            writes.emplace_back(port, value);
            range.device->out(port, value);
        }
    }
}

uint8_t PortModel::memory(uint32_t linear) const {
    const auto found = memory_.find(linear);
    return found == memory_.end() ? 0 : found->second;
}

uint8_t port_in(uint16_t port) {
    return installed ? installed->in(port) : 0xFF;
}
void port_out(uint16_t port, uint8_t value) {
    if (installed) installed->out(port, value);
}
uint8_t far_byte(uint16_t segment, uint16_t offset) {
    return installed ? installed->memory(uint32_t(segment) * 16 + offset) : 0;
}
uint16_t far_word(uint16_t segment, uint16_t offset) {
    return uint16_t(far_byte(segment, offset) | far_byte(segment, uint16_t(offset + 1)) << 8);
}
