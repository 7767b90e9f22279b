// The substitute host itself: routing, what a failed read leaves, argument
// checks and the rendering the other tests compare against.
#include "module_fixture.h"

#include "frame/host.h"
#include "frame/waits.h"

using EmuHostTest = ModuleTest;

TEST_F(EmuHostTest, RoutesToDevicesAndRecordsEveryCall) {
    emu::RegisterFile decoder;
    emu::RegisterFile demod;
    host_->Attach(0x42, &decoder);
    host_->Attach(0x96, &demod);
    Open();
    decoder[0x10E] = 0x5A;
    HostWriteReg16(0x102, 0xC1);
    uint8_t byte = 0;
    HostReadReg16(0x10E, &byte);
    const uint8_t write[] = {0x1B, 0x80, 0x11};
    HostBusWrite(0x96, write, 3);
    HostBusWrite(0x96, write, 1);
    uint8_t two[2] = {};
    HostBusRead(0x96, two, 2);
    DelayMs(1);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(decoder[0x102], 0xC1);
    EXPECT_EQ(two[0] << 8 | two[1], 0x8011);
    EXPECT_EQ(TraceFrom(3), "42[102] <- C1\n"
                            "42[10E] -> 5A\n"
                            "96 {1B 80 11}\n"
                            "96 {1B}\n"
                            "96 -> {80 11}\n"
                            "[1 ms]\n");
}

TEST_F(EmuHostTest, ReadFromAbsentDeviceLeavesTheBuffer) {
    Open();
    uint8_t byte = 0x77;
    HostReadReg16(0x10E, &byte);
    uint8_t buf[2] = {0x11, 0x22};
    HostBusRead(0xC2, buf, 2);
    EXPECT_EQ(byte, 0x77);
    EXPECT_EQ(buf[0] << 8 | buf[1], 0x1122);
    const uint8_t w[] = {0x00, 0x01};
    HostBusWrite(0xC2, w, 2);
    EXPECT_EQ(TraceFrom(3), "42[10E] -> (no ack)\nC2 -> (no ack)\nC2 {00 01} (no ack)\n");
}

TEST_F(EmuHostTest, PinsAndForbiddenSlots) {
    Open();
    host_->SetPinInput(7, 1);
    const uint32_t pins[] = {0, 7};
    uint32_t values[2] = {9, 9};
    HostReadPins(2, pins, values);
    EXPECT_EQ(values[0] << 1 | values[1], 1u);
    const uint32_t one = 1;
    HostWritePins(0x55, 1, pins, &one);
    EXPECT_EQ(host_->PinOutput(0), 1u);
    EXPECT_EQ(TraceFrom(3), "pins -> 0=0 7=1\npins <- 0=1  !! handle 0x55\n");

    host_->Ops()->Reserved4();
    EXPECT_EQ(host_->ForbiddenCalls(), 1);
    host_->Ops()->Reserved5();
    EXPECT_EQ(host_->ForbiddenCalls(), 2);
    EXPECT_NE(Trace().find("MUST NEVER CALL"), std::string::npos);
    // This test made the forbidden calls on purpose.
    host_.reset();
    host_ = std::make_unique<emu::Host>();
}

TEST_F(EmuHostTest, WrongConstantArgumentsAreFlagged) {
    host_->Ops()->WriteReg16(1, 0x42, 8, 0x10000, 1, 3);
    EXPECT_EQ(Trace(), "42[10000] <- 01 (no ack)  !! handle is 0x1, expected 0xB0A4D0; address "
                       "width is 0x8, expected 0x10; register is 0x10000, expected 0x0; last "
                       "argument is 0x3, expected 0x0\n");
}
