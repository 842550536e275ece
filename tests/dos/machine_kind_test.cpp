#include "dos/pc/machine_kind.h"

#include <gtest/gtest.h>

#include "port_model.h"

namespace {

TEST(MachineKind, ToldFromRomAlone) {
    PortModel machine;
    EXPECT_EQ(detect_machine(), MachineKind::Unknown);
    machine.setMemory(0xF8E8, 0, {0x98, 0x21});
    EXPECT_EQ(detect_machine(), MachineKind::Pc98);
    machine.setMemory(0xF000, 0xFFF5, {'0', '1', '/', '1', '5', '/', '9', '2'});
    EXPECT_EQ(detect_machine(), MachineKind::At);
    machine.setMemory(0xF000, 0xFFF5, {'0', '1', '-', '1', '5', '-', '9', '2'});
    EXPECT_EQ(detect_machine(), MachineKind::Pc98) << "no date, so the PC-9821's identifier";
}

}  // namespace
