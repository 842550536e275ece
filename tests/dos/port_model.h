// The PC's ports and low memory for the natively built DOS-side drivers: a test installs the
// chips it models; every port without one reads 0xFF (nothing there), every byte of memory
// not set reads 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class PortDevice {
  public:
    virtual ~PortDevice() = default;
    virtual uint8_t in(uint16_t port) = 0;
    virtual void out(uint16_t port, uint8_t value) = 0;
};

class PortModel {
  public:
    PortModel();
    ~PortModel();
    PortModel(const PortModel&) = delete;
    PortModel& operator=(const PortModel&) = delete;

    // `device` answers ports first..last.
    void attach(uint16_t first, uint16_t last, PortDevice* device);
    void setMemory(uint16_t segment, uint16_t offset, std::vector<uint8_t> bytes);

    // Every write, in order, to ports that have a device.
    std::vector<std::pair<uint16_t, uint8_t>> writes;

    uint8_t in(uint16_t port);
    void out(uint16_t port, uint8_t value);
    uint8_t memory(uint32_t linear) const;

  private:
    struct Range {
        uint16_t first, last;
        PortDevice* device;
    };
    std::vector<Range> ranges_;
    std::map<uint32_t, uint8_t> memory_;
};
