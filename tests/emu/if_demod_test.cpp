// The emulated IF demodulator's registers: the sub-address pointer with its
// auto-increment, the registers it computes, the gate and the standard code.
#include "emu/antenna.h"
#include "emu/if_demod.h"
#include "regmap/if_demod_map.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

namespace ifd = regmap::if_demod;

class EmuIfDemodTest : public ::testing::Test {
  protected:
    bool Write(std::vector<uint8_t> bytes) { return demod_.Write(bytes.data(), bytes.size()); }
    std::vector<uint8_t> Read(size_t count) {
        std::vector<uint8_t> out(count, 0xEE);
        EXPECT_TRUE(demod_.Read(out.data(), count));
        return out;
    }
    // A read as the module makes it: the sub-address alone, then the bytes.
    std::vector<uint8_t> ReadFrom(uint8_t sub, size_t count) {
        Write({sub});
        return Read(count);
    }

    emu::Antenna antenna_;
    emu::IfDemod demod_{antenna_};
};

TEST_F(EmuIfDemodTest, WritesAndReadsRunOnFromTheSubAddress) {
    EXPECT_TRUE(Write({0x05, 0x01, 0x02, 0x03}));
    EXPECT_EQ(demod_.Reg(0x05), 0x01);
    EXPECT_EQ(demod_.Reg(0x06), 0x02);
    EXPECT_EQ(demod_.Reg(0x07), 0x03);
    EXPECT_EQ(demod_.Reg(0x08), 0x00);
    EXPECT_EQ(ReadFrom(0x05, 3), (std::vector<uint8_t>{0x01, 0x02, 0x03}));
    EXPECT_EQ(Read(1), (std::vector<uint8_t>{0x00})) << "the pointer went on to 0x08";
    Write({0x06});
    EXPECT_EQ(Read(1), (std::vector<uint8_t>{0x02}));
    EXPECT_EQ(Read(1), (std::vector<uint8_t>{0x03})) << "and on from one read to the next";
    Write({0x05, 0x11});
    EXPECT_EQ(Read(1), (std::vector<uint8_t>{0x02})) << "a write leaves it past its last byte";
}

TEST_F(EmuIfDemodTest, ThePointerWrapsAtTheLastRegister) {
    Write({0xFE, 0x0A, 0x0B, 0x0C});
    EXPECT_EQ(demod_.Reg(0xFE), 0x0A);
    EXPECT_EQ(demod_.Reg(0xFF), 0x0B);
    EXPECT_EQ(demod_.Reg(0x00), 0x0C);
    EXPECT_EQ(ReadFrom(0xFF, 2), (std::vector<uint8_t>{0x0B, 0x0C}));
}

TEST_F(EmuIfDemodTest, AnEmptyTransferIsTakenAndChangesNothing) {
    Write({0x05, 0x01});
    EXPECT_TRUE(demod_.Write(nullptr, 0));
    EXPECT_EQ(Read(1), (std::vector<uint8_t>{0x00})) << "pointer still at 0x06";
}

// Status and level are computed when read; what is written there is kept but
// not what reads back. 0x1A and the registers around are plain.
TEST_F(EmuIfDemodTest, StatusAndLevelAreComputedWhereverAReadPasses) {
    demod_.Reg(ifd::kCounter) = 0x14;
    Write({ifd::kStatus, 0xFF, 0x33, 0x44});
    EXPECT_EQ(demod_.Reg(ifd::kStatus), 0xFF);
    EXPECT_EQ(ReadFrom(ifd::kCounter, 4), (std::vector<uint8_t>{0x14, 0x00, 0x33, 0xFF}))
        << "nothing received: no lock, level 255";
    demod_.ForceStatus(0x93);
    EXPECT_EQ(ReadFrom(ifd::kStatus, 1), (std::vector<uint8_t>{0x93}));
    demod_.ForceStatus(std::nullopt);
    EXPECT_EQ(ReadFrom(ifd::kStatus, 1), (std::vector<uint8_t>{0x00}));
    EXPECT_EQ(demod_.StatusReads(), 3);
}

TEST_F(EmuIfDemodTest, TheGateFollowsBitSixOfItsRegister) {
    struct Case {
        uint8_t value;
        bool open;
    };
    for (const Case& c : {Case{ifd::kGateOpen, true}, Case{ifd::kGateClosed, false},
                          Case{0x40, true}, Case{0xBF, false}, Case{0x00, false}}) {
        Write({ifd::kGate, c.value});
        EXPECT_EQ(demod_.GateOpen(), c.open) << std::hex << int{c.value};
    }
}

TEST_F(EmuIfDemodTest, TheStandardCodeIgnoresTheTuningFlag) {
    Write({ifd::kStandard, ifd::kCodeB | ifd::kTuningFlag});
    EXPECT_EQ(demod_.StandardCode(), ifd::kCodeB);
    Write({ifd::kStandard, ifd::kCodeL1});
    EXPECT_EQ(demod_.StandardCode(), ifd::kCodeL1);
}

// Reception is looked at again after every write of a register, not after a
// transfer that only sets the pointer.
TEST_F(EmuIfDemodTest, WritesOfRegistersTellTheListener) {
    int calls = 0;
    demod_.OnReception([&calls](const emu::Station* s) {
        ++calls;
        EXPECT_EQ(s, nullptr);
    });
    Write({ifd::kStatus});
    EXPECT_EQ(calls, 0);
    Write({ifd::kHold, 0x00});
    EXPECT_EQ(calls, 1);
    Write({ifd::kStandard, 0x02, 0x00, 0x00});
    EXPECT_EQ(calls, 2);
    ReadFrom(ifd::kStatus, 2);
    EXPECT_EQ(calls, 2);
}

} // namespace
