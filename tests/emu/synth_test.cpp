// The emulated synthesizer: silent while the demodulator's gate is closed,
// the sub-addresses it answers, and the oscillator frequency its divider and
// exponent give.
#include "emu/antenna.h"
#include "emu/board.h"
#include "emu/host_table.h"
#include "emu/if_demod.h"
#include "emu/synth.h"
#include "regmap/if_demod_map.h"
#include "regmap/synth_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace ifd = regmap::if_demod;
namespace sm = regmap::synth;

class EmuSynthTest : public ::testing::Test {
  protected:
    void SetUp() override { demod_.ConnectSynth(&synth_); }
    void Gate(uint8_t value) {
        const uint8_t bytes[] = {ifd::kGate, value};
        ASSERT_TRUE(demod_.Write(bytes, 2));
    }
    bool Write(std::vector<uint8_t> bytes) { return synth_.Write(bytes.data(), bytes.size()); }
    std::vector<uint8_t> Registers() const {
        std::vector<uint8_t> r;
        r.reserve(emu::Synth::kRegisters);
        for (int i = 0; i < emu::Synth::kRegisters; ++i) {
            r.push_back(synth_.Reg(i));
        }
        return r;
    }

    emu::Antenna antenna_;
    emu::IfDemod demod_{antenna_};
    emu::Synth synth_{demod_};
};

TEST_F(EmuSynthTest, WhileTheGateIsClosedNothingAnswersAndNothingChanges) {
    int receptions = 0;
    demod_.OnReception([&receptions](const emu::Station*) { ++receptions; });
    EXPECT_FALSE(Write({0x00, 0x24, 0x80})) << "closed since power-up";
    Gate(ifd::kGateOpen);
    receptions = 0;
    EXPECT_TRUE(Write({0x00, 0x24, 0x80}));
    EXPECT_EQ(receptions, 1) << "the oscillator may have moved";
    Gate(ifd::kGateClosed);
    receptions = 0;
    EXPECT_FALSE(Write({0x00, 0x11, 0x22}));
    EXPECT_FALSE(Write({0x30, 0xD2}));
    EXPECT_EQ(synth_.Reg(0), 0x24);
    EXPECT_EQ(synth_.Reg(1), 0x80);
    EXPECT_EQ(synth_.Reg(3), 0x00);
    EXPECT_EQ(synth_.Transfers(), 1);
    EXPECT_EQ(receptions, 0);
}

TEST_F(EmuSynthTest, OnTheBusAClosedGateShowsAsNoAck) {
    emu::HostTable host;
    emu::Board board(host);
    const TVB_HOST_OPS& ops = *host.Ops();
    const uint8_t block[] = {0x00, 0x24, 0x80};
    const uint8_t open[] = {ifd::kGate, ifd::kGateOpen};
    ops.BusWrite(emu::HostTable::kBoardHandle, TVB_SYNTH_ADDRESS, 0, 0, 3, block, 0x8000);
    ops.BusWrite(emu::HostTable::kBoardHandle, TVB_IF_DEMOD_ADDRESS, 0, 0, 2, open, 0x8000);
    ops.BusWrite(emu::HostTable::kBoardHandle, TVB_SYNTH_ADDRESS, 0, 0, 3, block, 0x8000);
    uint8_t byte = 0x77;
    ops.BusRead(emu::HostTable::kBoardHandle, TVB_SYNTH_ADDRESS, 8, 0, 1, &byte, 0x8000);
    EXPECT_EQ(byte, 0x77);
    EXPECT_EQ(host.Trace().Render(),
              "C2 {00 24 80} (no ack)  !! synthesizer: addressed while the gate is closed\n"
              "96 {21 C0}\n"
              "C2 {00 24 80}\n"
              "C2 -> (no ack)  !! synthesizer: transfer rejected: a read (the synthesizer is "
              "write-only)\n");
    EXPECT_EQ(host.Problems().size(), 2u);
}

// The sub-address is the first register's number times 16; the transfer
// must fit in R0..R12. Anything else is not acknowledged and changes nothing.
TEST_F(EmuSynthTest, SubAddressRules) {
    Gate(ifd::kGateOpen);
    const std::vector<uint8_t> thirteen = {0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    std::vector<uint8_t> fourteen = thirteen;
    fourteen.push_back(14);
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool acknowledged;
        int firstChanged; // -1: none
    };
    const Case cases[] = {
        {"R0 and R1", {0x00, 0xA1, 0xA2}, true, 0},
        {"R3", {0x30, 0xA3}, true, 3},
        {"R12, the last", {0xC0, 0xAC}, true, 12},
        {"all thirteen", thirteen, true, 0},
        {"only the sub-address", {0x60}, true, -1},
        {"past R12", {0xC0, 0x01, 0x02}, false, -1},
        {"fourteen bytes", fourteen, false, -1},
        {"no register 13", {0xD0, 0x01}, false, -1},
        {"sub-address 0xF0", {0xF0, 0x01}, false, -1},
        {"not a multiple of 16", {0x31, 0x01}, false, -1},
        {"low nibble set", {0x08, 0x01}, false, -1},
    };
    for (const Case& c : cases) {
        const std::vector<uint8_t> before = Registers();
        EXPECT_EQ(Write(c.bytes), c.acknowledged) << c.name;
        std::vector<uint8_t> expected = before;
        if (c.firstChanged >= 0) {
            for (size_t i = 1; i < c.bytes.size(); ++i) {
                expected[static_cast<size_t>(c.firstChanged) + i - 1] = c.bytes[i];
            }
        }
        EXPECT_EQ(Registers(), expected) << c.name;
    }
    uint8_t byte = 0;
    EXPECT_FALSE(synth_.Read(&byte, 1)) << "the synthesizer is never read";
}

// fLo = N x 250 kHz / 2^k, N = R0 << 6 | R1 >> 2, k = R4 bits 7..6.
TEST_F(EmuSynthTest, TheOscillatorFollowsDividerAndExponent) {
    Gate(ifd::kGateOpen);
    struct Case {
        uint8_t r0, r1, r4;
        uint32_t divider;
        uint32_t exponent;
        uint64_t hz;
    };
    const Case cases[] = {
        {0x24, 0x80, 0xC8, 2336, 3, 73000000},
        {0x2D, 0x80, 0x91, 2912, 2, 182000000},
        {0x2D, 0xF0, 0x14, 2940, 0, 735000000},
        {0x1E, 0x80, 0xF0, 1952, 3, 61000000},
        {0x2D, 0x83, 0x91, 2912, 2, 182000000},
        {0x16, 0xC4, 0x48, 1457, 1, 182125000},
        {0xFF, 0xFC, 0x00, 16383, 0, 4095750000},
        {0x00, 0x04, 0xC0, 1, 3, 31250},
        {0x00, 0x00, 0x00, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Write({0x00, c.r0, c.r1});
        Write({sm::SubAddress(sm::kBand), c.r4});
        EXPECT_EQ(synth_.Divider(), c.divider) << c.hz;
        EXPECT_EQ(synth_.DivExp(), c.exponent) << c.hz;
        EXPECT_EQ(synth_.OscillatorHz(), c.hz);
    }
}

// The loop locks only when the oscillator R4 bits 5..3 choose can run at
// N x 250 kHz; the exponent only divides its output down.
TEST_F(EmuSynthTest, TheLoopLocksOnlyWithinTheChosenOscillatorsRange) {
    Gate(ifd::kGateOpen);
    struct Case {
        uint32_t divider; // N: the oscillator runs at N x 250 kHz
        uint8_t select;   // R4 bits 5..3
        bool locked;
    };
    const Case cases[] = {
        {1200, 6, true},  {1199, 6, false}, {2000, 6, true},  {2001, 6, false}, {1920, 7, true},
        {1919, 7, false}, {2160, 7, true},  {2161, 7, false}, {2080, 1, true},  {2079, 1, false},
        {2440, 1, true},  {2441, 1, false}, {2360, 2, true},  {2359, 2, false}, {3000, 2, true},
        {3001, 2, false}, {2920, 3, true},  {2919, 3, false}, {3640, 3, true},  {3641, 3, false},
        {2000, 0, false}, {2000, 4, false}, {2000, 5, false}, {2912, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "N " << c.divider << ", oscillator " << int{c.select});
        for (uint8_t exponent = 0; exponent < 4; ++exponent) {
            Write(
                {0x00, static_cast<uint8_t>(c.divider >> 6), static_cast<uint8_t>(c.divider << 2)});
            Write({sm::SubAddress(sm::kBand),
                   static_cast<uint8_t>(exponent << sm::kDividerExpShift | c.select << 3)});
            EXPECT_EQ(synth_.Locked(), c.locked);
            EXPECT_EQ(synth_.VcoHz(), uint64_t{c.divider} * 250000);
        }
    }
}

} // namespace
