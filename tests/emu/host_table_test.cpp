// The substitute host on its own: routing of the eight slots to the devices,
// what a failed read leaves, pins, the complaints about arguments a host does
// not expect, and how waits, prints and notes are stamped.
#include "emu/device.h"
#include "emu/host_table.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr TVB_HOST_HANDLE kHandle = emu::HostTable::kBoardHandle;

class EmuHostTest : public ::testing::Test {
  protected:
    const TVB_HOST_OPS& Ops() const { return *host_.Ops(); }
    std::string Trace() const { return host_.Trace().Render(); }
    std::string Stamped() const { return host_.Trace().Render(true); }

    emu::HostTable host_;
};

TEST_F(EmuHostTest, RoutesEachSlotToTheDeviceAtItsAddress) {
    emu::RegisterFile decoder;
    emu::RegisterFile demod;
    host_.Attach(0x42, &decoder);
    host_.Attach(0x96, &demod);
    decoder[0x10E] = 0x5A;
    Ops().WriteReg16(kHandle, 0x42, 16, 0x102, 0xC1, 0);
    uint8_t byte = 0;
    Ops().ReadReg16(kHandle, 0x42, 16, 0x10E, &byte, 0);
    const uint8_t write[] = {0x1B, 0x80, 0x11};
    Ops().BusWrite(kHandle, 0x96, 0, 0, 3, write, 0x8000);
    Ops().BusWrite(kHandle, 0x96, 0, 0, 1, write, 0x8000);
    uint8_t two[2] = {};
    Ops().BusRead(kHandle, 0x96, 8, 0, 2, two, 0x8000);
    EXPECT_EQ(byte, 0x5A);
    EXPECT_EQ(decoder[0x102], 0xC1);
    EXPECT_EQ(demod[0x1B], 0x80) << "a transfer does not reach another device";
    EXPECT_EQ(two[0] << 8 | two[1], 0x8011);
    EXPECT_EQ(Trace(), "42[102] <- C1\n"
                       "42[10E] -> 5A\n"
                       "96 {1B 80 11}\n"
                       "96 {1B}\n"
                       "96 -> {80 11}\n");

    host_.Detach(0x96);
    Ops().BusWrite(kHandle, 0x96, 0, 0, 1, write, 0x8000);
    EXPECT_EQ(host_.Trace().Events().back().acknowledged, false) << "detached";
}

TEST_F(EmuHostTest, ReadsNoDeviceAnswersLeaveTheCallersBytes) {
    uint8_t byte = 0x77;
    Ops().ReadReg16(kHandle, 0x42, 16, 0x10E, &byte, 0);
    uint8_t buf[2] = {0x11, 0x22};
    Ops().BusRead(kHandle, 0xC2, 8, 0, 2, buf, 0x8000);
    const uint8_t w[] = {0x00, 0x01};
    Ops().BusWrite(kHandle, 0xC2, 0, 0, 2, w, 0x8000);
    Ops().WriteReg16(kHandle, 0x42, 16, 0x102, 0xC1, 0);
    EXPECT_EQ(byte, 0x77);
    EXPECT_EQ(buf[0] << 8 | buf[1], 0x1122);
    EXPECT_EQ(Trace(), "42[10E] -> (no ack)\n"
                       "C2 -> (no ack)\n"
                       "C2 {00 01} (no ack)\n"
                       "42[102] <- C1 (no ack)\n");
}

TEST_F(EmuHostTest, PinsDeliverTheBoardsLevelsAndKeepWhatWasDriven) {
    host_.SetPinInput(7, 1);
    host_.SetPinInput(3, 5);
    const uint32_t pins[] = {0, 7, 3, 9};
    uint32_t values[4] = {9, 9, 9, 9};
    Ops().ReadPins(kHandle, 4, pins, values, 1);
    EXPECT_EQ(values[0], 0u);
    EXPECT_EQ(values[1], 1u);
    EXPECT_EQ(values[2], 5u);
    EXPECT_EQ(values[3], 0u) << "a pin the board does not have reads 0";

    EXPECT_EQ(host_.PinOutput(0), 255u) << "never driven";
    const uint32_t out[] = {0, 2};
    const uint32_t levels[] = {1, 0};
    Ops().WritePins(kHandle, 2, out, levels, 0);
    EXPECT_EQ(host_.PinOutput(0), 1u);
    EXPECT_EQ(host_.PinOutput(2), 0u);
    EXPECT_EQ(host_.PinOutput(1), 255u);
    // WritePins takes whatever handle its caller was given: only noted.
    Ops().WritePins(0x55, 1, out, &levels[1], 0);
    EXPECT_EQ(host_.PinOutput(0), 0u);
    const uint32_t beyond[] = {8};
    Ops().WritePins(kHandle, 1, beyond, levels, 0);
    EXPECT_EQ(host_.PinOutput(0), 0u) << "a pin the board does not have is not pin 0";
    EXPECT_EQ(Trace(), "pins -> 0=0 7=1 3=5 9=0\n"
                       "pins <- 0=1 2=0\n"
                       "pins <- 0=0  !! handle 0x55\n"
                       "pins <- 8=1  !! pin number is 0x8, expected 0x7\n");
}

TEST_F(EmuHostTest, ReservedSlotsAreCountedAndStandOut) {
    EXPECT_EQ(host_.ForbiddenCalls(), 0);
    Ops().Reserved4();
    Ops().Reserved5();
    EXPECT_EQ(host_.ForbiddenCalls(), 2);
    EXPECT_EQ(Trace(), "HOST SLOT CALLED THAT THE MODULE MUST NEVER CALL\n"
                       "HOST SLOT CALLED THAT THE MODULE MUST NEVER CALL\n");
}

// Each slot's constant arguments, one wrong at a time, and all wrong at once.
TEST_F(EmuHostTest, UnexpectedArgumentsAreFlaggedOnTheirLine) {
    emu::RegisterFile device;
    host_.Attach(0x42, &device);
    host_.Attach(0x96, &device);
    uint8_t byte = 0;
    uint8_t buf[1] = {};
    const uint8_t bytes[] = {0x21, 0xC0};
    const uint32_t pin = 0;
    uint32_t level = 0;
    struct Case {
        const char* name;
        void (*call)(const TVB_HOST_OPS&, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*,
                     uint32_t*);
        const char* line;
    };
    const Case cases[] = {
        {"write, all right",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*, uint32_t*) {
             o.WriteReg16(kHandle, 0x42, 16, 0x102, 1, 0);
         },
         "42[102] <- 01"},
        {"write, handle",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*, uint32_t*) {
             o.WriteReg16(0, 0x42, 16, 0x102, 1, 0);
         },
         "42[102] <- 01  !! handle is 0x0, expected 0xB0A4D0"},
        {"write, width",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*, uint32_t*) {
             o.WriteReg16(kHandle, 0x42, 8, 0x102, 1, 0);
         },
         "42[102] <- 01  !! address width is 0x8, expected 0x10"},
        {"write, last",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*, uint32_t*) {
             o.WriteReg16(kHandle, 0x42, 16, 0x102, 1, 7);
         },
         "42[102] <- 01  !! last argument is 0x7, expected 0x0"},
        {"write, everything",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*, uint32_t*) {
             o.WriteReg16(1, 0x44, 8, 0x10000, 1, 3);
         },
         "44[10000] <- 01 (no ack)  !! handle is 0x1, expected 0xB0A4D0; address width is 0x8, "
         "expected 0x10; register is 0x10000, expected 0x0; last argument is 0x3, expected 0x0"},
        {"read, width and register",
         [](const TVB_HOST_OPS& o, uint8_t* b, uint8_t*, const uint8_t*, const uint32_t*,
            uint32_t*) { o.ReadReg16(kHandle, 0x42, 32, 0x1010E, b, 0); },
         "42[1010E] -> 00  !! address width is 0x20, expected 0x10; register is 0x1010E, "
         "expected 0x10E"},
        {"read, handle and last",
         [](const TVB_HOST_OPS& o, uint8_t* b, uint8_t*, const uint8_t*, const uint32_t*,
            uint32_t*) { o.ReadReg16(2, 0x42, 16, 0x10E, b, 1); },
         "42[10E] -> 00  !! handle is 0x2, expected 0xB0A4D0; last argument is 0x1, expected "
         "0x0"},
        {"transfer, all right",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t* w, const uint32_t*,
            uint32_t*) { o.BusWrite(kHandle, 0x96, 0, 0, 2, w, 0x8000); },
         "96 {21 C0}"},
        {"transfer, everything",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t* w, const uint32_t*,
            uint32_t*) { o.BusWrite(3, 0x96, 8, 1, 2, w, 0); },
         "96 {21 C0}  !! handle is 0x3, expected 0xB0A4D0; third argument is 0x8, expected "
         "0x0; fourth argument is 0x1, expected 0x0; flags is 0x0, expected 0x8000"},
        {"transfer, longer than the longest the module sends",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*, uint32_t*) {
             static const uint8_t block[TVB_BUS_WRITE_MAX_BYTES + 1] = {0x30};
             o.BusWrite(kHandle, 0x96, 0, 0, sizeof block, block, 0x8000);
         },
         "96 {30 00 00 00 00 00 00 00 00 00 00 00 00 00 00}  !! byte count is 15, at most 14"},
        {"read transfer, all right",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t* r, const uint8_t*, const uint32_t*,
            uint32_t*) { o.BusRead(kHandle, 0x96, 8, 0, 1, r, 0x8000); },
         "96 -> {00}"},
        {"read transfer, everything",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t* r, const uint8_t*, const uint32_t*,
            uint32_t*) { o.BusRead(4, 0x96, 0, 2, 1, r, 0x8001); },
         "96 -> {00}  !! handle is 0x4, expected 0xB0A4D0; third argument is 0x0, expected "
         "0x8; fourth argument is 0x2, expected 0x0; flags is 0x8001, expected 0x8000"},
        {"read transfer, more bytes than the module reads",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t*, uint32_t*) {
             static uint8_t three[TVB_BUS_READ_MAX_BYTES + 1];
             o.BusRead(kHandle, 0x96, 8, 0, sizeof three, three, 0x8000);
         },
         "96 -> {00 00 00}  !! byte count is 3, at most 2"},
        {"pins out, last",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t* p,
            uint32_t* v) { o.WritePins(kHandle, 1, p, v, 1); },
         "pins <- 0=0  !! last argument is 0x1, expected 0x0"},
        {"pins in, handle and last",
         [](const TVB_HOST_OPS& o, uint8_t*, uint8_t*, const uint8_t*, const uint32_t* p,
            uint32_t* v) { o.ReadPins(0, 1, p, v, 0); },
         "pins -> 0=0  !! handle is 0x0, expected 0xB0A4D0; last argument is 0x0, expected "
         "0x1"},
    };
    for (const Case& c : cases) {
        c.call(Ops(), &byte, buf, bytes, &pin, &level);
        EXPECT_EQ(emu::Timeline::Line(host_.Trace().Events().back()), c.line) << c.name;
    }
}

TEST_F(EmuHostTest, WaitsArePlacedWhereTheyBeganOnTheHostsOwnTime) {
    EXPECT_EQ(host_.Now(), 0u);
    host_.Note("start");
    host_.Wait(emu::WaitKind::Sleep, 10000);
    host_.Print("<ORVELSTRM.SYS> ");
    host_.Wait(emu::WaitKind::Delay, 1000);
    host_.Wait(emu::WaitKind::Stall, 50);
    host_.Note("end");
    EXPECT_EQ(host_.Now(), 11050u);
    EXPECT_EQ(Stamped(), "     0.000 ms  # start\n"
                         "     0.000 ms  [sleep 10 ms]\n"
                         "    10.000 ms  dbg \"<ORVELSTRM.SYS> \"\n"
                         "    10.000 ms  [1 ms]\n"
                         "    11.000 ms  [stall 50 us]\n"
                         "    11.050 ms  # end\n");
}

uint64_t g_clockUs;
uint64_t TestClock() {
    return g_clockUs;
}

TEST_F(EmuHostTest, AGivenClockStampsEveryEvent) {
    host_.Wait(emu::WaitKind::Delay, 2000); // on the host's own time
    host_.SetClock(TestClock);
    g_clockUs = 500000;
    host_.Note("a");
    g_clockUs = 650000; // the clock has passed the wait when it is reported
    host_.Wait(emu::WaitKind::Delay, 150000);
    host_.Wait(emu::WaitKind::Sleep, 700000); // longer than the clock has run
    host_.Print("x");
    EXPECT_EQ(host_.Now(), 650000u);
    host_.SetClock(nullptr);
    EXPECT_EQ(host_.Now(), 852000u) << "back on its own time: the waits recorded";
    EXPECT_EQ(Stamped(), "     0.000 ms  [2 ms]\n"
                         "   500.000 ms  # a\n"
                         "   500.000 ms  [150 ms]\n"
                         "     0.000 ms  [sleep 700 ms]\n"
                         "   650.000 ms  dbg \"x\"\n");
}

void AdvanceTestClock(uint64_t us) {
    g_clockUs += us;
}

// At 400 kHz a call no device answers (S addr N P: half a period, nine
// clocks, a period) takes 26.25 us, and the bus-free time after it 2.5 us:
// 28.75 us a call. The clock moves on in whole microseconds, the rest
// carried, so the stamps stay within a microsecond of the bus; pins take no
// bus time; a clock that runs by itself (no advance) is left alone.
TEST_F(EmuHostTest, BusCallsTakeTheirTimeOnTheBusAtItsRate) {
    uint8_t byte = 0;
    host_.SetBusRate(400000);
    Ops().WriteReg16(kHandle, 0x42, TVB_REG16_ADDRESS_BITS, 0x100, 1, TVB_HOST_ZERO_ARG);
    Ops().BusRead(kHandle, 0x96, TVB_BUS_READ_MODE, 0, 1, &byte, TVB_BUS_TRANSFER_FLAGS);
    Ops().BusRead(kHandle, 0x96, TVB_BUS_READ_MODE, 0, 1, &byte, TVB_BUS_TRANSFER_FLAGS);
    const uint32_t pin = 0;
    uint32_t level = 0;
    Ops().ReadPins(kHandle, 1, &pin, &level, TVB_READ_PINS_MODE);
    host_.Wait(emu::WaitKind::Delay, 1000);
    host_.Note("end");
    EXPECT_EQ(Stamped(), "     0.000 ms  42[100] <- 01 (no ack)\n"
                         "     0.028 ms  96 -> (no ack)\n"
                         "     0.057 ms  96 -> (no ack)\n"
                         "     0.086 ms  pins -> 0=0\n"
                         "     0.086 ms  [1 ms]\n"
                         "     1.086 ms  # end\n");

    host_.Trace().Clear();
    host_.SetClock(TestClock, AdvanceTestClock);
    g_clockUs = 0;
    Ops().BusRead(kHandle, 0x96, TVB_BUS_READ_MODE, 0, 1, &byte, TVB_BUS_TRANSFER_FLAGS);
    EXPECT_EQ(g_clockUs, 29u) << "the given clock moved on, with the 0.25 us carried to it";
    host_.SetClock(TestClock);
    Ops().BusRead(kHandle, 0x96, TVB_BUS_READ_MODE, 0, 1, &byte, TVB_BUS_TRANSFER_FLAGS);
    EXPECT_EQ(g_clockUs, 29u) << "a clock that runs by itself";
    host_.SetClock(nullptr);
}

int g_hooks;
void CountHook(void* self) {
    ++*static_cast<int*>(self);
}

// The hook lets a loaded build's prints in before each stamped event, so it
// runs before calls and notes, never inside the recording of a print.
TEST_F(EmuHostTest, TheHookRunsBeforeCallsAndNotesOnly) {
    g_hooks = 0;
    host_.SetBeforeEvent(CountHook, &g_hooks);
    uint8_t byte = 0;
    const uint8_t w[] = {0x1B};
    const uint32_t pin = 0;
    uint32_t level = 0;
    Ops().WriteReg16(kHandle, 0x42, 16, 0x102, 1, 0);
    Ops().ReadReg16(kHandle, 0x42, 16, 0x102, &byte, 0);
    Ops().BusWrite(kHandle, 0x96, 0, 0, 1, w, 0x8000);
    Ops().BusRead(kHandle, 0x96, 8, 0, 1, &byte, 0x8000);
    Ops().WritePins(kHandle, 1, &pin, &level, 0);
    Ops().ReadPins(kHandle, 1, &pin, &level, 1);
    Ops().Reserved4();
    host_.Note("n");
    EXPECT_EQ(g_hooks, 8);
    host_.Print("p");
    host_.Wait(emu::WaitKind::Sleep, 1000);
    EXPECT_EQ(g_hooks, 8);
    host_.SetBeforeEvent(nullptr, nullptr);
    host_.Note("m");
    EXPECT_EQ(g_hooks, 8);
}

} // namespace
